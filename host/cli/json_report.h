// The scan of a plug-in as JSON, as `moravox-host info --json` prints it.
#pragma once

#include "host/core/plugin_info.h"

#include <string>

namespace moravox::host {

std::string FormatJsonReport(const PluginInfo& info);

} // namespace moravox::host
