// Whole-file reading, and writing that never leaves a half-written file behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moravox::host {

// False with "cannot read PATH: REASON" in `error`.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes a temporary file in the target's folder and renames it over the target, so the target
// is either untouched or complete. False with "cannot write PATH: REASON" in `error`; the
// temporary file is then gone.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error);

} // namespace moravox::host
