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

} // namespace moravox::host
