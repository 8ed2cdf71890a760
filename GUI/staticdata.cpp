#include "GUI/staticdata.h"

#include "GUI/world.h"

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

int SStaticData::Colour(int slot) const {
    if (slot < 0 || slot >= kCapacity) return 0;
    if (const int* palette = Palette(XDisplay())) return palette[slot];
    return slot < count ? colours[slot] : 0;
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
    Display* display = XDisplay();
    for (SDrawFont* font : fonts)
        if (font && font->Connection() == display && font->Size() == size && font->Bold() == bold &&
            font->Italic() == italic)
            return font;
    SDrawFont* font = new SDrawFont(size, bold, italic, false, nullptr);
    fonts.Add(font);
    return font;
}

void SStaticData::ReleaseFonts(Display* display) {
    fonts.DeleteWhere([display](const SDrawFont* font) { return font->Connection() == display; });
}

} // namespace velk::gui::context
