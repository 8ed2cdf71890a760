// A label holding 0 or 1 that reacts to the mouse as a push, toggle, command or menu
// button, drawn in colours or with two images. Only SetValue with notify sends an
// event (EVENT_BUTTON, b = the new value; a command button reports the mouse button).
#pragma once

#include "GUI/label.h"
#include "GUI/valueholder.h"

namespace velk::gui {

// Button type bits.
enum SButtonType {
    BUTTON_LEFT_INERT = 0x01,
    BUTTON_PUSH = 0x02,
    BUTTON_NOTIFY_OFF = 0x04,
    BUTTON_COMMAND = 0x08,
    BUTTON_MENU = 0x10,
    BUTTON_IMAGES = 0x20,
    BUTTON_NOTIFY_OFF2 = 0x40,
};

// The least a menu button needs of a menu: shown at a screen point, hidden.
class SMenu {
public:
    virtual ~SMenu() = default;
    virtual void Show(const Point& screenPosition) {
        position = screenPosition;
        shown = true;
    }
    virtual void Hide() { shown = false; }
    bool IsShown() const { return shown; }
    const Point& Position() const { return position; }

private:
    Point position;
    bool shown = false;
};

template <bool Flag>
class SButton : public SLabel<Flag>, public SIHoverable, public SIValueHolder<int> {
public:
    SButton(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style, int x,
            int y, int width, int height, Window parentWindow, bool flag);
    ~SButton() override;

    void SetType(int newType) override { type = static_cast<unsigned>(newType); }
    // Back to 0 with an event; the next press will not reopen a menu.
    void Reset() override;
    void Toggle() override;
    // Forgets pointer, capture and hover; a push button goes back to 0 without event.
    void ClearState() override;
    void Draw(const Rect& r) override;
    void DrawOutlines(const Rect& r) override;
    // Takes both images; without two pixmaps both are freed and colours are used.
    void SetBitmaps(context::SDrawBitmap* off, context::SDrawBitmap* on) override;
    void MouseStateChanged(bool* state, int code) override;
    void Highlight(bool on, int colour, int a, int b) override {
        SLabel<Flag>::Highlight(on, colour, a, b);
    }
    // Also sets the active colour to `enabled`.
    void SetLabelColours(int enabled, int disabled) override;
    int GetLabelColour() override;
    void DrawLabel() override;
    void ShowMenu(const Point& screenPosition) override;
    void CloseMenu() override;

    // Outline colour while hovered with the value 0, resp. above 0.
    void SetHoverColours(int off, int on) override { SIHoverable::SetHoverColours(off, on); }
    virtual void SetLabelColourActive(int colour) { activeColour = colour; }
    virtual void SetLabelAlternative(const char* alternative, bool use);
    // Loads two XPM images of the given size.
    virtual void SetBitmaps(void* imageOff, void* imageOn, int width, int height);
    // Stores, repaints and, with notify, reports the value; false when unchanged.
    bool SetValue(int v, bool notify) override;
    int GetValue() override { return value; }

    unsigned GetType() const { return type; }
    bool Hovered() const { return hovered; }
    bool MenuSuppressed() { return this->Running(); }

private:
    void FreeImages();
    void TakeImages(context::SDrawBitmap* off, context::SDrawBitmap* on);
    // Whether the pointer is over the client area (edges included); updates the
    // inside flag and the hovered flag.
    bool PointerTest();
    // A command button's report of a right or middle press.
    void Command(int button);

    bool hovered = false;
    unsigned type = BUTTON_PUSH;
    int activeColour;
    LabelText alternative;
    bool useAlternative = false;
    context::SDrawBitmap* imageOff = nullptr;
    context::SDrawBitmap* imageOn = nullptr;
    context::SDrawMemoryDevice* deviceOff = nullptr;
    context::SDrawMemoryDevice* deviceOn = nullptr;
};

extern template class SButton<false>;

} // namespace velk::gui
