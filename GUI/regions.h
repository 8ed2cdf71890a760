// Regions a control asked to repaint, so the dispatcher passes on only those and
// never a number some other client put into a paint message.
#pragma once

#include <X11/Xlib.h>

namespace velk::gui {
namespace context {
class SDrawRegion;
}

namespace regions {

void Add(Window window, context::SDrawRegion* region);
// Drops every pending region of a window that goes away.
void Forget(Window window);
// The pending region of that window with that value, removed from the list; else null.
context::SDrawRegion* Take(Window window, long value);

} // namespace regions
} // namespace velk::gui
