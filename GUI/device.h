// Drawing targets: a window or pixmap with its graphics context, off-screen bitmaps,
// the memory device that draws into one, and client-side images.
#pragma once

#include <X11/Xlib.h>

namespace velk::gui::context {

class SDrawBitmap;

class SDrawDevice {
public:
    // A GC on the drawable of the display in use; none without a display.
    explicit SDrawDevice(Drawable drawable);
    // Flushes and frees the GC.
    virtual ~SDrawDevice();
    SDrawDevice(const SDrawDevice&) = delete;
    SDrawDevice& operator=(const SDrawDevice&) = delete;

    virtual GC Get() { return gc; }
    virtual Drawable GetDrawable() { return drawable; }
    Display* GetDisplay() const { return display; }

protected:
    Display* display;
    Drawable drawable;
    GC gc = nullptr;
};

// Draws into a bitmap (not owned) on behalf of an on-screen device.
class SDrawMemoryDevice : public SDrawDevice {
public:
    SDrawMemoryDevice(SDrawDevice* parent, SDrawBitmap* bitmap);
    ~SDrawMemoryDevice() override;

    GC Get() override { return memoryGc; }
    Drawable GetDrawable() override;
    // Switches to another bitmap with a fresh GC; a null bitmap is ignored.
    void Select(SDrawBitmap* bitmap);
    SDrawDevice* Parent() const { return parent; }
    SDrawBitmap* Bitmap() const { return bitmap; }

private:
    SDrawDevice* parent;
    SDrawBitmap* bitmap;
    GC memoryGc = nullptr;
};

// An X pixmap, blank or loaded from XPM data (an array of C strings).
class SDrawBitmap {
public:
    SDrawBitmap() = default;
    SDrawBitmap(void* xpm, int width, int height, bool flag);
    // Frees the pixmap.
    virtual ~SDrawBitmap();
    SDrawBitmap(const SDrawBitmap&) = delete;
    SDrawBitmap& operator=(const SDrawBitmap&) = delete;

    virtual int Use() { return 0; }
    // Does nothing when a pixmap exists. Null xpm makes a blank pixmap of the given
    // size; XPM data gives a pixmap of the image's size, or 1 x 1 and no pixmap when
    // it cannot be loaded. Returns whether a pixmap exists.
    bool Create(void* xpm, int width, int height, bool flag);

    Pixmap GetPixmap() const { return pixmap; }
    int Width() const { return pixmap ? width : 0; }
    int Height() const { return pixmap ? height : 0; }
    bool Flag() const { return flag; }

private:
    bool flag = false;
    Pixmap pixmap = 0;
    int width = 0;
    int height = 0;
    Display* display = nullptr;
};

class SDrawBitmapMask : public SDrawBitmap {
public:
    SDrawBitmapMask(unsigned char* xpm, int width, int height)
        : SDrawBitmap(xpm, width, height, false) {}
    int Use() override { return use; }
    void SetMask(SDrawBitmap*, int n) {
        use = 0;
        mask = n;
    }

private:
    int use = 0;
    int mask = 0;
};

// A client-side ZPixmap image over the caller's buffer, which it clears but never frees.
class SDrawImage {
public:
    SDrawImage(void* buffer, int width, int height, int bytesPerLine, int pad);
    ~SDrawImage();
    SDrawImage(const SDrawImage&) = delete;
    SDrawImage& operator=(const SDrawImage&) = delete;

    XImage* Image() const { return image; }
    int Width() const { return width; }
    int Height() const { return height; }

private:
    int width;
    int height;
    XImage* image = nullptr;
    void* buffer;
};

} // namespace velk::gui::context
