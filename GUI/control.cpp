// Creation, clean-up and destruction of controls, and their window geometry.
#include "GUI/control.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstring>

#include "GUI/monitors.h"
#include "GUI/globals.h"
#include "GUI/regions.h"
#include "GUI/registry.h"
#include "GUI/staticdata.h"
#include "GUI/tooltip.h"
#include "GUI/world.h"
#include "system/system.h"

namespace velk::gui {

SControl* SControl::capture = nullptr;

SControl::SControl() = default;

SControl::SControl(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style,
                   int x, int y, int width, int height, Window parentWindow, bool flag) {
    Create(globals, parent, id, title, style, x, y, width, height, parentWindow, flag);
}

SControl::~SControl() {
    cleaningUp.store(true, std::memory_order_release);
    CleanUp();
    if (capture == this) capture = nullptr;
    DestroyWindow();
}

int SControl::Create(SGlobals* newGlobals, SControl* newParent, unsigned newId, const char* title,
                     int newStyle, int x, int y, int width, int height, Window newParentWindow,
                     bool) {
    globals = newGlobals;
    parent = newParent;
    id = newId;
    style = newStyle;
    SetStateBits(STATE_MAPPED, true);
    label = velk::data::datastring<32, char>();
    label.Append(title);
    rect = Rect(x, y, x + width, y + height);
    client = Rect(0, 0, width, height);
    timer = nullptr;
    idleTimer = nullptr;
    tooltip = nullptr;
    timerId = 0;
    previousFocus = 0;
    cleaningUp.store(false, std::memory_order_release);
    cleanedUp = false;
    acceptInput = false;

    display = RequireDisplay();
    if (!display) {
        SetStateBits(STATE_MAPPED, false);
        return 0;
    }
    // The palette is filled on first need when the library loaded without a display.
    if (statdata) statdata->AddColours();
    CreateWindow(display, x, y, width, height, newParentWindow);
    if (!window) {
        SetStateBits(STATE_MAPPED, false);
        return 0;
    }
    // The connection's fonts stay while any control lives on it.
    Use(display);
    if (style & (STYLE_MAIN | STYLE_DIALOG)) SetWindowManagerHints(title, width, height);
    if (!(style & STYLE_BORDER)) SetUndecorated();
    PublishProperties();
    CreateContexts();
    Hide();
    return 1;
}

void SControl::CreateWindow(Display* d, int x, int y, int width, int height, Window owner) {
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const unsigned border = (style & STYLE_BORDER) ? 3 : 0;
    const unsigned w = static_cast<unsigned>(width > 0 ? width : 1);
    const unsigned h = static_cast<unsigned>(height > 0 ? height : 1);
    XSetWindowAttributes attributes{};
    attributes.event_mask = kControlEventMask;
    attributes.save_under = True;
    attributes.override_redirect = (style & STYLE_BORDER) ? False : True;
    if (style & STYLE_MAIN) {
        parentWindow = root;
        window = XCreateWindow(d, root, x, y, w, h, border, CopyFromParent, CopyFromParent,
                               CopyFromParent, CWOverrideRedirect | CWSaveUnder | CWEventMask,
                               &attributes);
    } else if (style & STYLE_DIALOG) {
        parentWindow = root;
        if (!(style & STYLE_ROOT_DIALOG)) {
            if (parent && parent->window)
                parentWindow = parent->window;
            else if (owner)
                parentWindow = owner;
        }
        attributes.do_not_propagate_mask = 0x200F;
        window = XCreateWindow(d, parentWindow, x, y, w, h, border, DefaultDepth(d, screen),
                               InputOutput, DefaultVisual(d, screen),
                               CWOverrideRedirect | CWSaveUnder | CWEventMask | CWDontPropagate,
                               &attributes);
        if (window)
            XSelectInput(d, window, (style & STYLE_FULL_EVENTS) ? kControlEventMask : 0x228000);
    } else {
        XFlush(d);
        parentWindow = parent && parent->window ? parent->window : (owner ? owner : root);
        attributes.override_redirect = True;
        window = XCreateWindow(d, parentWindow, x, y, w, h, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    }
    if (window && (style & (STYLE_MAIN | STYLE_DIALOG))) {
        const SAtoms* atoms = Atoms(d, parentWindow == root);
        deleteAtom = atoms ? atoms->deleteWindow : 0;
        if (deleteAtom) XSetWMProtocols(d, window, &deleteAtom, 1);
    }
}

void SControl::SetWindowManagerHints(const char* title, int width, int height) {
    const char* text = title ? title : "";
    XStoreName(display, window, text);
    XSetIconName(display, window, text);
    if (style & STYLE_RESIZABLE) return;
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = PSize | PMinSize | PMaxSize | PResizeInc;
    hints->width = hints->min_width = hints->max_width = width;
    hints->height = hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
}

void SControl::SetUndecorated() {
    const bool topLevel = parentWindow == RootWindow(display, DefaultScreen(display));
    // Looked up afresh for each top-level window, which is what a window manager reads
    // them on (one may bring them later), and reused for its children.
    // (A main window or dialog had them refreshed as its window was made.)
    const SAtoms* found = Atoms(display, topLevel && !(style & (STYLE_MAIN | STYLE_DIALOG)));
    if (!found) return;
    const SAtoms& atoms = *found;
    if (atoms.motif) {
        long hints[4] = {2, 0, 0, 0};
        XChangeProperty(display, window, atoms.motif, atoms.motif, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(hints), 4);
    }
    if (atoms.win) {
        long value = 0;
        XChangeProperty(display, window, atoms.win, atoms.win, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&value), 1);
    }
    if (atoms.kwm) {
        long value = 2;
        XChangeProperty(display, window, atoms.kwm, atoms.kwm, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&value), 1);
    }
    if (atoms.type) {
        long types[2] = {
            static_cast<long>(XInternAtom(display, "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", False)),
            static_cast<long>(XInternAtom(display, "_NET_WM_WINDOW_TYPE_NORMAL", False))};
        XChangeProperty(display, window, atoms.type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(types), 2);
    }
}

