// The ABI side of the "_XEventProc" and "_ZOVUZOZ" window properties: hosts read
// each as one format-32 item. Everything that differs between i386 and x86_64 for
// these two properties lives here, beside vst_abi.h.
#pragma once

#include <cstdint>

union _XEvent;

namespace velk::plugin {

using XEventProcedure = int (*)(union _XEvent*);

// On x86_64 a host keeps only the low 32 bits of the item and calls that address,
// so a control's property carries a registry key instead of its address there.
constexpr bool kControlItemIsAddress = sizeof(void*) == 4;

// The item a host calls as the event procedure. On i386 the procedure's own
// address; on x86_64 the address of a small thunk, mapped below 2 GiB, that jumps
// to it. 0 when no thunk page could be mapped, or for a second, different
// procedure (there is one event procedure per process).
std::uint32_t EventProcItem(XEventProcedure procedure);

// Unmaps the thunk (library unload); the next EventProcItem maps a new one.
void ReleaseEventProcThunk();

} // namespace velk::plugin
