// Mouse cursors: font cursors, an invisible one, and the default orange arrow.
#pragma once

#include <X11/Xlib.h>

namespace velk::gui {

namespace context {
class SDrawBitmap;
}

class SCursor {
public:
    // An empty cursor; its creator assigns the window.
    SCursor();
    // Creates the cursor for w and defines it at once: type 0 invisible, 2 a hand,
    // 3 a watch, anything else the left arrow.
    SCursor(unsigned type, Window w);
    // Undefines and frees the X cursor.
    virtual ~SCursor();
    SCursor(const SCursor&) = delete;
    SCursor& operator=(const SCursor&) = delete;

    // Builds the default arrow (black outline on orange) and clears the defined flag.
    bool CreateDefault();
    // Cursors from images are not part of this toolkit; they create nothing.
    bool Create(context::SDrawBitmap*, context::SDrawBitmap*, int, int) { return false; }
    bool Create(void*, void*, int, int, int, int) { return false; }

    // Defines the cursor on its window when both exist.
    virtual void Set();
    // Undefines it on its window.
    virtual void Free();

    void SetWindow(Window w) { window = w; }
    Window GetWindow() const { return window; }
    Cursor GetCursor() const { return cursor; }
    bool Defined() const { return defined; }
    unsigned Type() const { return type; }

protected:
    unsigned type = 0;
    Window window = 0;
    bool defined = false;
    Cursor cursor = 0;
    Display* display = nullptr;
};

// The left arrow on the root window.
class SCursorDefault : public SCursor {
public:
    SCursorDefault();
    void Set() override;
    void Free() override;
    bool Active() const { return active; }

private:
    bool active = false;
};

// The default arrow's 24 x 24 bitmaps, least significant bit first: the solid arrow
// (mask) and its one-pixel outline (source).
extern const unsigned char kArrowMask[72];
extern const unsigned char kArrowOutline[72];

} // namespace velk::gui
