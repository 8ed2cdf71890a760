// Reads a Standard MIDI File (format 0 or 1, ticks per quarter note) from its bytes.
#pragma once

#include "host/formats/format_error.h"
#include "host/formats/smf.h"

#include <cstdint>
#include <vector>

namespace moravox::host {

// Absolute times at or past this are refused, which keeps every later conversion exact.
constexpr uint64_t kMaxSmfTick = uint64_t{1} << 32;

// False, with the problem and its byte offset in `error`, for anything that is not a well-formed
// file we can play; `file` is then unspecified.
bool ReadSmf(const std::vector<uint8_t>& bytes, SmfFile& file, FormatError& error);

} // namespace moravox::host
