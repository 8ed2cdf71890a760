// moravox-host bank lv2: the plug-in's bank and current program as an LV2 preset bundle, the
// state the LV2 build restores (so an FXB becomes LV2 state with --bank).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

int RunBankLv2(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The bundle's two files: the manifest and the state, with the bank in base64, the program and
// the 16 control ports' values in their natural units.
std::string Lv2StateManifest();
std::string Lv2StateTurtle(const std::vector<uint8_t>& bank, int32_t program,
                           const std::vector<float>& ports, const std::string& label);

} // namespace moravox::host
