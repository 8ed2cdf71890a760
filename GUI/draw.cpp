#include "GUI/draw.h"

#include <X11/Xmu/Drawing.h>

#include <vector>

#include "GUI/colour.h"
#include "GUI/control.h"
#include "GUI/staticdata.h"

namespace velk::gui::context {

namespace {

// X's graphics functions for the logic codes 0..14; anything else copies.
const int kLogicFunction[15] = {GXclear, GXxor,          GXinvert,      GXorReverse, GXandReverse,
                                GXand,   GXor,           GXandInverted, GXnoop,      GXnor,
                                GXequiv, GXcopyInverted, GXorInverted,  GXnand,      GXset};

std::vector<XPoint> ToXPoints(const Point* points, int n) {
    std::vector<XPoint> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out[static_cast<size_t>(i)] = S2POINT(points[i]);
    return out;
}

} // namespace

SDrawing::SDrawing(SControl* control, SGlobals* globals) : control(control), globals(globals) {
    device = new SDrawDevice(control ? control->GetWindow() : 0);
    const int black = SCOL(0, 0, 0);
    const int white = SCOL(255, 255, 255);
    background = parentBackground = backgroundActive = backgroundNormal = black;
    frameEnabled = frameHighlighted = black;
    foreground = foregroundActive = foregroundNormal = textNormal = textActive = white;
    frameDisabled = SCOL(138, 145, 150);
}

SDrawing::SDrawing(SGlobals* globals, SControl* control) : control(control), globals(globals) {}

SDrawing::~SDrawing() {
    delete device;
    device = nullptr;
    if (mutex.IsHeld()) mutex.Unlock();
}

void SDrawing::InitDrawing(SControl* newControl, SDrawing* drawing) {
    SControl* owner = drawing ? drawing->control : newControl;
    delete device;
    device = new SDrawDevice(owner ? owner->GetWindow() : 0);
}

void SDrawing::CleanDrawing() {
    delete device;
    device = nullptr;
}

bool SDrawing::Target(Display*& display, Drawable& drawable, GC& gc) {
    if (!device) return false;
    display = device->GetDisplay();
    drawable = device->GetDrawable();
    gc = device->Get();
    return display && drawable && gc;
}

void SDrawing::SetColours(int bgNormal, int bgActive, int parentBg, int fgNormal, int fgActive,
                          int newTextNormal, int newTextActive) {
    backgroundNormal = bgNormal;
    backgroundActive = bgActive;
    parentBackground = parentBg;
    foregroundNormal = fgNormal;
    foregroundActive = fgActive;
    textNormal = newTextNormal;
    textActive = newTextActive;
    background = bgNormal;
    foreground = fgNormal;
    frameEnabled = frameHighlighted = bgNormal;
    frameDisabled = SCOL(138, 145, 150);
}

void SDrawing::SetBackgroundColour(bool active) {
    background = active ? backgroundActive : backgroundNormal;
}

void SDrawing::SetBackground(int pixel, bool active) {
    (active ? backgroundActive : backgroundNormal) = pixel;
    SetBackgroundColour(active);
}

void SDrawing::SetForegroundColour(bool active) {
    foreground = active ? foregroundActive : foregroundNormal;
    SetColour(foreground);
}

int SDrawing::GetFrameColour(bool enabled, bool highlighted) {
    if (!enabled) return frameDisabled;
    return highlighted ? frameHighlighted : frameEnabled;
}

void SDrawing::SetFrameColour(int enabled, int highlighted, int disabled) {
    frameEnabled = enabled;
    frameHighlighted = highlighted;
    frameDisabled = disabled;
}

void SDrawing::SetColour(int pixel) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (Target(display, drawable, gc))
        XSetForeground(display, gc, static_cast<unsigned long>(pixel));
}

void SDrawing::SetTextColour(int pixel, bool active) {
    (active ? textActive : textNormal) = pixel;
    SetColour(pixel);
}

void SDrawing::SetPen(SDrawPen* pen) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!pen || !Target(display, drawable, gc)) return;
    XSetLineAttributes(display, gc, static_cast<unsigned>(pen->width),
                       pen->dashed ? LineOnOffDash : LineSolid, CapNotLast, JoinRound);
    XSetForeground(display, gc, static_cast<unsigned long>(pen->colour));
}

void SDrawing::SetBrush(SDrawBrush* newBrush) {
    brush = newBrush;
    if (brush) SetColour(brush->PaintColour());
}

void SDrawing::SetFont(SDrawFont* newFont) {
    font = newFont;
    Display* display;
    Drawable drawable;
    GC gc;
    if (font && font->Id() && Target(display, drawable, gc)) XSetFont(display, gc, font->Id());
}

void SDrawing::SetFillMode(int mode) {
    previousFillMode = fillMode;
    Display* display;
    Drawable drawable;
    GC gc;
    if (Target(display, drawable, gc)) XSetFillRule(display, gc, mode);
    fillMode = mode;
}

void SDrawing::SetFillStyle(int style) {
    fillStyle = style;
    Display* display;
    Drawable drawable;
    GC gc;
    if (Target(display, drawable, gc)) XSetFillStyle(display, gc, style);
}

