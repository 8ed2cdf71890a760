// SControl::eventProc: the single way X events reach the toolkit. It finds the live
// control that owns the event's window and turns the event into its virtual calls.
#include <X11/Xutil.h>

#include <cstring>

#include "GUI/control.h"
#include "GUI/cursor.h"
#include "GUI/monitors.h"
#include "GUI/globals.h"
#include "GUI/keys.h"
#include "GUI/regions.h"
#include "GUI/registry.h"
#include "GUI/tooltip.h"
#include "GUI/tooltipplace.h"
#include "GUI/world.h"
#include "GUI/xerror.h"
#include "system/system.h"

namespace velk::gui {

// Works on the controls' protected state on behalf of eventProc.
class SDispatcher {
public:
    explicit SDispatcher(Display* display) : display(display) {}

    SControl* Target(Window window);
    int Dispatch(SControl* c, XEvent* e);

private:
    int Key(SControl* c, XKeyEvent& e);
    int Press(SControl* c, XButtonEvent& e);
    int Release(SControl* c, SControl* t, XButtonEvent& e);
    int Motion(SControl* t, XMotionEvent& e);
    int Crossing(SControl* c, XCrossingEvent& e);
    int Client(SControl* c, XClientMessageEvent& e);
    void PlaceTooltip(SControl* c);
    bool PointerInside(SControl* c);
    void CursorSet(SControl* c);
    void CursorFree(SControl* c);

