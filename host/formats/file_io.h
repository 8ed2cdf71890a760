// Whole-file reading, and writing that never leaves a half-written file behind. Every file the
// tool reads or writes goes through here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moravox::host {

// Larger inputs are refused unread: no MIDI file or preset comes near it, and a device or a
// file that keeps growing would otherwise be read until memory runs out.
constexpr uint64_t kMaxInputBytes = uint64_t{64} << 20;

// Reads a regular file of at most kMaxInputBytes. False with "cannot read PATH: REASON" in
// `error`; a FIFO, a device or a directory is refused without waiting on it.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes a temporary file in the target's folder and renames it over the target, so the target
// is either untouched or complete. A symbolic link is followed and its final target replaced,
// so the link stays; an existing target keeps its permissions; one that is not a regular file
// is refused. False with "cannot write PATH: REASON" in `error`; the temporary file is then
// gone.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error);

} // namespace moravox::host
