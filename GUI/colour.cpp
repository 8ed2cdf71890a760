#include "GUI/colour.h"

#include <X11/Xlib.h>

#include "GUI/world.h"

namespace velk::gui {

const SRGB kPalette[COLOUR_COUNT] = {
    {255, 255, 255}, {255, 255, 0},   {255, 128, 0},   {128, 64, 0},    {255, 0, 0},
    {100, 0, 0},     {64, 0, 0},      {255, 0, 255},   {128, 0, 255},   {172, 128, 255},
    {0, 0, 255},     {0, 128, 255},   {0, 255, 255},   {0, 255, 0},     {0, 128, 0},
    {0, 64, 0},      {128, 255, 0},   {192, 255, 0},   {255, 236, 200}, {128, 128, 128},
    {0, 0, 0},       {247, 231, 168}, {236, 213, 123}, {138, 145, 150}, {77, 81, 84},
    {22, 22, 22},    {44, 44, 44},    {66, 66, 66},    {90, 90, 90},
};

namespace {

// Where a colour channel of a TrueColor visual sits: its shift and width in bits.
struct Channel {
    int shift = 0;
    int bits = 0;
    explicit Channel(unsigned long mask) {
        for (; mask && !(mask & 1); mask >>= 1) ++shift;
        for (; mask & 1; mask >>= 1) ++bits;
    }
    unsigned long Place(unsigned short value) const {
        if (bits <= 0) return 0;
        return bits >= 16 ? static_cast<unsigned long>(value) << shift
                          : (static_cast<unsigned long>(value) >> (16 - bits)) << shift;
    }
};

} // namespace

bool TrueColourPixel(const Visual* visual, XColor& colour) {
    if (!visual || visual->c_class != TrueColor) return false;
    colour.pixel = Channel(visual->red_mask).Place(colour.red) |
                   Channel(visual->green_mask).Place(colour.green) |
                   Channel(visual->blue_mask).Place(colour.blue);
    return true;
}

// Every control's drawing asks for its colours; on a TrueColor visual they cost no trip to
// the server.
int SCOL(int r, int g, int b) {
    return DisplayPixel(XDisplay(), r, g, b);
}

int DisplayPixel(Display* display, int r, int g, int b) {
    if (!display) return 0;
    XColor colour{};
    colour.red = static_cast<unsigned short>(r * 256);
    colour.green = static_cast<unsigned short>(g * 256);
    colour.blue = static_cast<unsigned short>(b * 256);
    colour.flags = DoRed | DoGreen | DoBlue;
    if (!TrueColourPixel(DefaultVisual(display, 0), colour))
        XAllocColor(display, DefaultColormap(display, 0), &colour);
    return static_cast<int>(colour.pixel);
}

} // namespace velk::gui
