// The command line of `moravox-host live`, in the style of JACK standalones, and the settings it
// gives the plug-in before the first cycle.
#pragma once

#include "host/cli/cli_common.h"
#include "host/live/live_plugin.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

struct LiveOptions {
    std::string plugin;
    std::string jackName = "moravox";
    bool autoconnect = true;
    bool gui = true;
    std::string presetPath;
    std::vector<ParameterSetting> parameters; // in the order given
    std::optional<uint32_t> seed;
};

// Reads `live PLUGIN.so [OPTIONS]` from args[1] on; false with a usage message in `error`.
bool ParseLiveOptions(const std::vector<std::string>& args, LiveOptions& options,
                      std::string& error);

// Applies the preset, then the parameters in order, then the seed, to the opened plug-in.
// Returns the exit status: a malformed or refused preset gives 2, a plug-in that keeps no
// chunks or takes no seed gives 1, each with one line on `err`.
int ApplyLiveSettings(LivePlugin& plugin, const LiveOptions& options, std::ostream& err);

} // namespace moravox::host
