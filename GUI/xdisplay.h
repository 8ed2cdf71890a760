// The X connection the toolkit uses, and the one place that reports its absence.
#pragma once

#include <X11/Xlib.h>

namespace velk::gui {

// The host's display once it handed one over, else the plug-in's own; may be null.
Display* XDisplay();

// XDisplay(), or null after reporting once per process on standard error that the
// toolkit has no display (a headless scan): callers then create nothing.
Display* RequireDisplay();

// Whether the missing-display report was written (for tests), and a reset of it.
bool NoDisplayReported();
void ResetNoDisplayReport();

} // namespace velk::gui
