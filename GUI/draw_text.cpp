// Text of the drawing context: plain and aligned labels, text turned through a
// 1-bit stipple, and seven-segment pixel digits.
#include <X11/Xutil.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "GUI/draw.h"

namespace velk::gui::context {

namespace {

// A 1-bit image the text is drawn into and read back from, or turned into.
class SBitImage {
public:
    SBitImage(Display* display, int width, int height)
        : width(width), height(height), bytesPerLine((width + 7) / 8),
          bits(static_cast<size_t>(bytesPerLine) * static_cast<size_t>(height), 0) {
        (void)display;
    }
    bool Get(int x, int y) const {
        return bits[static_cast<size_t>(y * bytesPerLine + (x >> 3))] & (0x80 >> (x & 7));
    }
    void Set(int x, int y) {
        bits[static_cast<size_t>(y * bytesPerLine + (x >> 3))] |=
            static_cast<unsigned char>(0x80 >> (x & 7));
    }

    const int width;
    const int height;
    const int bytesPerLine;
    std::vector<unsigned char> bits;
};

// Draws text into a cleared 1-bit pixmap and reads it back, most significant bit first.
SBitImage RenderText(Display* display, Drawable drawable, Font font, int ascent, const char* text,
                     int width, int height, int clearWidth, int clearHeight) {
    SBitImage out(display, width, height);
    Pixmap pixmap = XCreatePixmap(display, drawable, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 1);
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XSetForeground(display, gc, 0);
    XFillRectangle(display, pixmap, gc, 0, 0, static_cast<unsigned>(clearWidth),
                   static_cast<unsigned>(clearHeight));
    XSetForeground(display, gc, 1);
    XSetFont(display, gc, font);
    XDrawString(display, pixmap, gc, 0, ascent, text, static_cast<int>(strlen(text)));
    XImage* image = XGetImage(display, pixmap, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), 1, XYPixmap);
    if (image) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (XGetPixel(image, x, y)) out.Set(x, y);
        XDestroyImage(image);
    }
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
    return out;
}

// Puts a 1-bit image into a new depth-1 pixmap.
Pixmap ToPixmap(Display* display, Drawable drawable, SBitImage& bits) {
    Pixmap pixmap = XCreatePixmap(display, drawable, static_cast<unsigned>(bits.width),
                                  static_cast<unsigned>(bits.height), 1);
    XImage* image =
        XCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 1, XYBitmap, 0,
                     reinterpret_cast<char*>(bits.bits.data()), static_cast<unsigned>(bits.width),
                     static_cast<unsigned>(bits.height), 8, bits.bytesPerLine);
    if (image) {
        image->byte_order = MSBFirst;
        image->bitmap_bit_order = MSBFirst;
        GC gc = XCreateGC(display, pixmap, 0, nullptr);
        XSetForeground(display, gc, 1);
        XSetBackground(display, gc, 0);
        XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(bits.width),
                  static_cast<unsigned>(bits.height));
        XFreeGC(display, gc);
        image->data = nullptr; // the bits belong to the vector
        XDestroyImage(image);
    }
    return pixmap;
}

int RoundToInt(double v) {
    return static_cast<int>(std::lround(v));
}

// Intersects [lo, hi] with the x for which a + x * k lies in [-1, limit] (with a pixel
// of margin, so the span only saves work and never drops a hit).
bool Clip(double a, double k, double limit, double& lo, double& hi) {
    if (std::fabs(k) < 1e-9) return a >= -1.0 && a <= limit;
    double x1 = (-1.0 - a) / k;
    double x2 = (limit - a) / k;
    if (x1 > x2) std::swap(x1, x2);
    if (x1 > lo) lo = x1;
    if (x2 < hi) hi = x2;
    return lo <= hi;
}

} // namespace

void SDrawing::GetTextDimensions(const char* text, int* width, int* height,
                                 SDrawFont* textFont) const {
    int w = 0;
    int h = 0;
    if (text && *text && textFont && textFont->Info()) {
        int direction, ascent, descent;
        XCharStruct overall{};
        XTextExtents(textFont->Info(), text, static_cast<int>(strlen(text)), &direction, &ascent,
                     &descent, &overall);
        w = overall.width;
        h = textFont->Info()->ascent + textFont->Info()->descent;
    }
    if (width) *width = w;
    if (height) *height = h;
}

