// The moravox-host command line, kept apart from main() so it can be run in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

// Exit status: 0 success; 1 the plug-in could not be loaded, instantiated or driven, or an
// output could not be written; 2 bad usage or a missing or malformed input file. A progress bar
// is drawn on `err` only when `errIsTerminal`.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool errIsTerminal = false);

std::string UsageText();

} // namespace moravox::host
