// Loads the built moravox.so through our own host, as a DAW would.
#pragma once

#include <memory>

#include "host/core/host.h"
#include "host/core/plugin_library.h"

namespace testutil {

struct LoadedPlugin {
    explicit LoadedPlugin(moravox::host::HostAnswers answers = {})
        : library(MORAVOX_PLUGIN_PATH), host(library, answers) {}
    moravox::host::PluginLibrary library;
    moravox::host::Host host;
};

} // namespace testutil
