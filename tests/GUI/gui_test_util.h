// Helpers for the toolkit tests: the process-wide set-up, delivering queued X events
// through the dispatcher, reading pixels back, and a control that records its calls.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "GUI/control.h"
#include "GUI/window.h"
#include "plugin/entry/application.h"

namespace guitest {

inline Display* D() {
    return velk::gui::XDisplay();
}

// How deep the calling thread holds the display lock (counted by the test program's
// own XLockDisplay and XUnlockDisplay, which forward to Xlib's).
int DisplayLockDepth();

// Flushes, waits for the server and hands every queued event to the dispatcher.
// Returns how many events were delivered.
int Pump();

// Sends an event through the server to the window's creator (ourselves).
void Send(Window window, XEvent event);
XEvent Button(int type, unsigned button, unsigned long time, int x = 5, int y = 5,
              unsigned state = 0);
XEvent Crossing(int type, int x = 5, int y = 5);
XEvent Motion(int x, int y);
XEvent Key(int type, KeySym keysym);

// A drawable's pixels, read with XGetImage.
struct SImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned long> pixels;
    unsigned long At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    // Pixels that differ from the background colour.
    bool Lit(int x, int y, unsigned long background) const { return At(x, y) != background; }
    int CountNot(unsigned long background) const;
    // Bounding box of the pixels that differ from background (right/bottom exclusive).
    bool InkBox(unsigned long background, int& l, int& t, int& r, int& b) const;
};
SImage Grab(Drawable drawable, int width, int height);
// Writes the image as a PPM into $MORAVOX_GUI_SHOTS when that is set, for a person to look at.
void SaveShot(const SImage& image, const std::string& name);

// A pixel value of the default visual for an 8-bit colour.
unsigned long Pixel(int r, int g, int b);

struct SCall {
    std::string what;
    int a;
    int b;
    int c;
    int d;
};

// A control that records the calls the dispatcher makes.
class SRecorder : public velk::gui::SWindow {
public:
    SRecorder(velk::gui::SControl* parent, int style, int x, int y, int width, int height,
              Window parentWindow = 0);
    ~SRecorder() override;

    void MouseStateChanged(bool* state, int code) override;
    void MousePosChanged(int dx, int dy) override;
    void KeyStateChanged(int code, bool pressed, int mask, int kind) override;
    void Draw(const velk::gui::Rect& r) override;
    void DrawOutlines(const velk::gui::Rect& r) override;
    void ParseEvent(velk::gui::SEvent* event) override;
    void CloseDialog() override { calls.push_back({"CloseDialog", 0, 0, 0, 0}); }
    void Stop() override { calls.push_back({"Stop", 0, 0, 0, 0}); }

    // The codes passed to MouseStateChanged, in order.
    std::vector<int> Codes() const;
    int Count(const std::string& what) const;
    void Clear() { calls.clear(); }

    std::vector<SCall> calls;
    int drawLockDepth = -1;
    // Appended to on destruction, so tests can see the order.
    std::vector<int>* destroyed = nullptr;
};

} // namespace guitest
