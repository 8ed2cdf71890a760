// LV2 state as LV2 hosts and the LV2 build save it: the bank chunk and the current program of a
// state.ttl (or of the folder holding one), so that a bank saved in an LV2 host loads in the
// VST 2 build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moravox::host {

struct Lv2State {
    std::vector<uint8_t> bank;
    int32_t program = -1; // -1 when the state names none
};

// Whether a path names LV2 state rather than an FXB: a folder, or a file ending in ".ttl".
bool IsLv2StatePath(const std::string& path);
// Reads the first bank and program the Turtle holds. False with the reason in `error` when
// the file cannot be read or parsed, or holds no bank.
bool ReadLv2State(const std::string& path, Lv2State& state, std::string& error);

} // namespace moravox::host
