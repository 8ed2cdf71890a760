#include "host/formats/format_error.h"

namespace moravox::host {

std::string FormatError::Line(const std::string& file) const {
    return file + ": at byte " + std::to_string(offset) + ": " + what;
}

} // namespace moravox::host
