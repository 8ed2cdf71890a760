// The drawing context every control owns: an X graphics context on the control's
// window (or an off-screen device), the control's colour scheme, the selected brush
// and font, and the primitives widgets draw with. Pens, brushes and fonts come from
// the shared caches; the context never owns them.
#pragma once

#include <X11/Xlib.h>

#include "GUI/device.h"
#include "GUI/drawtools.h"
#include "GUI/font.h"
#include "GUI/object.h"
#include "data/datastring.h"
#include "system/mutex.h"

class SGlobals;

namespace velk::gui {
class SControl;
}

namespace velk::gui::context {

class SDrawRegion;
class SDrawPath;

// Alignment bits of labels; no bit on an axis centres on it.
enum SAlign { ALIGN_LEFT = 1, ALIGN_TOP = 2, ALIGN_RIGHT = 4, ALIGN_BOTTOM = 8 };

using Text = velk::data::datastring<32, char>;

class SDrawing {
public:
    SDrawing(SControl* control, SGlobals* globals);
    virtual ~SDrawing();
    SDrawing(const SDrawing&) = delete;
    SDrawing& operator=(const SDrawing&) = delete;

    virtual SDrawDevice* GetDevice() { return device; }
    // The caller keeps ownership of d and restores the window device before this
    // context goes.
    virtual void SetDevice(SDrawDevice* d) { device = d; }
    virtual void InitDrawing(SControl* control, SDrawing* drawing);
    virtual void CleanDrawing();

    virtual void SetColours(int bgNormal, int bgActive, int parentBg, int fgNormal, int fgActive,
                            int textNormal, int textActive);
    virtual void SetBackgroundColour(bool active);
    virtual void SetBackgroundColour(int pixel) { background = pixel; }
    virtual void SetBackground(int pixel, bool active);
    virtual void SetBackgroundMode(bool) {}
    virtual int GetBackgroundColour() { return background; }
    virtual int GetParentBackgroundColour() { return parentBackground; }
    virtual void SetForegroundColour(bool active);
    virtual int GetForegroundColour() { return foreground; }
    virtual int GetFrameColour(bool enabled, bool highlighted);
    virtual void SetFrameColour(int enabled, int highlighted, int disabled);
    virtual void SetFillMode(int mode);
    virtual int GetFillMode() { return fillMode; }
    virtual void SetFillStyle(int style);
    virtual int GetFillStyle() { return fillStyle; }
    virtual void SetLogic(int code);
    virtual void DrawBackground(const Rect& r, bool parent);

