// moravox-host dump: a MIDI file's header and events in words.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

// args[0] is "dump".
int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace moravox::host
