#include "plugin/lv2/lv2_window.h"

#include <X11/Xutil.h>

#include <mutex>

#include "GUI/world.h"
#include "GUI/xerror.h"

namespace moravox::lv2 {

bool OwnWindow::Open(const char* title, int width, int height) {
    if (window) return true;
    velk::gui::SNoSigpipe quiet;
    display = XOpenDisplay(nullptr);
    if (!display) return false;
    // Known to the toolkit, a server that goes away marks the connection dead instead of
    // ending the host.
    if (!velk::gui::Attach(display)) {
        XCloseDisplay(display);
        display = nullptr;
        return false;
    }
    {
        // Errors of these requests are swallowed rather than left to the default handler,
        // which would end the host; the handler is the process's, which the toolkit's threads
        // swap under its lock too.
        std::lock_guard<std::recursive_mutex> toolkit(velk::gui::GuiLock());
        velk::gui::SQuietErrors quietErrors(display);
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height),
                                     0, BlackPixel(display, screen), BlackPixel(display, screen));
        if (window) {
            XStoreName(display, window, title);
            // The panel has one size: the window manager is told not to offer another.
            if (XSizeHints* hints = XAllocSizeHints()) {
                hints->flags = PMinSize | PMaxSize;
                hints->min_width = hints->max_width = width;
                hints->min_height = hints->max_height = height;
                XSetWMNormalHints(display, window, hints);
                XFree(hints);
            }
            protocols = XInternAtom(display, "WM_PROTOCOLS", False);
            deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
            XSetWMProtocols(display, window, &deleteWindow, 1);
        }
    }
    if (!window) {
        Close();
        return false;
    }
    return true;
}

void OwnWindow::Close() {
    if (!display) return;
    velk::gui::SNoSigpipe quiet;
    if (window && !velk::gui::IsDead(display)) {
        std::lock_guard<std::recursive_mutex> toolkit(velk::gui::GuiLock());
        velk::gui::SQuietErrors quietErrors(display);
        XDestroyWindow(display, window);
    }
    XCloseDisplay(display);
    display = nullptr;
    window = 0;
}

void OwnWindow::Show() {
    if (!window || velk::gui::IsDead(display)) return;
    velk::gui::SNoSigpipe quiet;
    XMapRaised(display, window);
    XFlush(display);
}

bool OwnWindow::CloseRequested() {
    if (!display) return false;
    if (velk::gui::IsDead(display)) return true; // nothing left to show it on
    velk::gui::SNoSigpipe quiet;
    bool asked = false;
    while (!velk::gui::IsDead(display) && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
            asked = true;
    }
    return asked;
}

} // namespace moravox::lv2
