// How the dispatcher turns X keysyms into the toolkit's key kinds and codes.
#pragma once

#include <X11/X.h>

namespace velk::gui {

struct SKeyTranslation {
    int kind;
    int code;
    // The mouse-state flag the key sets while held (MOUSE_SHIFT...), or -1.
    int modifierFlag;
};

SKeyTranslation TranslateKey(KeySym keysym);

} // namespace velk::gui
