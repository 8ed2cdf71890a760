#include "GUI/tooltipplace.h"

namespace velk::gui {

Point PlaceTooltip(const STooltipPlacement& p, bool& flipped) {
    const int textWidth = p.text.Width();
    const int textHeight = p.text.Height();
    const int width = textWidth + 48;
    const int height = textHeight + 16;
    const int W = p.width;
    const int H = p.height;
    const int centredX = (W - width) >> 1;
    const int centredY = (H - height) >> 1;
    auto onScreen = [&](int x, int y, const Point& offset) {
        return Point(p.origin.x + x + offset.x, p.origin.y + y + offset.y);
    };
    flipped = false;
    Point first, second;
    bool fits = true;
    switch (p.placement) {
    case 0:
        first = onScreen(centredX, -height - 3, p.offset);
        fits = first.y >= p.screen.top;
        second = onScreen(centredX, H + 3, p.flippedOffset);
        break;
    case 1:
        first = onScreen(W + 3, centredY, p.offset);
        fits = p.screen.right >= first.x + textWidth;
        second = onScreen(-width - 3, centredY, p.flippedOffset);
        break;
    case 2:
        first = onScreen(centredX, H + 3, p.offset);
        fits = p.screen.bottom >= first.y + textHeight;
        second = onScreen(centredX, -height - 3, p.flippedOffset);
        break;
    case 3:
        first = onScreen(-width - 3, centredY, p.offset);
        fits = first.x >= p.screen.left;
        second = onScreen(W + 3, centredY, p.flippedOffset);
        break;
    default: return onScreen(0, 0, p.offset);
    }
    if (fits) return first;
    flipped = true;
    return second;
}

} // namespace velk::gui
