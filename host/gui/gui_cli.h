// The gui command line: moravox-host gui PLUGIN.so [options].
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

int RunGui(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command's lines of the usage text.
std::string GuiUsage();

} // namespace moravox::host
