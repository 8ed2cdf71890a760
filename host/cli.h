// The moravox-host command line, kept apart from main() so it can be run in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

// Exit status: 0 success, 1 the plug-in could not be loaded or instantiated, 2 bad usage.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string UsageText();

} // namespace moravox::host
