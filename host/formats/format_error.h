// What is wrong with an input file, and where.
#pragma once

#include <cstddef>
#include <string>

namespace moravox::host {

struct FormatError {
    size_t offset = 0; // the byte at which the problem was found
    std::string what;  // lower case, no file name, no full stop

    // The one line a user sees: "FILE: at byte N: WHAT".
    std::string Line(const std::string& file) const;
};

} // namespace moravox::host
