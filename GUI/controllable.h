// A label that holds a value in a range: zones that react to the mouse, colours,
// optional images and an off-screen buffer the value box is drawn into first.
// User changes are reported as EVENT_VALUE (b = the new value); program changes are not.
#pragma once

#include "GUI/label.h"
#include "GUI/valueholder.h"

namespace velk::gui {

// Type bits of a value control.
enum SControllableType {
    CONTROL_LABEL_BACKGROUND = 0x02,
    CONTROL_IMAGES = 0x04,
    CONTROL_WHOLE_ZONE = 0x08,
    CONTROL_VALUE_ZONE = 0x10,
};

template <typename T, bool Flag>
class SControllable : public SLabel<Flag>, public SIControllable<T>, public SIHoverable {
public:
    // A captured mouse (style bits 0x4 and 0x8 are added to style), a buffer of the
    // control's size, and the handle filling the control.
    SControllable(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style,
                  int x, int y, int width, int height, bool labelBackground, bool wholeHandleZone,
                  Window parentWindow);
    ~SControllable() override;

    void SetType(int newType) override { type = newType; }
    // Takes both images; with two pixmaps the handle takes the handle image's size.
    void SetBitmaps(context::SDrawBitmap* background, context::SDrawBitmap* handle) override;
    void MouseStateChanged(bool* state, int code) override;
    // Back to the default, for calls through either base.
    void Reset() override { SIControllable<T>::Reset(); }

    virtual void SetControlColours(int c1, int c2, int c3, int c4);
    virtual void SetValueColour(int colour) { valueColour = colour; }
    virtual int GetValueColour() { return valueColour; }
    virtual void SetValueFont(context::SDrawFont* font) { valueFont = font; }
    // Outline colour while the pointer is away, resp. over the box.
    void SetHoverColours(int normal, int over) override {
        SIHoverable::SetHoverColours(normal, over);
    }
    virtual void SetHandleZone(const Rect& zone) { handleZone = zone; }
    // Fill colour of the handle, and colour 3.
    virtual void SetHandleColours(int fill, int other);
    virtual void SetValueZone(const Rect& zone);
    virtual void SetValueOffset(const Point& offset) { valueOffset = offset; }
    // Rebuilds the off-screen buffer at the buffer size.
    virtual void SetDoubleBuffer();
    virtual int CalcHandleOffset();
    // One step of a drag or the wheel; reports a change.
    virtual void ValueChange(bool up, T step);
    virtual void SendControlEvent();

    int GetType() const { return type; }
    bool Hovered() const { return hovered; }
    const Rect& HandleRect() const { return handleRect; }
    const Rect& HandleZone() const { return handleZone; }
    const Rect& ValueZone() const { return valueZone; }
    int ControlColour(int n) const { return n >= 1 && n <= 4 ? colours[n - 1] : 0; }
    context::SDrawMemoryDevice* BufferDevice() const { return bufferDevice; }

protected:
    // The pointer in client coordinates, and on the screen.
    void QueryPointer(Point& client, Point& screen);
    void FreeImages();
    void FreeBuffer();

    bool hovered = false;
    context::SDrawBitmap* backgroundImage = nullptr;
    context::SDrawBitmap* handleImage = nullptr;
    context::SDrawBitmap* bufferBitmap = nullptr;
    context::SDrawMemoryDevice* backgroundDevice = nullptr;
    context::SDrawMemoryDevice* handleDevice = nullptr;
    context::SDrawMemoryDevice* bufferDevice = nullptr;
    context::SDrawFont* valueFont = nullptr;
    int valueColour;
    int colours[4];
    int type = 0;
    int bufferWidth;
    int bufferHeight;
    Rect handleRect;
    Rect handleZone;
    Rect valueZone;
    Point anchor;
    Point valueOffset;
};

extern template class SControllable<int, false>;

} // namespace velk::gui