// The control's item is looked up in the registry by the dispatcher; a host calls the
// event procedure item, both as the host ABI above us decided (SetPublishedItems).
void SControl::PublishProperties() {
    const std::uint32_t item = registry::Register(this, display, window);
    const SAtoms* atoms = Atoms(display);
    if (!atoms) return;
    Atom self = atoms->control;
    long value = static_cast<long>(item);
    XChangeProperty(display, window, self, self, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
    Atom proc = atoms->eventProc;
    long procItem = static_cast<long>(EventProcItem());
    XChangeProperty(display, window, proc, proc, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&procItem), 1);
}

void SControl::CreateContexts() {
    delete drawing;
    delete input;
    drawing = new context::SDrawing(this, globals);
    input = new context::SInput;
}

void SControl::CleanRessources() {
    cleaningUp.store(true, std::memory_order_release);
}

void SControl::PrepareCleanUp() {
    if (window) Hide();
}

void SControl::CleanUp() {
    if (cleanedUp) return;
    cleaningUp.store(true, std::memory_order_release);
    PrepareCleanUp();
    delete idleTimer;
    idleTimer = nullptr;
    StopTimer(true);
    if (style & STYLE_CAPTURE) {
        if (capture == this) MouseReleaseCapture();
        if (input) input->Reset();
    }
    delete tooltip;
    tooltip = nullptr;
    delete drawing;
    drawing = nullptr;
    delete input;
    input = nullptr;
    cleanedUp = true;
}

void SControl::DestroyWindow() {
    // Out of the registry first: an event still queued for the window is dropped.
    registry::Unregister(this);
    if (window) regions::Forget(window);
    if (display && window) {
        XDestroyWindow(display, window);
        XFlush(display);
        Unuse(display);
    }
    window = 0;
}

void SControl::Destroy() {
    cleaningUp.store(true, std::memory_order_release);
    CleanUp();
    if (capture == this) capture = nullptr;
    DestroyWindow();
}

void SControl::SetSize(int width, int height) {
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    client = Rect(0, 0, width, height);
    if (display && window && width > 0 && height > 0)
        XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
}

void SControl::SetPosition(int x, int y) {
    const int width = rect.Width();
    const int height = rect.Height();
    rect = Rect(x, y, x + width, y + height);
    if (display && window) XMoveWindow(display, window, x, y);
}

void SControl::Move(int dx, int dy) {
    SetPosition(rect.left + dx, rect.top + dy);
}

void SControl::Resized(bool refresh) {
    if (!display || !window) return;
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    if (!XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth)) return;
    rect = Rect(x, y, x + static_cast<int>(width), y + static_cast<int>(height));
    client = Rect(0, 0, static_cast<int>(width), static_cast<int>(height));
    if (refresh) Refresh();
}

