// The live controls of the process. A control registers when its window is made and
// unregisters before its window goes; the dispatcher only calls a control it finds
// here, so a late event for a destroyed control, or a property some other client
// wrote, is dropped instead of calling through a stale or forged pointer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velk::gui {

class SControl;

namespace registry {

// Registers the control and returns the 32-bit item its window publishes: its
// address on i386, a fresh key on x86_64. 0 for a null control.
std::uint32_t Register(SControl* control);
void Unregister(SControl* control);
// The live control published under item, or null.
SControl* Find(std::uint32_t item);
std::size_t Count();

} // namespace registry
} // namespace velk::gui
