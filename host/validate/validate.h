// `moravox-host validate`: a suite of checks in the spirit of the established plug-in
// validators, run against any VST 2 plug-in library. One line per check; the exit status is
// non-zero when any check fails.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

int RunValidate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The hidden helper command the editor checks start in a child process with a display that
// does not exist: loads the plug-in, opens and closes its editor, and exits 0 if it survived.
int RunValidateNoDisplayProbe(const std::vector<std::string>& args, std::ostream& err);

} // namespace moravox::host
