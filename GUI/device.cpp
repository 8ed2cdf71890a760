#include "GUI/device.h"

#include <X11/xpm.h>

#include <cstring>

#include "GUI/colour.h"
#include "GUI/world.h"

namespace velk::gui::context {

namespace {

// On a TrueColor visual a pixel follows from the colour itself, so the images' colours are
// worked out here instead of costing one server round trip each (the title image has
// hundreds). Numeric colour specs parse locally; names still ask the server.
int AllocTrueColour(Display* display, Colormap colormap, char* name, XColor* colour,
                    void* closure) {
    if (name && !XParseColor(display, colormap, name, colour)) return -1;
    TrueColourPixel(static_cast<const Visual*>(closure), *colour);
    return 1;
}

// Nothing was allocated, so nothing is freed.
int FreeNoColours(Display*, Colormap, Pixel*, int, void*) {
    return 0;
}

} // namespace

SDrawDevice::SDrawDevice(Drawable drawable) : display(RequireDisplay()), drawable(drawable) {
    if (display && drawable) gc = XCreateGC(display, drawable, 0, nullptr);
}

SDrawDevice::~SDrawDevice() {
    if (!display) return;
    XFlush(display);
    if (gc) XFreeGC(display, gc);
}

SDrawMemoryDevice::SDrawMemoryDevice(SDrawDevice* parent, SDrawBitmap* bitmap)
    : SDrawDevice(parent ? parent->GetDrawable() : 0), parent(parent), bitmap(nullptr) {
    Select(bitmap);
}

SDrawMemoryDevice::~SDrawMemoryDevice() {
    if (display && memoryGc) XFreeGC(display, memoryGc);
    memoryGc = nullptr;
}

Drawable SDrawMemoryDevice::GetDrawable() {
    return bitmap ? bitmap->GetPixmap() : 0;
}

void SDrawMemoryDevice::Select(SDrawBitmap* newBitmap) {
    if (!newBitmap) return;
    if (display && memoryGc) XFreeGC(display, memoryGc);
    memoryGc = nullptr;
    bitmap = newBitmap;
    if (display && bitmap->GetPixmap())
        memoryGc = XCreateGC(display, bitmap->GetPixmap(), 0, nullptr);
}

SDrawBitmap::SDrawBitmap(void* xpm, int width, int height, bool flag) {
    Create(xpm, width, height, flag);
}

SDrawBitmap::~SDrawBitmap() {
    if (display && pixmap) XFreePixmap(display, pixmap);
}

bool SDrawBitmap::Create(void* xpm, int newWidth, int newHeight, bool newFlag) {
    if (pixmap) return true;
    flag = newFlag;
    display = RequireDisplay();
    if (!xpm) {
        width = newWidth;
        height = newHeight;
        if (display && width > 0 && height > 0) {
            const int screen = DefaultScreen(display);
            pixmap = XCreatePixmap(display, RootWindow(display, screen),
                                   static_cast<unsigned>(width), static_cast<unsigned>(height),
                                   static_cast<unsigned>(DefaultDepth(display, screen)));
        }
        return pixmap != 0;
    }
    width = 1;
    height = 1;
    if (!display) return false;
    XpmAttributes attributes{};
    attributes.valuemask = XpmCloseness;
    attributes.closeness = 40000;
    Pixmap shape = 0;
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    if (visual->c_class == TrueColor) {
        attributes.valuemask |= XpmAllocColor | XpmFreeColors | XpmColorClosure;
        attributes.alloc_color = AllocTrueColour;
        attributes.free_colors = FreeNoColours;
        attributes.color_closure = visual;
    }
    const int result =
        XpmCreatePixmapFromData(display, RootWindow(display, screen), static_cast<char**>(xpm),
                                &pixmap, &shape, &attributes);
    // The shape mask is not used.
    if (shape) XFreePixmap(display, shape);
    if (result != XpmSuccess || !pixmap) {
        pixmap = 0;
        return false;
    }
    width = static_cast<int>(attributes.width);
    height = static_cast<int>(attributes.height);
    XpmFreeAttributes(&attributes);
    return true;
}

SDrawImage::SDrawImage(void* buffer, int width, int height, int bytesPerLine, int pad)
    : width(width ? width : 1), height(height ? height : 1), buffer(buffer) {
    Display* display = RequireDisplay();
    if (!display || !buffer || this->width < 0 || this->height < 0) return;
    std::memset(buffer, 0,
                static_cast<size_t>(this->width) * static_cast<size_t>(this->height) *
                    static_cast<size_t>(pad / 8));
    const int screen = DefaultScreen(display);
    image = XCreateImage(display, DefaultVisual(display, screen),
                         static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, 0,
                         static_cast<char*>(buffer), static_cast<unsigned>(this->width),
                         static_cast<unsigned>(this->height), pad, bytesPerLine);
}

SDrawImage::~SDrawImage() {
    if (!image) return;
    // The pixels belong to the caller.
    image->data = nullptr;
    XDestroyImage(image);
}

} // namespace velk::gui::context
