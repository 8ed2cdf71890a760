// Pens and brushes: the colour and line attributes a drawing context selects.
// They live in the process-wide caches (statdata) and are shared by every control.
#pragma once

namespace velk::gui::context {

class SDrawBitmap;

class SDrawPen {
public:
    SDrawPen(int colour, int width, bool dashed) : width(width), dashed(dashed), colour(colour) {}

    int width;
    bool dashed;
    int colour;
};

class SDrawBrush {
public:
    // style -1 is solid; any other style paints with patternColour.
    SDrawBrush(int colour, int style, SDrawBitmap* bitmap)
        : bitmap(bitmap), style(style), colour(colour) {}

    int PaintColour() const { return style == -1 ? colour : patternColour; }

    SDrawBitmap* bitmap;
    int style;
    int colour;
    int patternColour = 0;
};

} // namespace velk::gui::context
