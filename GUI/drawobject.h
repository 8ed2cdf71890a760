// Things a tooltip draws, one per text line: a filled rectangle, a text in it, and
// the text in its own font.
#pragma once

#include "GUI/draw.h"
#include "GUI/object.h"
#include "data/datastring.h"

namespace velk::gui {

class SDrawObject {
public:
    SDrawObject(const Rect& rect, const Point& offset, int background, int foreground)
        : rect(rect), offset(offset), background(background), foreground(foreground) {}
    virtual ~SDrawObject() = default;

    // Fills the rectangle, moved by the offset, with the background colour; the
    // context keeps its own background colour. Nothing without a context.
    virtual void Draw(context::SDrawing* drawing);

    Rect rect;
    Point offset;
    int background;
    int foreground;
};

class STextObject : public SDrawObject {
public:
    STextObject(const Rect& rect, const Point& offset, int background, int foreground,
                const char* text, const Point& textOffset, int textColour, int alignment);

    // The rectangle, then the text in it, moved by the text offset.
    void Draw(context::SDrawing* drawing) override;

    velk::data::datastring<32, char> text;
    Point textOffset;
    int textColour;
    int alignment;
};

class STextObjectX : public STextObject {
public:
    STextObjectX(const Rect& rect, const Point& offset, int background, int foreground,
                 const char* text, const Point& textOffset, int textColour, int alignment,
                 context::SDrawFont* font)
        : STextObject(rect, offset, background, foreground, text, textOffset, textColour,
                      alignment),
          font(font) {}

    // Selects the font (not owned) first.
    void Draw(context::SDrawing* drawing) override;

    context::SDrawFont* font;
};

// A framed (foreground colour) or filled (background colour) rectangle.
class SDrawRect : public SDrawObject {
public:
    SDrawRect(const Rect& rect, const Point& offset, int background, int foreground, bool filled)
        : SDrawObject(rect, offset, background, foreground), filled(filled) {}

    void Draw(context::SDrawing* drawing) override;

    bool filled;
};

} // namespace velk::gui