void SDrawing::SetLogic(int code) {
    logic = code;
    Display* display;
    Drawable drawable;
    GC gc;
    const int function = code >= 0 && code < 15 ? kLogicFunction[code] : GXcopy;
    if (Target(display, drawable, gc)) XSetFunction(display, gc, function);
}

void SDrawing::DrawBackground(const Rect& r, bool parent) {
    const int colour = parent ? parentBackground : background;
    if (!globals || !statdata) return;
    SetPen(statdata->FindPen(colour));
    brush = statdata->FindBrush(colour);
    SetColour(colour);
    FillRect(r);
}

void SDrawing::DrawPoint(int x, int y) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (Target(display, drawable, gc)) XDrawPoint(display, drawable, gc, x, y);
}

void SDrawing::DrawLine(int x1, int y1, int x2, int y2) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc)) return;
    // CapNotLast leaves the end point out; both ends belong to the line.
    XDrawLine(display, drawable, gc, x1, y1, x2, y2);
    XDrawPoint(display, drawable, gc, x2, y2);
}

void SDrawing::DrawRect(int l, int t, int r, int b) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc) || r - l < 1 || b - t < 1) return;
    XDrawRectangle(display, drawable, gc, l, t, static_cast<unsigned>(r - l - 1),
                   static_cast<unsigned>(b - t - 1));
}

void SDrawing::FillRect(int l, int t, int r, int b) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc) || r <= l || b <= t) return;
    XFillRectangle(display, drawable, gc, l, t, static_cast<unsigned>(r - l),
                   static_cast<unsigned>(b - t));
}

void SDrawing::DrawRoundedRect(int l, int t, int r, int b, int ew, int eh) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc) || r - l < 1 || b - t < 1) return;
    XmuDrawRoundedRectangle(display, drawable, gc, l, t, r - l - 1, b - t - 1, ew, eh);
}

void SDrawing::FillRoundedRect(int l, int t, int r, int b, int ew, int eh) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc) || r <= l || b <= t) return;
    XmuFillRoundedRectangle(display, drawable, gc, l, t, r - l, b - t, ew, eh);
}

void SDrawing::Arc(int l, int t, int r, int b, int start, int extent, int mode, bool fill) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc) || r < l || b < t) return;
    XSetArcMode(display, gc, mode);
    const unsigned w = static_cast<unsigned>(r - l);
    const unsigned h = static_cast<unsigned>(b - t);
    if (fill)
        XFillArc(display, drawable, gc, l, t, w, h, start * 64, extent * 64);
    else
        XDrawArc(display, drawable, gc, l, t, w, h, start * 64, extent * 64);
}

void SDrawing::DrawEllipse(int l, int t, int r, int b) {
    Arc(l, t, r, b, 0, 360, ArcPieSlice, false);
}

void SDrawing::FillEllipse(int l, int t, int r, int b) {
    Arc(l, t, r, b, 0, 360, ArcPieSlice, true);
}

void SDrawing::DrawPie(int l, int t, int r, int b, int start, int extent) {
    Arc(l, t, r, b, start, extent, ArcPieSlice, false);
}

void SDrawing::FillPie(int l, int t, int r, int b, int start, int extent) {
    Arc(l, t, r, b, start, extent, ArcPieSlice, true);
}

void SDrawing::DrawChord(int l, int t, int r, int b, int start, int extent) {
    Arc(l, t, r, b, start, extent, ArcChord, false);
}

void SDrawing::FillChord(int l, int t, int r, int b, int start, int extent) {
    Arc(l, t, r, b, start, extent, ArcChord, true);
}

void SDrawing::DrawPoly(Point* points, int n) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!points || n <= 1 || !Target(display, drawable, gc)) return;
    std::vector<XPoint> xpoints = ToXPoints(points, n);
    XDrawLines(display, drawable, gc, xpoints.data(), n, CoordModeOrigin);
}

void SDrawing::FillPoly(Point* points, int n) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!points || n <= 1 || !Target(display, drawable, gc)) return;
    std::vector<XPoint> xpoints = ToXPoints(points, n);
    XFillPolygon(display, drawable, gc, xpoints.data(), n, Complex, CoordModeOrigin);
}

void SDrawing::DrawMemory(SDrawDevice* source, int dx, int dy, int sx1, int sy1, int sx2, int sy2) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!source || !Target(display, drawable, gc)) return;
    const Drawable from = source->GetDrawable();
    GC sourceGc = source->Get();
    if (!from || !sourceGc || sx2 <= sx1 || sy2 <= sy1) return;
    XCopyArea(display, from, drawable, sourceGc, sx1, sy1, static_cast<unsigned>(sx2 - sx1),
              static_cast<unsigned>(sy2 - sy1), dx, dy);
}

void SDrawing::DrawImage(SDrawImage* image, const Rect& dest, const Rect& src) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!image || !image->Image() || !Target(display, drawable, gc)) return;
    if (dest.Width() <= 0 || dest.Height() <= 0) return;
    XPutImage(display, drawable, gc, image->Image(), src.left, src.top, dest.left, dest.top,
              static_cast<unsigned>(dest.Width()), static_cast<unsigned>(dest.Height()));
}

} // namespace velk::gui::context
