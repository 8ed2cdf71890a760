// Colours: allocating X pixels, the palette slot names, and a float colour value.
#pragma once

#include <X11/Xlib.h>

namespace velk::gui {

// Slots of the palette; each holds an X pixel of the connection it is drawn on.
enum SPaletteSlot {
    COLOUR_WHITE,
    COLOUR_YELLOW,
    COLOUR_ORANGE,
    COLOUR_BROWN,
    COLOUR_RED,
    COLOUR_DARK_RED,
    COLOUR_DEEP_RED,
    COLOUR_MAGENTA,
    COLOUR_VIOLET,
    COLOUR_LILAC,
    COLOUR_BLUE,
    COLOUR_AZURE,
    COLOUR_CYAN,
    COLOUR_GREEN,
    COLOUR_DARK_GREEN,
    COLOUR_DEEP_GREEN,
    COLOUR_LIME,
    COLOUR_CHARTREUSE,
    COLOUR_CREAM,
    COLOUR_GREY,
    COLOUR_BLACK,
    COLOUR_SAND,
    COLOUR_GOLD,
    COLOUR_STEEL,
    COLOUR_SLATE,
    COLOUR_GREY22,
    COLOUR_GREY44,
    COLOUR_GREY66,
    COLOUR_GREY90,
    COLOUR_COUNT
};

struct SRGB {
    unsigned char r, g, b;
};

// The palette's colours in slot order.
extern const SRGB kPalette[COLOUR_COUNT];

// Allocates a read-only cell of the 8-bit colour (r, g, b) in the default colormap of
// screen 0 and returns its pixel; 0 when there is no display or the allocation failed.
int SCOL(int r, int g, int b);
// The same on a given connection.
int DisplayPixel(Display* display, int r, int g, int b);

// On a TrueColor visual a pixel follows from the colour itself: sets colour.pixel to what
// the server would allocate for colour's 16-bit channels and answers true, without a
// round trip. False, touching nothing, for any other kind of visual.
bool TrueColourPixel(const Visual* visual, XColor& colour);

// A colour as four floats; the integer forms keep their values unscaled.
struct SColour {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 0.0f;

    SColour() = default;
    SColour(float r, float g, float b, float a = 0.0f) : red(r), green(g), blue(b), alpha(a) {}
    SColour(int r, int g, int b, int a = 0)
        : red(static_cast<float>(r)), green(static_cast<float>(g)), blue(static_cast<float>(b)),
          alpha(static_cast<float>(a)) {}
    SColour(unsigned char r, unsigned char g, unsigned char b, unsigned char a = 0)
        : red(r), green(g), blue(b), alpha(a) {}
};

} // namespace velk::gui