namespace {
// The monitor layout; gathered again when the library loaded without a display and the
// host has since handed one over.
SDisplay* Layout() {
    SDisplay* layout = sd ? sd->DisplayInfo() : nullptr;
    if (layout && layout->monitors.empty()) layout->AllMonitorRects();
    return layout;
}
} // namespace

void SControl::Center() {
    if (SDisplay* layout = Layout()) layout->CenterOnWindow(this);
}

void SControl::Center(Point& p) {
    if (SDisplay* layout = Layout()) layout->CenterOnWindow(this, p);
}

void SControl::Foreground(bool) {
    if (display && window) XRaiseWindow(display, window);
}

void SControl::MousePointer(int x, int y) {
    if (display && window) XWarpPointer(display, None, window, 0, 0, 0, 0, x, y);
}

void SControl::GetClient2Screen(int* x, int* y) {
    if (!display || !window || !x || !y) return;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), *x, *y, x, y, &child);
}

void SControl::GetClient2Screen(Point& p) {
    GetClient2Screen(&p.x, &p.y);
}

void SControl::GetScreen2Client(int* x, int* y) {
    if (!display || !window || !x || !y) return;
    Window child;
    XTranslateCoordinates(display, DefaultRootWindow(display), window, *x, *y, x, y, &child);
}

void SControl::GetScreen2Client(Point& p) {
    GetScreen2Client(&p.x, &p.y);
}

Point SControl::GetTopPosition() {
    if (!display || !window) return Point();
    Window current = window;
    for (;;) {
        Window root, parentOf, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, current, &root, &parentOf, &children, &count)) break;
        if (children) XFree(children);
        if (parentOf == root || parentOf == 0) break;
        current = parentOf;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, current, &attributes)) return Point();
    return Point(attributes.x, attributes.y);
}

Point SControl::GetScreenPosition() {
    if (!display || !window) return Point();
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return Point();
    return Point(attributes.x, attributes.y);
}

void SControl::SetTitleText(const char* text) {
    if (!display || !window) return;
    XTextProperty property;
    char* list[1] = {const_cast<char*>(text ? text : "")};
    if (!XStringListToTextProperty(list, 1, &property)) return;
    XSetWMName(display, window, &property);
    XSetWMIconName(display, window, &property);
    XFree(property.value);
}

void SControl::Reparent(Window w) {
    if (!display || !window) return;
    const bool visible = IsMapped();
    Hide();
    const Window target = w ? w : DefaultRootWindow(display);
    XReparentWindow(display, window, target, rect.left, rect.top);
    parentWindow = target;
    if (visible) Show();
}

void SControl::Inherit(Window w) {
    if (!display || !window || !w) return;
    XWindowAttributes from;
    if (!XGetWindowAttributes(display, w, &from)) return;
    XSetWindowAttributes to{};
    to.save_under = from.save_under;
    to.event_mask = from.your_event_mask;
    to.do_not_propagate_mask = from.do_not_propagate_mask;
    to.override_redirect = from.override_redirect;
    XChangeWindowAttributes(display, window,
                            CWSaveUnder | CWEventMask | CWDontPropagate | CWOverrideRedirect, &to);
}

void SControl::SetRoundShape(bool round) {
    if (!display || !window) return;
    if (!round) {
        XShapeCombineMask(display, window, ShapeBounding, 0, 0, None, ShapeSet);
        return;
    }
    const int w = Width();
    const int h = Height();
    Region shape = XCreateRegion();
    XRectangle whole = {0, 0, static_cast<unsigned short>(w), static_cast<unsigned short>(h)};
    XUnionRectWithRegion(&whole, shape, shape);
    // The top-left notch; the other corners mirror it.
    const int notch[4][4] = {{0, 0, 5, 1}, {0, 1, 3, 1}, {0, 2, 2, 1}, {0, 3, 1, 2}};
    Region cut = XCreateRegion();
    for (const auto& n : notch) {
        const int nx = n[0], ny = n[1], nw = n[2], nh = n[3];
        const int xs[2] = {nx, w - nx - nw};
        const int ys[2] = {ny, h - ny - nh};
        for (int cx : xs)
            for (int cy : ys) {
                XRectangle r = {static_cast<short>(cx), static_cast<short>(cy),
                                static_cast<unsigned short>(nw), static_cast<unsigned short>(nh)};
                XUnionRectWithRegion(&r, cut, cut);
            }
    }
    XSubtractRegion(shape, cut, shape);
    XShapeCombineRegion(display, window, ShapeBounding, 0, 0, shape, ShapeSet);
    XDestroyRegion(cut);
    XDestroyRegion(shape);
}

} // namespace velk::gui
