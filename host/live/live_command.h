// moravox-host live: the plug-in as a JACK client, played live, with its panel in a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

// args[0] is "live". Runs until Ctrl-C (SIGINT), SIGTERM or SIGHUP, the panel window is closed
// or the JACK server goes away. Exit status: 0 on a stop asked for; 1 when there is no JACK
// server, it refuses the client or goes away; 2 for bad usage, a plug-in that does not load and
// a malformed preset.
int RunLive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace moravox::host
