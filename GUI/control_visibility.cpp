// Mapping, enabling and keyboard focus of a control.
#include <X11/Xlib.h>

#include "GUI/control.h"
#include "GUI/globals.h"

namespace velk::gui {

void SControl::SetStateBits(int bits, bool on) {
    if (on)
        state.fetch_or(bits, std::memory_order_acq_rel);
    else
        state.fetch_and(~bits, std::memory_order_acq_rel);
}

void SControl::Show() {
    if (!display || !window || IsMapped()) return;
    XMapRaised(display, window);
    SetStateBits(STATE_MAPPED, true);
    Refresh();
}

void SControl::Hide() {
    if (display && window && IsMapped()) XUnmapWindow(display, window);
    SetStateBits(STATE_MAPPED, false);
}

void SControl::Enable(bool enable) {
    SetStateBits(STATE_ENABLED, enable);
    Refresh();
}

bool SControl::Enabled() const {
    if (!(GetState() & STATE_ENABLED)) return false;
    return !parent || parent->Enabled() || acceptInput;
}

bool SControl::AcceptsInput() const {
    return Enabled();
}

void SControl::Minimized() {
    if (style & STYLE_MENU_CLOSE) CloseMenu();
}

void SControl::Focussing(bool focussed) {
    SetStateBits(STATE_FOCUSSED, focussed);
}

void SControl::Focus(bool focus) {
    if (CleaningUp() || !IsMapped() || !display || !window) return;
    Window owner = 0;
    int revert = 0;
    XGetInputFocus(display, &owner, &revert);
    if (focus) {
        if (owner == window) return;
        previousFocus = owner;
        XSetInputFocus(display, window, RevertToNone, CurrentTime);
    } else if (owner == window && previousFocus) {
        XSetInputFocus(display, previousFocus, RevertToNone, CurrentTime);
    }
}

void SControl::FocusTopParent() {
    if (!display || !globals || !globals->hostWindow) return;
    Window root, parentOf, *children = nullptr;
    unsigned count = 0;
    Window target = globals->hostWindow;
    if (XQueryTree(display, target, &root, &parentOf, &children, &count)) {
        if (children) XFree(children);
        if (parentOf && parentOf != root) target = parentOf;
    }
    XSetInputFocus(display, target, RevertToNone, CurrentTime);
}

void SControl::ActivateOwner() {
    if (parent) parent->Focus(true);
}

} // namespace velk::gui
