#include "panel/paneltexts.h"

namespace velk::panel {

const char* InputTypeText(int value) {
    static const char* const kTexts[kInputTypes] = {
        "N+CC",  "Note-On", "CC",    "\"a\"", "\"b\"", "\"c\"", "\"d\"", "\"e\"",
        "\"f\"", "\"g\"",   "\"h\"", "\"i\"", "\"j\"", "\"0\"", "\"1\"", "\"2\"",
        "\"3\"", "\"4\"",   "\"5\"", "\"6\"", "\"7\"", "\"8\"", "\"9\""};
    return value >= 0 && value < kInputTypes ? kTexts[value] : "";
}

} // namespace velk::panel