void SDrawing::DrawText(const char* text, int x, int y) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!text || !*text || !font || !font->Info() || !Target(display, drawable, gc)) return;
    XDrawString(display, drawable, gc, x, y + font->Ascent(), text, static_cast<int>(strlen(text)));
}

void SDrawing::DrawLabel(const char* text, Rect r, int align, const Point& offset) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!text || !*text || !font || !font->Info() || !Target(display, drawable, gc)) return;
    r.Offset(offset);
    const int length = static_cast<int>(strlen(text));
    int baseline;
    if (align & ALIGN_TOP)
        baseline = r.top + font->Ascent();
    else if (align & ALIGN_BOTTOM)
        baseline = r.bottom - font->Descent();
    else
        baseline = r.top + (font->Ascent() >> 1) + ((r.bottom - r.top) >> 1) - 1;
    const int width = XTextWidth(font->Info(), text, length);
    int x;
    if (align & ALIGN_LEFT)
        x = r.left;
    else if (align & ALIGN_RIGHT)
        x = r.right - width;
    else
        x = r.left + ((r.right - r.left) >> 1) - (width >> 1);
    XDrawString(display, drawable, gc, x, baseline, text, length);
}

void SDrawing::DrawLabelRect(const char* text, const Rect& r, int pixel, const Point& offset) {
    SetColour(pixel);
    FillRect(r);
    DrawLabel(text, r, 0, offset);
}

