#include "GUI/cursor.h"

#include <X11/cursorfont.h>

#include "GUI/world.h"
#include "GUI/xerror.h"

namespace velk::gui {

SCursor::SCursor() : display(XDisplay()) {}

SCursor::SCursor(unsigned type, Window w) : type(type), window(w), display(RequireDisplay()) {
    if (!display || !w) return;
    if (type == 0) {
        static const char noBits[1] = {0};
        Pixmap blank = XCreateBitmapFromData(display, w, noBits, 1, 1);
        XColor black{};
        cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
        XFreePixmap(display, blank);
    } else {
        const unsigned shape = type == 2 ? XC_hand2 : type == 3 ? XC_watch : XC_left_ptr;
        cursor = XCreateFontCursor(display, shape);
    }
    XDefineCursor(display, w, cursor);
    defined = true;
}

SCursor::~SCursor() {
    if (!display || !cursor) return;
    UndefineCursorSafely(display, window);
    XFreeCursor(display, cursor);
    XFlush(display);
}

bool SCursor::CreateDefault() {
    if (!display) display = RequireDisplay();
    if (!display) return false;
    const Window root = DefaultRootWindow(display);
    Pixmap source =
        XCreateBitmapFromData(display, root, reinterpret_cast<const char*>(kArrowOutline), 24, 24);
    Pixmap mask =
        XCreateBitmapFromData(display, root, reinterpret_cast<const char*>(kArrowMask), 24, 24);
    const int screen = DefaultScreen(display);
    XColor foreground{};
    foreground.pixel = BlackPixel(display, screen);
    XQueryColor(display, DefaultColormap(display, screen), &foreground);
    XColor background{};
    background.red = 0xFF00;
    background.green = 0x7F00;
    background.blue = 0;
    background.flags = DoRed | DoGreen | DoBlue;
    XAllocColor(display, DefaultColormap(display, screen), &background);
    if (cursor) XFreeCursor(display, cursor);
    cursor = XCreatePixmapCursor(display, source, mask, &foreground, &background, 0, 0);
    XFreePixmap(display, source);
    XFreePixmap(display, mask);
    defined = false;
    return cursor != 0;
}

void SCursor::Set() {
    if (!display || !window || !cursor) return;
    XDefineCursor(display, window, cursor);
    defined = true;
}

void SCursor::Free() {
    if (display && window && cursor) UndefineCursorSafely(display, window);
    defined = false;
}

SCursorDefault::SCursorDefault() {
    if (!display) return;
    window = DefaultRootWindow(display);
    cursor = XCreateFontCursor(display, XC_left_ptr);
}

void SCursorDefault::Set() {
    SCursor::Set();
    active = cursor != 0;
}

void SCursorDefault::Free() {
    SCursor::Free();
    active = false;
}

} // namespace velk::gui
