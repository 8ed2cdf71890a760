// The UI's own top-level window, for hosts that show the UI themselves (ui:showInterface)
// instead of giving it a window to live in. It lives on a connection of its own, so that
// the close button is seen without the toolkit's help.
#pragma once

#include <X11/Xlib.h>

namespace moravox::lv2 {

class OwnWindow {
public:
    OwnWindow() = default;
    ~OwnWindow() { Close(); }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;

    // A window of the panel's fixed size, titled, not yet mapped; false without a display.
    bool Open(const char* title, int width, int height);
    void Close();
    void Show();
    bool IsOpen() const { return window != 0; }
    Window Id() const { return window; }
    // Whether the window manager asked the window to close since the last call.
    bool CloseRequested();

private:
    Display* display = nullptr;
    Window window = 0;
    Atom deleteWindow = 0;
    Atom protocols = 0;
};

} // namespace moravox::lv2
