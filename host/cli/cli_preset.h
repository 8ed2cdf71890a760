// moravox-host preset save / bank save: the plug-in's program or bank as an FXP or FXB file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

// args[0] is "preset" or "bank", args[1] "save".
int RunPresetSave(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace moravox::host
