// Where a control's tooltip opens: on the side its contents ask for, mirrored to the
// other side when it would leave the screen there.
#pragma once

#include "GUI/object.h"

namespace velk::gui {

struct STooltipPlacement {
    int placement; // 0 above, 1 right, 2 below, 3 left
    int width;     // control width
    int height;    // control height
    Rect text;     // the contents' text rectangle
    Point origin;  // the control's top-left corner on the screen
    Point offset;  // added to the normal position
    Point flippedOffset;
    Rect screen; // bounding box of all monitors
};

// The screen position of the tooltip window; flipped tells which side was taken.
Point PlaceTooltip(const STooltipPlacement& p, bool& flipped);

} // namespace velk::gui
