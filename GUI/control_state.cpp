// Visibility, focus, repaint requests, drawing hooks, mouse state and toolkit events.
#include <X11/Xlib.h>

#include <ctime>

#include "GUI/colour.h"
#include "GUI/control.h"
#include "GUI/globals.h"
#include "GUI/regions.h"
#include "GUI/staticdata.h"

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

// Repaints travel through the server and are drawn later by the dispatcher inside
// the display lock. Each request builds its own event: they may come from timer threads.
void SControl::Refresh() {
    if (!display || !window || !IsMapped()) return;
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.display = display;
    expose.xexpose.window = window;
    expose.xexpose.width = Width();
    expose.xexpose.height = Height();
    XSendEvent(display, window, False, ExposureMask, &expose);
    XFlush(display);
}

void SControl::RefreshRectangle(const Rect& r) {
    if (!display || !window || !IsMapped()) return;
    XEvent expose{};
    expose.xexpose.type = Expose;
    expose.xexpose.display = display;
    expose.xexpose.window = window;
    expose.xexpose.x = r.left;
    expose.xexpose.y = r.top;
    expose.xexpose.width = r.Width();
    expose.xexpose.height = r.Height();
    XSendEvent(display, window, False, ExposureMask, &expose);
}

void SControl::SendPaintMessage(const char* type, long l0, long l1, long l3, long l4) {
    if (!display || !window || !IsMapped()) return;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.display = display;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, type, False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = l0;
    message.xclient.data.l[1] = l1;
    message.xclient.data.l[3] = l3;
    message.xclient.data.l[4] = l4;
    XSendEvent(display, window, False, 0, &message);
}

void SControl::RefreshOutlines() {
    SendPaintMessage("WM_PAINT_OUTLINES", 0, 0, Width(), Height());
}

void SControl::RefreshRegion(SDrawRegion* region) {
    if (!display || !window || !IsMapped()) return;
    regions::Add(window, region);
    SendPaintMessage("WM_PAINT_REGION", 0, reinterpret_cast<long>(region), 0, 0);
}

void SControl::RefreshArea(unsigned area) {
    SendPaintMessage("WM_PAINT_AREA", 0, static_cast<long>(area), 0, 0);
}

void SControl::Draw(const Rect& r) {
    if (!drawing) return;
    drawing->DrawBackground(r, false);
    if ((style & STYLE_MARKER) && statdata) {
        const int black = statdata->Colour(COLOUR_BLACK);
        const int blue = statdata->Colour(COLOUR_BLUE);
        drawing->SetPen(statdata->FindPen(black));
        drawing->SetBrush(statdata->FindBrush(black));
        drawing->FillRect(r.left, r.top, r.right, r.top + 10);
        drawing->FillRect(r.left, r.top, r.left + 10, r.bottom);
        drawing->FillRect(r.right - 10, r.top, r.right, r.bottom);
        drawing->FillRect(r.left, r.bottom - 10, r.right, r.bottom);
        drawing->SetPen(statdata->FindPen(blue));
        drawing->DrawRect(r);
        drawing->SetBrush(statdata->FindBrush(blue));
        drawing->FillRect(r.left + 1, r.top + 1, r.left + 10, r.top + 10);
    }
    DrawOutlines(r);
}

void SControl::DrawOutlines(const Rect& r) {
    if (!(style & STYLE_FRAME) || !drawing || !statdata) return;
    drawing->SetPen(statdata->FindPen(drawing->GetFrameColour(Enabled(), false)));
    drawing->DrawRect(r);
}

void SControl::DrawBorder(const Rect& r) {
    if (!(style & STYLE_BORDER) || !drawing || !statdata) return;
    const int black = statdata->Colour(COLOUR_BLACK);
    drawing->SetPen(statdata->FindPen(black));
    drawing->SetBrush(statdata->FindBrush(black));
    drawing->FillRect(r);
}

void SControl::CloseTip() {
    HideTooltip();
}

void SControl::MousePosition(int x, int y) {
    if (!input) return;
    if (x == input->lastX && y == input->lastY) {
        input->deltaX = input->deltaY = 0;
        input->flags[MOUSE_MOVE] = false;
        return;
    }
    input->deltaX = x - input->lastX;
    input->deltaY = y - input->lastY;
    input->lastX = x;
    input->lastY = y;
    input->flags[MOUSE_MOVE] = true;
    MousePosChanged(input->deltaX, input->deltaY);
}

