#include "host/live/live_gui.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <poll.h>

namespace moravox::host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kIdleInterval = std::chrono::milliseconds(40);
// For an editor that does not say how large it is.
constexpr unsigned kDefaultSize = 200;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

PanelEnd Unavailable(std::ostream& err, const std::string& why) {
    err << "moravox-host: " << why << "; running without the plug-in's panel\n";
    return PanelEnd::Unavailable;
}

void EditorSize(LivePlugin& plugin, unsigned& width, unsigned& height) {
    ERect* rect = nullptr;
    plugin.Dispatch(effEditGetRect, 0, 0, &rect);
    width = height = kDefaultSize;
    if (rect != nullptr && rect->right > rect->left && rect->bottom > rect->top) {
        width = static_cast<unsigned>(rect->right - rect->left);
        height = static_cast<unsigned>(rect->bottom - rect->top);
    }
}

Window CreateWindow(Display* display, const std::string& title, unsigned width, unsigned height,
                    Atom deleteWindow) {
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 0,
                            BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, window, title.c_str());
    XSetWMProtocols(display, window, &deleteWindow, 1);
    // The editor has a fixed size.
    if (XSizeHints* hints = XAllocSizeHints()) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = static_cast<int>(width);
        hints->min_height = hints->max_height = static_cast<int>(height);
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }
    XSync(display, False);
    return window;
}

// Handles X events and idles the editor until the window is closed or a stop descriptor wakes.
PanelEnd RunLoop(LivePlugin& plugin, Display* display, Atom deleteWindow,
                 const std::vector<int>& stopFds) {
    std::vector<pollfd> fds{{ConnectionNumber(display), POLLIN, 0}};
    for (const int fd : stopFds) fds.push_back({fd, POLLIN, 0});
    Clock::time_point nextIdle = Clock::now() + kIdleInterval;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
                return PanelEnd::Closed;
            }
        }
        const Clock::time_point now = Clock::now();
        if (now >= nextIdle) {
            plugin.Dispatch(effEditIdle);
            nextIdle = now + kIdleInterval;
        }
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - Clock::now());
        poll(fds.data(), fds.size(), static_cast<int>(wait.count() > 0 ? wait.count() : 0));
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents != 0) return PanelEnd::Stopped;
        }
    }
}

} // namespace

PanelEnd RunPanelWindow(LivePlugin& plugin, const std::string& title,
                        const std::vector<int>& stopFds, std::ostream& err) {
    const AEffect* effect = plugin.Effect();
    if (effect == nullptr || (effect->flags & effFlagsHasEditor) == 0) {
        return Unavailable(err, "the plug-in has no editor");
    }
    // The plug-in draws from threads of its own; Xlib must know before the first connection.
    XInitThreads();
    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || name[0] == '\0') return Unavailable(err, "DISPLAY is not set");
        return Unavailable(err, "cannot open the X display '" + std::string(name) + "'");
    }
    unsigned width = 0, height = 0;
    EditorSize(plugin, width, height);
    const Atom deleteWindow = XInternAtom(display.get(), "WM_DELETE_WINDOW", False);
    const Window window = CreateWindow(display.get(), title, width, height, deleteWindow);
    void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window));
    if (plugin.Dispatch(effEditOpen, 0, 0, parent) == 0) {
        XDestroyWindow(display.get(), window);
        return Unavailable(err, "the plug-in's editor did not open");
    }
    XMapRaised(display.get(), window);
    const PanelEnd end = RunLoop(plugin, display.get(), deleteWindow, stopFds);
    plugin.Dispatch(effEditClose);
    XDestroyWindow(display.get(), window);
    XSync(display.get(), False);
    return end;
}

} // namespace moravox::host