    Display* display;
};

namespace {

Atom ControlAtom(Display* display) {
    const SAtoms* atoms = Atoms(display);
    return atoms ? atoms->control : 0;
}

void ClearButtons(bool* f) {
    f[MOUSE_LEFT_DOWN] = f[MOUSE_MIDDLE_DOWN] = f[MOUSE_RIGHT_DOWN] = false;
    f[MOUSE_LEFT_DOUBLE] = f[MOUSE_MIDDLE_DOUBLE] = f[MOUSE_RIGHT_DOUBLE] = false;
}

} // namespace

SControl* SDispatcher::Target(Window window) {
    // One of our windows is known without asking the server; any other window's property
    // is read, and only names a control if that control is ours and owns the window.
    SControl* c = registry::FindWindow(display, window);
    if (!c && registry::WasOurs(display, window)) return nullptr;
    unsigned long item = 0;
    if (!c && ReadProperty32(display, window, ControlAtom(display), item))
        c = registry::Find(static_cast<std::uint32_t>(item));
    // A live control, and the one that owns this very window on this very connection:
    // window ids of two servers may coincide.
    if (!c || c->window != window || c->display != display || !c->input) return nullptr;
    return c;
}

void SDispatcher::CursorSet(SControl* c) {
    if (c->globals && c->globals->cursor) c->globals->cursor->Set();
}

void SDispatcher::CursorFree(SControl* c) {
    if (c->globals && c->globals->cursor) c->globals->cursor->Free();
}

bool SDispatcher::PointerInside(SControl* c) {
    if (!c || !c->window) return false;
    Window root, child;
    int rootX, rootY, x, y;
    unsigned mask;
    if (!XQueryPointer(display, c->window, &root, &child, &rootX, &rootY, &x, &y, &mask))
        return false;
    return c->client.ContainsInclusive(Point(x, y));
}

int SDispatcher::Dispatch(SControl* c, XEvent* e) {
    const bool accepts = c->AcceptsInput();
    // A capture on another connection (another editor's drag) has nothing to do with this.
    SControl* captured =
        SControl::capture && SControl::capture->display == display ? SControl::capture : nullptr;
    SControl* t = captured ? captured : c;
    switch (e->type) {
    case KeyPress:
    case KeyRelease:
        if (accepts && t->input) Key(t, e->xkey);
        return 1;
    case ButtonPress: CursorSet(c); return accepts ? Press(c, e->xbutton) : 1;
    case ButtonRelease: return accepts ? Release(c, t, e->xbutton) : 1;
    case MotionNotify: CursorSet(c); return accepts ? Motion(t, e->xmotion) : 1;
    case EnterNotify:
    case LeaveNotify:
        if (e->type == EnterNotify)
            CursorSet(c);
        else
            CursorFree(c);
        if (!accepts || captured) return 1;
        return Crossing(c, e->xcrossing);
    case FocusIn:
        c->Focussing(true);
        if (c->globals && PointerInside(c)) CursorSet(c);
        return 0;
    case FocusOut:
        if ((c->style & STYLE_DIALOG) && c->input->flags[MOUSE_CAPTURE]) {
            c->MouseReleaseCapture();
            c->MouseStateChanged(c->input->flags, MOUSE_CAPTURE);
        }
        if (c->style & STYLE_MENU_CLOSE) c->CloseMenu();
        c->Focussing(false);
        return 0;
    case Expose:
        if (c->IsMapped()) {
            // One paint for a burst of exposures, over the whole client area.
            XLockDisplay(display);
            XEvent pending;
            while (XCheckTypedWindowEvent(display, c->window, Expose, &pending)) {
            }
            c->Draw(c->client);
            XFlush(display);
            XUnlockDisplay(display);
        }
        return 0;
    case NoExpose: return 1;
    case UnmapNotify:
        if (c->parent && c->globals && PointerInside(c->parent)) CursorSet(c);
        c->SetStateBits(STATE_MAPPED, false);
        return 0;
    case MapNotify:
        if (c->globals && PointerInside(c)) CursorSet(c);
        c->SetStateBits(STATE_MAPPED, true);
        return 0;
    case ConfigureNotify: {
        // Only the last geometry of a burst counts.
        XConfigureEvent last = e->xconfigure;
        XEvent pending;
        while (XCheckTypedWindowEvent(display, c->window, ConfigureNotify, &pending))
            last = pending.xconfigure;
        c->rect = Rect(last.x, last.y, last.x + last.width, last.y + last.height);
        c->client = Rect(0, 0, last.width, last.height);
        return 0;
    }
    case ClientMessage: return Client(c, e->xclient);
    case MappingNotify:
        if (e->xmapping.request == MappingModifier || e->xmapping.request == MappingKeyboard) {
            XRefreshKeyboardMapping(&e->xmapping);
            return 1;
        }
        return 0;
    default: return 0;
    }
}

int SDispatcher::Key(SControl* t, XKeyEvent& e) {
    char buffer[20];
    KeySym keysym = 0;
    XLookupString(&e, buffer, sizeof(buffer) - 1, &keysym, nullptr);
    const bool pressed = e.type == KeyPress;
    const SKeyTranslation key = TranslateKey(keysym);
    bool* f = t->input->flags;
    if (key.modifierFlag >= 0) f[key.modifierFlag] = pressed;
    const int mask = (f[MOUSE_SHIFT] ? KEYMOD_SHIFT : 0) | (f[MOUSE_CONTROL] ? KEYMOD_CONTROL : 0) |
                     (f[MOUSE_ALT] ? KEYMOD_ALT : 0);
    if (pressed) {
        for (const SControl::SHotkey& hotkey : t->hotkeys) {
            if (hotkey.keysym != static_cast<int>(keysym)) continue;
            int data[3] = {0, static_cast<int>(keysym), mask};
            t->SendEvent(EVENT_KEY, 4, 0, 0.0f, data, t, nullptr);
            break;
        }
    }
    t->KeyStateChanged(key.code, pressed, mask, key.kind);
    return 1;
}

int SDispatcher::Press(SControl* c, XButtonEvent& e) {
    bool* f = c->input->flags;
    const unsigned button = e.button;
    int code = -1;
    if (button == Button1) {
        f[MOUSE_MIDDLE_DOWN] = false;
        if (!f[MOUSE_LEFT_DOWN]) code = MOUSE_LEFT_DOWN;
        f[MOUSE_LEFT_DOWN] = true;
        f[MOUSE_RIGHT_DOWN] = false;
    } else if (button == Button2) {
        f[MOUSE_RIGHT_DOWN] = false;
        if (!f[MOUSE_MIDDLE_DOWN]) code = MOUSE_MIDDLE_DOWN;
        f[MOUSE_MIDDLE_DOWN] = true;
    } else if (button == Button3) {
        f[MOUSE_MIDDLE_DOWN] = false;
        if (!f[MOUSE_RIGHT_DOWN]) code = MOUSE_RIGHT_DOWN;
        f[MOUSE_RIGHT_DOWN] = true;
    } else if (button == Button4 || button == Button5) {
        SControl* receiver = c;
        if ((c->style & STYLE_WHEEL_TO_PARENT) && (c->style & STYLE_WHEEL_TO_PARENT2)) {
            receiver = c->parent;
            if (!receiver || !receiver->input || !receiver->AcceptsInput()) return 1;
        }
        bool* r = receiver->input->flags;
        r[MOUSE_WHEEL] = true;
        r[MOUSE_LEFT_DOWN] = r[MOUSE_RIGHT_DOWN] = r[MOUSE_MIDDLE_DOWN] = false;
        r[MOUSE_WHEEL_UP] = button == Button4;
        r[MOUSE_WHEEL_DOWN] = button == Button5;
        receiver->Modifiers(static_cast<int>(e.state));
        receiver->MouseStateChanged(r, MOUSE_WHEEL);
        receiver->MousePosition(e.x, e.y);
        return 1;
    }

    context::SInput* in = c->input;
    int doubleCode = -1;
    const unsigned elapsed =
        static_cast<unsigned>(e.time) - static_cast<unsigned>(in->lastPressTime);
    if (in->lastPressTime != 0 && elapsed <= 359 && static_cast<int>(button) == in->lastButton) {
        if (button == Button1) {
            if (!f[MOUSE_LEFT_DOUBLE]) doubleCode = MOUSE_LEFT_DOUBLE;
            f[MOUSE_LEFT_DOUBLE] = true;
            f[MOUSE_RIGHT_DOUBLE] = f[MOUSE_MIDDLE_DOUBLE] = false;
        } else if (button == Button2) {
            if (!f[MOUSE_MIDDLE_DOUBLE]) doubleCode = MOUSE_MIDDLE_DOUBLE;
            f[MOUSE_MIDDLE_DOUBLE] = true;
            f[MOUSE_LEFT_DOUBLE] = f[MOUSE_RIGHT_DOUBLE] = false;
        } else if (button == Button3) {
            if (!f[MOUSE_RIGHT_DOUBLE]) doubleCode = MOUSE_RIGHT_DOUBLE;
            f[MOUSE_RIGHT_DOUBLE] = true;
            f[MOUSE_LEFT_DOUBLE] = f[MOUSE_MIDDLE_DOUBLE] = false;
        }
    }
    in->lastPressTime = static_cast<int>(e.time);
    in->lastButton = static_cast<int>(button);

    f[MOUSE_INSIDE] = true;
    f[MOUSE_ENTER] = f[MOUSE_LEAVE] = f[MOUSE_UP] = f[MOUSE_WHEEL] = false;
    c->Modifiers(static_cast<int>(e.state));
    if (doubleCode >= 0)
        c->MouseStateChanged(f, doubleCode);
    else if (code >= 0)
        c->MouseStateChanged(f, code);
    if ((c->style & STYLE_CAPTURE) && !f[MOUSE_CAPTURE]) {
        c->MouseSetCapture();
        c->MouseStateChanged(f, MOUSE_CAPTURE);
    }
    c->MousePosition(e.x, e.y);
    return 0;
}

int SDispatcher::Release(SControl* c, SControl* t, XButtonEvent& e) {
    if (!t->input) return 0;
    bool* f = t->input->flags;
    const bool wasUp = f[MOUSE_UP];
    const bool inside = f[MOUSE_INSIDE];
    f[MOUSE_UP] = true;
    ClearButtons(f);
    f[MOUSE_WHEEL] = f[MOUSE_MOVE] = false;
    if (inside) {
        f[MOUSE_ENTER] = f[MOUSE_LEAVE] = false;
        CursorSet(c);
    } else {
        f[MOUSE_ENTER] = false;
        f[MOUSE_LEAVE] = true;
        CursorFree(c);
    }
    t->Modifiers(static_cast<int>(e.state));
    if (!wasUp) t->MouseStateChanged(f, MOUSE_UP);
    t->MousePosition(e.x, e.y);
    if ((t->style & STYLE_CAPTURE) && f[MOUSE_CAPTURE]) {
        t->MouseReleaseCapture();
        t->MouseStateChanged(f, MOUSE_CAPTURE);
    }
    return 0;
}

int SDispatcher::Motion(SControl* t, XMotionEvent& e) {
    if (!t->input) return 0;
    bool* f = t->input->flags;
    const bool report = f[MOUSE_INSIDE] && (f[MOUSE_ENTER] || !f[MOUSE_MOVE]);
    f[MOUSE_ENTER] = false;
    f[MOUSE_MOVE] = f[MOUSE_INSIDE];
    f[MOUSE_WHEEL] = false;
    t->Modifiers(static_cast<int>(e.state));
    if (report) t->MouseStateChanged(f, MOUSE_MOVE);
    t->MousePosition(e.x, e.y);
    return 0;
}

int SDispatcher::Crossing(SControl* c, XCrossingEvent& e) {
    bool* f = c->input->flags;
    int code = -1;
    const bool tip = c->tooltip && (c->GetState() & STATE_TOOLTIP);
    if (e.type == EnterNotify) {
        if (!f[MOUSE_ENTER]) code = MOUSE_ENTER;
        f[MOUSE_INSIDE] = f[MOUSE_ENTER] = true;
        f[MOUSE_LEAVE] = false;
        if (tip) PlaceTooltip(c);
    } else {
        if (!f[MOUSE_LEAVE]) code = MOUSE_LEAVE;
        f[MOUSE_ENTER] = f[MOUSE_INSIDE] = false;
        f[MOUSE_LEAVE] = true;
        if (tip) c->HideTooltip();
    }
    if (!f[MOUSE_CAPTURE]) ClearButtons(f);
    f[MOUSE_WHEEL] = false;
    c->Modifiers(static_cast<int>(e.state));
    if (code >= 0) c->MouseStateChanged(f, code);
    c->MousePosition(e.x, e.y);
    if (c->style & STYLE_OUTLINES_ON_HOVER) c->RefreshOutlines();
    return 0;
}

void SDispatcher::PlaceTooltip(SControl* c) {
    SToolTipData* data = c->tooltip;
    if (!data->tip) return;
    data->tip->flipped = false;
    STooltipPlacement p;
    p.placement = data->placement;
    p.width = c->Width();
    p.height = c->Height();
    p.text = data->bounds;
    c->GetClient2Screen(p.origin);
    p.offset = data->offset;
    p.flippedOffset = data->flippedOffset;
    SDisplay* layout = sd ? sd->DisplayInfo() : nullptr;
    if (layout && layout->monitors.empty()) layout->AllMonitorRects();
    p.screen = layout ? layout->Bounds()
                      : Rect(0, 0, DisplayWidth(display, DefaultScreen(display)),
                             DisplayHeight(display, DefaultScreen(display)));
    bool flipped = false;
    const Point position = velk::gui::PlaceTooltip(p, flipped);
    data->tip->flipped = flipped;
    c->ShowTooltip(position);
}

int SDispatcher::Client(SControl* c, XClientMessageEvent& e) {
    char* name = e.message_type ? XGetAtomName(display, e.message_type) : nullptr;
    if (!name) return 0;
    int result = 0;
    if (!strcmp(name, "WM_PAINT_REGION")) {
        // Only a region this control asked to repaint is passed on; any other client
        // could have written that number.
        SDrawRegion* region = regions::Take(c->window, e.data.l[1]);
        XLockDisplay(display);
        c->DrawRegion(region);
        XFlush(display);
        XUnlockDisplay(display);
        result = 1;
    } else if (!strcmp(name, "WM_PAINT_AREA")) {
        XLockDisplay(display);
        c->DrawArea(static_cast<unsigned>(e.data.l[1]));
        XFlush(display);
        XUnlockDisplay(display);
        result = 1;
    } else if (!strcmp(name, "WM_PAINT_OUTLINES")) {
        XLockDisplay(display);
        c->DrawOutlines(Rect(0, 0, c->Width(), c->Height()));
        XFlush(display);
        XUnlockDisplay(display);
        result = 1;
    } else if (!strcmp(name, "WM_MENU_ENTERED") || !strcmp(name, "WM_MENU_LEFT")) {
        result = 1;
    } else if (!strcmp(name, "WM_PROTOCOLS")) {
        if ((c->style & STYLE_DIALOG) && !(c->style & STYLE_ROOT_DIALOG)) {
            c->CloseDialog();
            result = 1;
        } else if (c->style & STYLE_MAIN) {
            c->Stop();
            result = 1;
        }
    }
    XFree(name);
    return result;
}

int SControl::eventProc(XEvent* event) {
    if (!event || !event->xany.window) return 0;
    Display* display = event->xany.display ? event->xany.display : XDisplay();
    if (!display || IsDead(display)) return 0;
    // Editors refresh their panels from the idle thread under the same lock; whatever the
    // event leads to is made on its own connection.
    SDisplayScope scope(display);
    SDispatcher dispatcher(display);
    SControl* c = dispatcher.Target(event->xany.window);
    if (!c) return 0;
    return dispatcher.Dispatch(c, event);
}

} // namespace velk::gui