bool* SControl::MouseState() {
    static bool none[MOUSE_FLAGS];
    return input ? input->flags : none;
}

bool SControl::MouseTracking() {
    return input && input->flags[MOUSE_TRACKING];
}

void SControl::Modifiers(int xstate) {
    if (!input) return;
    input->flags[MOUSE_SHIFT] = xstate & ShiftMask;
    input->flags[MOUSE_CONTROL] = xstate & ControlMask;
    input->flags[MOUSE_ALT] = xstate & Mod1Mask;
}

void SControl::KeyStateSet(int bits) {
    if (!input) return;
    input->keyState = bits;
    Modifiers(bits);
}

int SControl::KeyStateGet() const {
    return input ? input->keyState : 0;
}

void SControl::UpdateModifiers(int, bool) {
    if (input) Modifiers(input->keyState);
}

void SControl::MouseSetCapture() {
    capture = this;
    if (input) input->flags[MOUSE_CAPTURE] = true;
    if (!display || !window) return;
    const unsigned mask = ButtonPressMask | ButtonReleaseMask | EnterWindowMask | LeaveWindowMask |
                          PointerMotionMask | ButtonMotionMask;
    if (XGrabPointer(display, window, False, mask, GrabModeAsync, GrabModeAsync, None, None,
                     CurrentTime) != GrabSuccess) {
        capture = nullptr;
        if (input) input->flags[MOUSE_CAPTURE] = false;
    }
}

void SControl::MouseReleaseCapture() {
    if (input) input->flags[MOUSE_CAPTURE] = false;
    capture = nullptr;
    if (display) {
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
}

void SControl::SetDrawingMode(bool active) {
    if (!drawing) return;
    drawing->SetBackgroundColour(active);
    drawing->SetForegroundColour(active);
}

void SControl::SetBackgroundMode(bool mode) {
    if (drawing) drawing->SetBackgroundMode(mode);
}

void SControl::SetBackground(int pixel, bool active) {
    if (drawing) drawing->SetBackground(pixel, active);
}

void SControl::SetBackgroundColour(bool active) {
    if (drawing) drawing->SetBackgroundColour(active);
}

void SControl::SetBackgroundColour(int pixel) {
    if (drawing) drawing->SetBackgroundColour(pixel);
}

int SControl::GetBackgroundColour() {
    return drawing ? drawing->GetBackgroundColour() : 0;
}

int SControl::GetForegroundColour() {
    return drawing ? drawing->GetForegroundColour() : 0;
}

void SControl::SetColours(int bgNormal, int bgActive, int parentBg, int fgNormal, int fgActive,
                          int textNormal, int textActive) {
    if (drawing)
        drawing->SetColours(bgNormal, bgActive, parentBg, fgNormal, fgActive, textNormal,
                            textActive);
}

void SControl::SetTextColour(int pixel) {
    if (drawing) drawing->SetTextColour(pixel, false);
}

int SControl::GetFrameColour(bool enabled, bool highlighted) {
    return drawing ? drawing->GetFrameColour(enabled, highlighted) : 0;
}

void SControl::SetFrameColour(int enabled, int highlighted, int disabled) {
    if (drawing) drawing->SetFrameColour(enabled, highlighted, disabled);
}

int SControl::SendEvent(int type, int a, int b, float value, void* data, SControl* sender,
                        threading::SMutexID* mutex) {
    event.time = static_cast<int>(clock());
    event.type = type;
    event.a = a;
    event.b = b;
    event.value = value;
    event.data = data;
    event.sender = sender;
    event.mutex = mutex;
    if (!SEventManager::ValidType(type)) return 0;
    const std::vector<SControl*> listeners = events.Listeners(type);
    for (SControl* listener : listeners) {
        if (mutex) mutex->Lock();
        listener->ParseEvent(&event);
        if (mutex) mutex->Unlock();
    }
    return static_cast<int>(listeners.size());
}

int SControl::SendEvent(SEvent* record) {
    if (!record || !SEventManager::ValidType(record->type)) return 0;
    record->sender = this;
    const std::vector<SControl*> listeners = events.Listeners(record->type);
    for (SControl* listener : listeners) {
        if (record->mutex) record->mutex->Lock();
        listener->ParseEvent(record);
        if (record->mutex) record->mutex->Unlock();
    }
    return static_cast<int>(listeners.size());
}

} // namespace velk::gui
