// The live controls of the process. A control registers when its window is made and
// unregisters before its window goes; the dispatcher only calls a control it finds
// here, so a late event for a destroyed control, or a property some other client
// wrote, is dropped instead of calling through a stale or forged pointer. Controls are
// also known by their window, so that an event for one of ours costs no round trip.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velk::gui {

class SControl;

namespace registry {

// Registers the control and returns the 32-bit item its window publishes: its
// address on i386, a fresh key on x86_64. 0 for a null control.
// `display` and `window` are the control's own, by which FindWindow answers it.
std::uint32_t Register(SControl* control, const void* display, unsigned long window);
void Unregister(SControl* control);
// The live control published under item, or null.
SControl* Find(std::uint32_t item);
// The live control that registered with this window of this connection, or null.
SControl* FindWindow(const void* display, unsigned long window);
// Whether this window of this connection belonged to a control lately unregistered: the
// events still queued for it are dropped without asking the server about a window it
// no longer has.
bool WasOurs(const void* display, unsigned long window);
std::size_t Count();

} // namespace registry
} // namespace velk::gui
