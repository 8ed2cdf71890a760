#include "GUI/drawobject.h"

#include "GUI/staticdata.h"

namespace velk::gui {

void SDrawObject::Draw(context::SDrawing* drawing) {
    if (!drawing) return;
    const int saved = drawing->GetBackgroundColour();
    Rect r = rect;
    r.Offset(offset);
    drawing->SetBackgroundColour(background);
    drawing->DrawBackground(r, false);
    drawing->SetBackgroundColour(saved);
}

STextObject::STextObject(const Rect& rect, const Point& offset, int background, int foreground,
                         const char* newText, const Point& textOffset, int textColour,
                         int alignment)
    : SDrawObject(rect, offset, background, foreground), textOffset(textOffset),
      textColour(textColour), alignment(alignment) {
    text.Append(newText);
}

void STextObject::Draw(context::SDrawing* drawing) {
    if (!drawing) return;
    SDrawObject::Draw(drawing);
    Rect r = rect;
    r.Offset(offset);
    r.Offset(textOffset);
    drawing->SetTextColour(textColour, false);
    drawing->DrawLabel(text, r, alignment, Point(0, 0));
}

void STextObjectX::Draw(context::SDrawing* drawing) {
    if (!drawing) return;
    drawing->SetFont(font);
    STextObject::Draw(drawing);
}

void SDrawRect::Draw(context::SDrawing* drawing) {
    if (!drawing || !statdata) return;
    Rect r = rect;
    r.Offset(offset);
    if (filled) {
        SDrawObject::Draw(drawing);
        return;
    }
    drawing->SetPen(statdata->FindPen(foreground));
    drawing->DrawRect(r);
}

} // namespace velk::gui
