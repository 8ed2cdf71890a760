// Mouse and key state, pointer capture, and toolkit events sent to listeners.
#include <X11/Xlib.h>

#include <ctime>

#include "GUI/control.h"

namespace velk::gui {

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
