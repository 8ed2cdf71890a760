// Conversions between the toolkit's geometry and X's 16-bit points and rectangles.
#pragma once

#include <X11/Xlib.h>

#include "data/geometry.h"

namespace velk::gui {

using Point = math::geom::Point<int, 2>;
using Rect = math::geom::Rectangle<int, 2>;

// X coordinates are 16 bits wide; larger values are cut to that width.
inline XPoint S2POINT(const Point& p) {
    XPoint out;
    out.x = static_cast<short>(p.x);
    out.y = static_cast<short>(p.y);
    return out;
}

inline Point POINT2S(const XPoint& p) {
    return Point(p.x, p.y);
}

inline XRectangle S2RECT(const Rect& r) {
    XRectangle out;
    out.x = static_cast<short>(r.left);
    out.y = static_cast<short>(r.top);
    out.width = static_cast<unsigned short>(r.right - r.left);
    out.height = static_cast<unsigned short>(r.bottom - r.top);
    return out;
}

inline Rect RECT2S(const XRectangle& r) {
    return Rect(r.x, r.y, r.x + r.width, r.y + r.height);
}

} // namespace velk::gui
