// Xlib, loaded when the gui command first needs it: the other commands of moravox-host run
// on machines without any X library. The plug-in links the same libX11.so.6, so a display
// connection made here is one the plug-in can use.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

namespace moravox::host {

#define MORAVOX_XLIB_FUNCTIONS(X)                                                                  \
    X(Status, XInitThreads, (void))                                                                \
    X(Display*, XOpenDisplay, (const char*))                                                       \
    X(int, XCloseDisplay, (Display*))                                                              \
    X(Window, XCreateSimpleWindow,                                                                 \
      (Display*, Window, int, int, unsigned, unsigned, unsigned, unsigned long, unsigned long))    \
    X(int, XDestroyWindow, (Display*, Window))                                                     \
    X(int, XSelectInput, (Display*, Window, long))                                                 \
    X(int, XMapWindow, (Display*, Window))                                                         \
    X(int, XResizeWindow, (Display*, Window, unsigned, unsigned))                                  \
    X(int, XStoreName, (Display*, Window, const char*))                                            \
    X(Atom, XInternAtom, (Display*, const char*, Bool))                                            \
    X(Status, XSetWMProtocols, (Display*, Window, Atom*, int))                                     \
    X(int, XGetWindowProperty,                                                                     \
      (Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,                \
       unsigned long*, unsigned char**))                                                           \
    X(int, XFree, (void*))                                                                         \
    X(Status, XQueryTree, (Display*, Window, Window*, Window*, Window**, unsigned*))               \
    X(int, XPending, (Display*))                                                                   \
    X(int, XNextEvent, (Display*, XEvent*))                                                        \
    X(int, XFlush, (Display*))                                                                     \
    X(int, XSync, (Display*, Bool))                                                                \
    X(XImage*, XGetImage, (Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int))  \
    X(Status, XGetWindowAttributes, (Display*, Window, XWindowAttributes*))                        \
    X(Bool, XTranslateCoordinates, (Display*, Window, Window, int, int, int*, int*, Window*))      \
    X(int, XConnectionNumber, (Display*))                                                          \
    X(Window, XDefaultRootWindow, (Display*))                                                      \
    X(int, XDefaultScreen, (Display*))                                                             \
    X(unsigned long, XBlackPixel, (Display*, int))                                                 \
    X(XErrorHandler, XSetErrorHandler, (XErrorHandler))

struct XlibApi {
#define MORAVOX_XLIB_MEMBER(result, name, args) result(*name) args = nullptr;
    MORAVOX_XLIB_FUNCTIONS(MORAVOX_XLIB_MEMBER)
#undef MORAVOX_XLIB_MEMBER
};

// The functions, loaded once per process; null with the reason in `error` when libX11 or
// one of them is missing.
const XlibApi* LoadXlib(std::string& error);

// A connection of ours to the server named by DISPLAY, closed when it goes.
class XConnection {
public:
    XConnection() = default;
    explicit XConnection(const XlibApi& x) : x_(&x), display_(x.XOpenDisplay(nullptr)) {}
    ~XConnection() { Close(); }
    XConnection(XConnection&& other) noexcept : x_(other.x_), display_(other.display_) {
        other.display_ = nullptr;
    }
    XConnection& operator=(XConnection&& other) noexcept {
        if (this != &other) {
            Close();
            x_ = other.x_;
            display_ = other.display_;
            other.display_ = nullptr;
        }
        return *this;
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* Get() const { return display_; }
    void Close() {
        if (display_) x_->XCloseDisplay(display_);
        display_ = nullptr;
    }

private:
    const XlibApi* x_ = nullptr;
    Display* display_ = nullptr;
};

// Swallows the errors of requests made while it lives on windows that may be gone already;
// errors of earlier requests still reach the handler that was there.
class XErrorTrap {
public:
    XErrorTrap(const XlibApi& x, Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

private:
    const XlibApi& x_;
    Display* display_;
    XErrorHandler previous_;
};

} // namespace moravox::host
