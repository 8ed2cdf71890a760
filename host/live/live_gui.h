// The live tool's panel window: the plug-in's editor in a top-level X window of the tool's own.
#pragma once

#include "host/live/live_plugin.h"

#include <ostream>
#include <string>
#include <vector>

namespace moravox::host {

enum class PanelEnd {
    Unavailable, // no display, no editor, or the editor did not open: one line on `err`
    Closed,      // the user closed the window
    Stopped,     // one of the stop descriptors became readable
};

// Opens the plug-in's editor in a window titled `title` (effEditOpen with value 0 and the window
// as ptr), calls effEditIdle every 40 ms while it runs, and closes the editor and the window
// before returning. Runs on the calling thread; the stop descriptors are only polled, not read.
PanelEnd RunPanelWindow(LivePlugin& plugin, const std::string& title,
                        const std::vector<int>& stopFds, std::ostream& err);

} // namespace moravox::host
