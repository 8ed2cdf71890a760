#include "host/core/host_registry.h"

#include "host/core/host.h"

#include <array>
#include <atomic>
#include <thread>

namespace moravox::host::registry {
namespace {

// A record and its host. A caller pins the slot (inFlight) and then checks the record again;
// removal clears the record and then waits until no pin is left. Both sides use sequentially
// consistent order, so either the caller sees the record gone or removal sees the pin.
struct Slot {
    std::atomic<AEffect*> effect{nullptr};
    std::atomic<Host*> host{nullptr};
    std::atomic<unsigned> inFlight{0};
};

class Pin {
public:
    explicit Pin(Slot& slot) : slot_(slot) { slot_.inFlight.fetch_add(1); }
    ~Pin() { slot_.inFlight.fetch_sub(1); }
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;

private:
    Slot& slot_;
};

struct Registry {
    std::mutex serial;  // one plug-in entry at a time
    std::mutex writers; // registration and removal
    std::array<Slot, kCapacity> slots;
    std::atomic<size_t> used{0}; // slots below this index have been used
    Slot constructing;           // its host is the one whose entry runs; its record is unused
};

Registry& Instance() {
    static Registry registry;
    return registry;
}

void WaitForCalls(const Slot& slot) {
    while (slot.inFlight.load() != 0) std::this_thread::yield();
}

VstIntPtr Call(Host* host, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return host == nullptr ? 0 : host->HandleHostCall(opcode, index, value, ptr, opt);
}

} // namespace

Construction::Construction(Host* host) : serial_(Instance().serial) {
    Instance().constructing.host.store(host);
}

Construction::~Construction() {
    if (!ended_) Adopt(nullptr);
}

bool Construction::Adopt(AEffect* effect) {
    Registry& r = Instance();
    bool adopted = effect == nullptr;
    {
        std::lock_guard<std::mutex> lock(r.writers);
        for (size_t i = 0; effect != nullptr && i < kCapacity; ++i) {
            Slot& slot = r.slots[i];
            if (slot.effect.load() != nullptr) continue;
            slot.host.store(r.constructing.host.load());
            slot.effect.store(effect);
            if (r.used.load() <= i) r.used.store(i + 1);
            adopted = true;
            break;
        }
    }
    r.constructing.host.store(nullptr);
    WaitForCalls(r.constructing);
    ended_ = true;
    return adopted;
}

void Unregister(AEffect* effect) {
    if (effect == nullptr) return;
    Registry& r = Instance();
    std::lock_guard<std::mutex> lock(r.writers);
    for (Slot& slot : r.slots) {
        if (slot.effect.load() != effect) continue;
        slot.effect.store(nullptr);
        WaitForCalls(slot);
        slot.host.store(nullptr);
    }
}

VstIntPtr Route(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                float opt) {
    Registry& r = Instance();
    const size_t used = effect != nullptr ? r.used.load() : 0;
    for (size_t i = 0; i < used; ++i) {
        Slot& slot = r.slots[i];
        if (slot.effect.load(std::memory_order_relaxed) != effect) continue;
        Pin pin(slot);
        // Removed (and perhaps reused) between the look and the pin: keep looking.
        if (slot.effect.load() != effect) continue;
        return Call(slot.host.load(), opcode, index, value, ptr, opt);
    }
    Pin pin(r.constructing);
    return Call(r.constructing.host.load(), opcode, index, value, ptr, opt);
}

} // namespace moravox::host::registry

extern "C" VstIntPtr MoravoxHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt) {
    return moravox::host::registry::Route(effect, opcode, index, value, ptr, opt);
}
