// Repaint requests, the default drawing and the colours a control paints with.
#include <X11/Xlib.h>

#include "GUI/colour.h"
#include "GUI/control.h"
#include "GUI/regions.h"
#include "GUI/staticdata.h"

namespace velk::gui {

// Repaints travel through the server and are drawn later by the dispatcher inside
// the display lock. Each request builds its own event: they may come from timer threads.
void SControl::Refresh() {
    if (!display || !window || !IsMapped()) return;
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.display = display;
    expose.xexpose.window = window;
    expose.xexpose.width = Width();
    expose.xexpose.height = Height();
    XSendEvent(display, window, False, ExposureMask, &expose);
    XFlush(display);
}

void SControl::RefreshRectangle(const Rect& r) {
    if (!display || !window || !IsMapped()) return;
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.display = display;
    expose.xexpose.window = window;
    expose.xexpose.x = r.left;
    expose.xexpose.y = r.top;
    expose.xexpose.width = r.Width();
    expose.xexpose.height = r.Height();
    XSendEvent(display, window, False, ExposureMask, &expose);
}

void SControl::SendPaintMessage(const char* type, long l0, long l1, long l3, long l4) {
    if (!display || !window || !IsMapped()) return;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.display = display;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, type, False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = l0;
    message.xclient.data.l[1] = l1;
    message.xclient.data.l[3] = l3;
    message.xclient.data.l[4] = l4;
    XSendEvent(display, window, False, 0, &message);
}

void SControl::RefreshOutlines() {
    SendPaintMessage("WM_PAINT_OUTLINES", 0, 0, Width(), Height());
}

void SControl::RefreshRegion(SDrawRegion* region) {
    if (!display || !window || !IsMapped()) return;
    regions::Add(window, region);
    SendPaintMessage("WM_PAINT_REGION", 0, reinterpret_cast<long>(region), 0, 0);
}

void SControl::RefreshArea(unsigned area) {
    SendPaintMessage("WM_PAINT_AREA", 0, static_cast<long>(area), 0, 0);
}

void SControl::Draw(const Rect& r) {
    if (!drawing) return;
    drawing->DrawBackground(r, false);
    if ((style & STYLE_MARKER) && statdata) {
        const int black = statdata->Colour(COLOUR_BLACK);
        const int blue = statdata->Colour(COLOUR_BLUE);
        drawing->SetPen(statdata->FindPen(black));
        drawing->SetBrush(statdata->FindBrush(black));
        drawing->FillRect(r.left, r.top, r.right, r.top + 10);
        drawing->FillRect(r.left, r.top, r.left + 10, r.bottom);
        drawing->FillRect(r.right - 10, r.top, r.right, r.bottom);
        drawing->FillRect(r.left, r.bottom - 10, r.right, r.bottom);
        drawing->SetPen(statdata->FindPen(blue));
        drawing->DrawRect(r);
        drawing->SetBrush(statdata->FindBrush(blue));
        drawing->FillRect(r.left + 1, r.top + 1, r.left + 10, r.top + 10);
    }
    DrawOutlines(r);
}

void SControl::DrawOutlines(const Rect& r) {
    if (!(style & STYLE_FRAME) || !drawing || !statdata) return;
    drawing->SetPen(statdata->FindPen(drawing->GetFrameColour(Enabled(), false)));
    drawing->DrawRect(r);
}

void SControl::DrawBorder(const Rect& r) {
    if (!(style & STYLE_BORDER) || !drawing || !statdata) return;
    const int black = statdata->Colour(COLOUR_BLACK);
    drawing->SetPen(statdata->FindPen(black));
    drawing->SetBrush(statdata->FindBrush(black));
    drawing->FillRect(r);
}

void SControl::SetDrawingMode(bool active) {
    if (!drawing) return;
    drawing->SetBackgroundColour(active);
    drawing->SetForegroundColour(active);
}

void SControl::SetBackgroundMode(bool mode) {
    if (drawing) drawing->SetBackgroundMode(mode);
}

void SControl::SetBackground(int pixel, bool active) {
    if (drawing) drawing->SetBackground(pixel, active);
}

void SControl::SetBackgroundColour(bool active) {
    if (drawing) drawing->SetBackgroundColour(active);
}

void SControl::SetBackgroundColour(int pixel) {
    if (drawing) drawing->SetBackgroundColour(pixel);
}

int SControl::GetBackgroundColour() {
    return drawing ? drawing->GetBackgroundColour() : 0;
}

int SControl::GetForegroundColour() {
    return drawing ? drawing->GetForegroundColour() : 0;
}

void SControl::SetColours(int bgNormal, int bgActive, int parentBg, int fgNormal, int fgActive,
                          int textNormal, int textActive) {
    if (drawing)
        drawing->SetColours(bgNormal, bgActive, parentBg, fgNormal, fgActive, textNormal,
                            textActive);
}

void SControl::SetTextColour(int pixel) {
    if (drawing) drawing->SetTextColour(pixel, false);
}

int SControl::GetFrameColour(bool enabled, bool highlighted) {
    return drawing ? drawing->GetFrameColour(enabled, highlighted) : 0;
}

void SControl::SetFrameColour(int enabled, int highlighted, int disabled) {
    if (drawing) drawing->SetFrameColour(enabled, highlighted, disabled);
}

} // namespace velk::gui