// Fills the text's stipple in the device GC's colour and function, placed in r.
void SDrawing::StippleText(Display* display, Drawable drawable, GC gc, Pixmap stipple, int width,
                           int height, Rect r, int align, const Point& offset) {
    GC temporary = XCreateGC(display, drawable, 0, nullptr);
    XCopyGC(display, gc, GCFunction | GCPlaneMask | GCForeground | GCBackground, temporary);
    XSetFillStyle(display, temporary, FillStippled);
    XSetStipple(display, temporary, stipple);
    r.Offset(offset);
    int x, y;
    if (align & ALIGN_LEFT)
        x = r.left;
    else if (align & ALIGN_RIGHT)
        x = r.right - width;
    else
        x = r.left + ((r.right - r.left - width) >> 1);
    if (align & ALIGN_TOP)
        y = r.top;
    else if (align & ALIGN_BOTTOM)
        y = r.bottom - height;
    else
        y = r.top + ((r.bottom - r.top - height) >> 1);
    XSetTSOrigin(display, temporary, x, y);
    XFillRectangle(display, drawable, temporary, x, y, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
    XFreeGC(display, temporary);
}

void SDrawing::DrawRotatedText(const char* text, Rect r, int angle, int align,
                               const Point& offset) {
    if (!text || !*text || !font || !font->Info()) return;
    while (angle > 359) angle -= 360;
    while (angle < -359) angle += 360;
    if (angle == 0) {
        DrawLabel(text, r, align, offset);
        return;
    }
    Display* display;
    Drawable drawable;
    GC gc;
    if (!Target(display, drawable, gc)) return;
    r.Inflate(1);
    const int length = static_cast<int>(strlen(text));
    int direction, ascent, descent;
    XCharStruct overall{};
    XTextExtents(font->Info(), text, length, &direction, &ascent, &descent, &overall);
    const int w = overall.width;
    const int a = font->Ascent();
    const int d = font->Descent();
    const int sw = w + 2;
    const int sh = a + d + 2;
    const SBitImage source =
        RenderText(display, drawable, font->Id(), a, text, sw, sh, w + 3, a + d + 3);

    const double theta = angle * 0.017453292;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    int W = RoundToInt(std::fabs(sh * s) + std::fabs(sw * c) + 2.99999);
    int H = RoundToInt(std::fabs(sh * c) + std::fabs(sw * s) + 2.99999);
    if ((W & 1) == 0) ++W;
    if ((H & 1) == 0) ++H;
    SBitImage destination(display, W, H);
    for (int dy = 0; dy < H; ++dy) {
        const double y = dy + 0.5 - H / 2.0;
        // Source column = sw/2 - y s + x c, row = sh/2 + y c + x s.
        double lo = -W, hi = W;
        if (!Clip(sw / 2.0 - y * s, c, sw, lo, hi) || !Clip(sh / 2.0 + y * c, s, sh, lo, hi))
            continue;
        const int first = std::max(0, static_cast<int>(std::floor(lo + W / 2.0 - 0.5)) - 1);
        const int last = std::min(W - 1, static_cast<int>(std::ceil(hi + W / 2.0 - 0.5)) + 1);
        for (int dx = first; dx <= last; ++dx) {
            const double x = dx + 0.5 - W / 2.0;
            const int column = RoundToInt(sw / 2.0 + x * c - y * s);
            const int row = RoundToInt(sh / 2.0 + y * c + x * s);
            if (column >= 0 && column < sw && row >= 0 && row < sh && source.Get(column, row))
                destination.Set(dx, dy);
        }
    }
    Pixmap stipple = ToPixmap(display, drawable, destination);
    StippleText(display, drawable, gc, stipple, W, H, r, align, offset);
    XFreePixmap(display, stipple);
    XSetForeground(display, gc, static_cast<unsigned long>(textNormal));
}

void SDrawing::DrawVerticalLabel(const char* text, Rect r, int align, int, const Point& offset,
                                 bool, bool, const char*) {
    Display* display;
    Drawable drawable;
    GC gc;
    if (!text || !*text || !font || !font->Info() || !Target(display, drawable, gc)) return;
    const int length = static_cast<int>(strlen(text));
    int direction, ascent, descent;
    XCharStruct overall{};
    XTextExtents(font->Info(), text, length, &direction, &ascent, &descent, &overall);
    const int w = overall.width;
    const int a = font->Ascent();
    const int d = font->Descent();
    if (w <= 0 || a + d <= 0) return;
    const SBitImage source =
        RenderText(display, drawable, font->Id(), a, text, w, a + d, w + 1, a + d + 1);
    int W = a + d;
    int H = w;
    if ((W & 1) == 0) ++W;
    if ((H & 1) == 0) ++H;
    SBitImage destination(display, W, H);
    for (int dy = 0; dy < H; ++dy) {
        const double y = dy + 0.5 - H / 2.0;
        const int column = RoundToInt(w / 2.0 - y);
        if (column < 0 || column >= w) continue;
        for (int dx = 0; dx < W; ++dx) {
            const double x = dx + 0.5 - W / 2.0;
            const int row = RoundToInt((a + d) / 2.0 + x);
            if (row >= 0 && row < a + d && source.Get(column, row)) destination.Set(dx, dy);
        }
    }
    Pixmap stipple = ToPixmap(display, drawable, destination);
    StippleText(display, drawable, gc, stipple, W, H, r, align, offset);
    XFreePixmap(display, stipple);
}

void SDrawing::DrawPixelNumber(int x, int y, int digit) {
    const int L = x + 1, R = x + 5, T = y + 3, M = y + 6, B = y + 9;
    auto top = [&] { DrawLine(L, T, R, T); };
    auto middle = [&] { DrawLine(L, M, R, M); };
    auto bottom = [&] { DrawLine(L, B, R, B); };
    auto upperLeft = [&] { DrawLine(L, T, L, M); };
    auto lowerLeft = [&] { DrawLine(L, M, L, B); };
    auto fullLeft = [&] { DrawLine(L, T, L, B); };
    auto upperRight = [&] { DrawLine(R, T, R, M); };
    auto lowerRight = [&] { DrawLine(R, M, R, B); };
    auto fullRight = [&] { DrawLine(R, T, R, B); };
    switch (digit) {
    case 0: top(), fullLeft(), fullRight(), bottom(); break;
    case 1: DrawLine(x + 2, T, x + 3, T), DrawLine(x + 3, T, x + 3, B); break;
    case 2: top(), upperRight(), DrawLine(R, M, L, M), lowerLeft(), bottom(); break;
    case 3: top(), fullRight(), middle(), bottom(); break;
    case 4: upperLeft(), middle(), fullRight(); break;
    case 5: top(), upperLeft(), middle(), lowerRight(), bottom(); break;
    case 6: top(), fullLeft(), middle(), lowerRight(), bottom(); break;
    case 7: top(), fullRight(); break;
    case 8: top(), fullLeft(), middle(), fullRight(), bottom(); break;
    case 9: top(), upperLeft(), middle(), fullRight(), bottom(); break;
    default: break;
    }
}

} // namespace velk::gui::context
