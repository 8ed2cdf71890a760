#include "GUI/staticdata.h"

#include "GUI/xdisplay.h"

velk::gui::context::SStaticData* statdata = nullptr;

namespace velk::gui::context {

SStaticData::~SStaticData() {
    fonts.DeleteAll();
    brushes.DeleteAll();
    pens.DeleteAll();
}

void SStaticData::AddColours() {
    if (coloursAdded || !XDisplay()) return;
    for (const SRGB& c : kPalette) AddColour(SCOL(c.r, c.g, c.b));
    coloursAdded = true;
}

void SStaticData::AddColour(int pixel) {
    if (count >= kCapacity) return;
    colours[position++] = pixel;
    ++count;
}

SDrawPen* SStaticData::FindPen(int colour) {
    for (SDrawPen* pen : pens)
        if (pen && pen->colour == colour) return pen;
    SDrawPen* pen = new SDrawPen(colour, 1, false);
    pens.Add(pen);
    return pen;
}

SDrawBrush* SStaticData::FindBrush(int colour) {
    for (SDrawBrush* brush : brushes)
        if (brush && brush->PaintColour() == colour) return brush;
    SDrawBrush* brush = new SDrawBrush(colour, -1, nullptr);
    brushes.Add(brush);
    return brush;
}

SDrawFont* SStaticData::FindFont(int size, bool bold, bool italic) {
    for (SDrawFont* font : fonts)
        if (font && font->Size() == size && font->Bold() == bold && font->Italic() == italic)
            return font;
    SDrawFont* font = new SDrawFont(size, bold, italic, false, nullptr);
    fonts.Add(font);
    return font;
}

} // namespace velk::gui::context
