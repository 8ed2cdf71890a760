// Which Host owns which plug-in record, so the one C callback reaches the right instance.
#pragma once

#include "plugin/protocol/vst_abi.h"

#include <cstddef>
#include <mutex>

namespace moravox::host {

class Host;

namespace registry {

// Records that can be registered at once. Routing a call takes no lock and allocates nothing,
// so a plug-in may call back from a real-time thread; registering and removing may lock.
constexpr size_t kCapacity = 256;

// While a plug-in's entry runs its record is not known yet (a plug-in may call back with a null
// or an unregistered record), so such calls go to the host under construction. Entries are run
// one at a time: the scope holds a lock for its whole life.
class Construction {
public:
    explicit Construction(Host* host);
    ~Construction();
    Construction(const Construction&) = delete;
    Construction& operator=(const Construction&) = delete;

    // Registers the record the entry returned, in the same step that ends the construction.
    // False when kCapacity records are registered already: calls with this record then reach
    // no host.
    bool Adopt(AEffect* effect);

private:
    std::unique_lock<std::mutex> serial_;
    bool ended_ = false;
};

// Waits for calls in flight to the record's host before returning.
void Unregister(AEffect* effect);

// Hands the call to the record's host (or the one under construction); 0 when there is none.
VstIntPtr Route(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                float opt);

} // namespace registry
} // namespace moravox::host