    virtual void DrawPoint(int x, int y);
    virtual void DrawPoint(const Point& p) { DrawPoint(p.x, p.y); }
    virtual void DrawLine(int x1, int y1, int x2, int y2);
    virtual void DrawLine(const Point& a, const Point& b) { DrawLine(a.x, a.y, b.x, b.y); }
    virtual void DrawRect(int l, int t, int r, int b);
    virtual void DrawRect(const Point& a, const Point& b) { DrawRect(a.x, a.y, b.x, b.y); }
    virtual void DrawRect(const Rect& r) { DrawRect(r.left, r.top, r.right, r.bottom); }
    virtual void DrawRoundedRect(int l, int t, int r, int b, int ew, int eh);
    virtual void DrawRoundedRect(const Point& a, const Point& b, int ew, int eh) {
        DrawRoundedRect(a.x, a.y, b.x, b.y, ew, eh);
    }
    virtual void DrawRoundedRect(const Rect& r, int ew, int eh) {
        DrawRoundedRect(r.left, r.top, r.right, r.bottom, ew, eh);
    }
    virtual void DrawText(const char* text, int x, int y);
    virtual void DrawText(const char* text, const Point& p) { DrawText(text, p.x, p.y); }
    virtual void DrawText(Text& text, int x, int y) { DrawText(text.Text(), x, y); }
    virtual void DrawText(Text& text, const Point& p) { DrawText(text.Text(), p.x, p.y); }
    virtual void DrawLabel(const char* text, Rect r, int align, const Point& offset);
    virtual void DrawLabel(const Text& text, Rect r, int align, const Point& offset) {
        DrawLabel(text.Text(), r, align, offset);
    }
    virtual void DrawLabelRect(const char* text, const Rect& r, int pixel, const Point& offset);
    virtual void DrawLabelRect(const Text& text, const Rect& r, int pixel, const Point& offset) {
        DrawLabelRect(text.Text(), r, pixel, offset);
    }
    virtual void DrawRotatedText(const char* text, Rect r, int angle, int align,
                                 const Point& offset);
    virtual void DrawRotatedText(const Text& text, Rect r, int angle, int align,
                                 const Point& offset) {
        DrawRotatedText(text.Text(), r, angle, align, offset);
    }
    virtual void DrawVerticalLabel(const char* text, Rect r, int align, int n, const Point& offset,
                                   bool b1, bool b2, const char* extra);
    virtual void DrawVerticalLabel(const Text& text, Rect r, int align, int n, const Point& offset,
                                   bool b1, bool b2, const char* extra) {
        DrawVerticalLabel(text.Text(), r, align, n, offset, b1, b2, extra);
    }
    virtual void DrawPixelNumber(int x, int y, int digit);
    virtual void DrawPixelNumber(Point& p, int digit) { DrawPixelNumber(p.x, p.y, digit); }
    virtual void DrawVerticalPixelNumber(int, int, int, bool) {}
    virtual void DrawVerticalPixelNumber(Point&, int, bool) {}
    virtual void DrawPixelLabel(const char*, Rect, int, const Point&) {}
    virtual void DrawVerticalPixelLabel(const char*, Rect, int, const Point&) {}
    virtual void DrawEllipse(int l, int t, int r, int b);
    virtual void DrawChord(int l, int t, int r, int b, int start, int extent);
    virtual void DrawPie(int l, int t, int r, int b, int start, int extent);
    virtual void DrawArc(int, int, int, int, int, int) {}
    virtual void DrawBezier(int, int, int, int, int, int, int, int) {}
    virtual void DrawPoly(Point* points, int n);
    virtual void FillRect(int l, int t, int r, int b);
    virtual void FillRect(const Point& a, const Point& b) { FillRect(a.x, a.y, b.x, b.y); }
    virtual void FillRect(const Rect& r) { FillRect(r.left, r.top, r.right, r.bottom); }
    virtual void FillRoundedRect(int l, int t, int r, int b, int ew, int eh);
    virtual void FillRoundedRect(const Point& a, const Point& b, int ew, int eh) {
        FillRoundedRect(a.x, a.y, b.x, b.y, ew, eh);
    }
    virtual void FillRoundedRect(const Rect& r, int ew, int eh) {
        FillRoundedRect(r.left, r.top, r.right, r.bottom, ew, eh);
    }
    virtual void FillEllipse(int l, int t, int r, int b);
    virtual void FillChord(int l, int t, int r, int b, int start, int extent);
    virtual void FillPie(int l, int t, int r, int b, int start, int extent);
    virtual void FillPoly(Point* points, int n);
    virtual void PathStart() {}
    virtual void PathStroke(SDrawPath*) {}
    virtual void PathFill(SDrawPath*) {}
    virtual void PathStrokeFill(SDrawPath*) {}
    virtual void PathEnd() {}
    virtual void DrawBitmap(SDrawBitmap*, int, int, int, int, bool, SDrawBitmapMask*) {}
    virtual void DrawBitmap(SDrawBitmap*, const Rect&, bool, SDrawBitmapMask*) {}
    // Copies the source rectangle (sx1, sy1)-(sx2, sy2) of an off-screen device to
    // (dx, dy); the extra arguments of the other forms are ignored.
    virtual void DrawMemory(SDrawDevice* source, int dx, int dy, int sx1, int sy1, int sx2,
                            int sy2);
    virtual void DrawMemory(SDrawDevice* source, const Point& d, const Rect& s) {
        DrawMemory(source, d.x, d.y, s.left, s.top, s.right, s.bottom);
    }
    virtual void DrawMemory(SDrawDevice* source, int dx, int dy, int sx1, int sy1, int sx2, int sy2,
                            unsigned char) {
        DrawMemory(source, dx, dy, sx1, sy1, sx2, sy2);
    }
    virtual void DrawMemory(SDrawDevice* source, const Point& d, const Rect& s, unsigned char) {
        DrawMemory(source, d, s);
    }
    virtual void DrawMemory(SDrawDevice* source, int dx, int dy, int sx1, int sy1, int sx2, int sy2,
                            int, SDrawBitmapMask*) {
        DrawMemory(source, dx, dy, sx1, sy1, sx2, sy2);
    }
    virtual void DrawMemory(SDrawDevice* source, const Point& d, const Rect& s, int,
                            SDrawBitmapMask*) {
        DrawMemory(source, d, s);
    }
    virtual void DrawImage(SDrawImage* image, const Rect& dest, const Rect& src);

    // Line attributes and colour of the pen; a null pen is ignored.
    void SetPen(SDrawPen* pen);
    // Remembers the brush and paints with its colour; null only clears it.
    void SetBrush(SDrawBrush* brush);
    // Remembers the font and selects it; null only clears it.
    void SetFont(SDrawFont* font);
    void SetTextColour(int pixel, bool active);
    int GetTextColour(bool active) const { return active ? textActive : textNormal; }
    // The GC foreground, for callers that draw with a plain colour.
    void SetColour(int pixel);
    // Width of the text and ascent + descent of the font; 0 for empty text or no font.
    void GetTextDimensions(const char* text, int* width, int* height, SDrawFont* font) const;

    SDrawFont* GetFont() const { return font; }
    SDrawBrush* GetBrush() const { return brush; }
    int GetLogic() const { return logic; }
    velk::threading::SMutexID& Mutex() { return mutex; }

protected:
    // Constructs without device and colours (another back end).
    SDrawing(SGlobals* globals, SControl* control);

private:
    // The display, drawable and GC to draw with, or false when any is missing.
    bool Target(Display*& display, Drawable& drawable, GC& gc);
    void Arc(int l, int t, int r, int b, int start, int extent, int mode, bool fill);
    void StippleText(Display* display, Drawable drawable, GC gc, Pixmap stipple, int width,
                     int height, Rect r, int align, const Point& offset);

    SDrawDevice* device = nullptr;
    SControl* control;
    SGlobals* globals;
    SDrawFont* font = nullptr;
    SDrawBrush* brush = nullptr;
    velk::threading::SMutexID mutex;
    int background = 0;
    int parentBackground = 0;
    int backgroundActive = 0;
    int backgroundNormal = 0;
    int foreground = 0;
    int foregroundActive = 0;
    int foregroundNormal = 0;
    int textNormal = 0;
    int textActive = 0;
    int frameEnabled = 0;
    int frameDisabled = 0;
    int frameHighlighted = 0;
    int fillMode = 0;
    int previousFillMode = 0;
    int fillStyle = 0;
    int logic = 15;
};

// A placeholder for another rendering back end: no device, no colours.
class SDrawingAGG : public SDrawing {
public:
    SDrawingAGG(int, SGlobals* globals, SDrawing*) : SDrawing(globals, nullptr) {}
    ~SDrawingAGG() override = default;
};

} // namespace velk::gui::context
