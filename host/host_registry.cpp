#include "host/host_registry.h"

#include "host/host.h"

#include <map>
#include <shared_mutex>

namespace moravox::host::registry {
namespace {

struct Registry {
    std::mutex serial; // one plug-in entry at a time
    std::shared_mutex mutex;
    std::map<AEffect*, Host*> hosts;
    Host* constructing = nullptr;
};

Registry& Instance() {
    static Registry registry;
    return registry;
}

} // namespace

Construction::Construction(Host* host) : serial_(Instance().serial) {
    std::unique_lock<std::shared_mutex> lock(Instance().mutex);
    Instance().constructing = host;
}

Construction::~Construction() {
    if (!ended_) Adopt(nullptr);
}

void Construction::Adopt(AEffect* effect) {
    std::unique_lock<std::shared_mutex> lock(Instance().mutex);
    if (effect != nullptr) Instance().hosts[effect] = Instance().constructing;
    Instance().constructing = nullptr;
    ended_ = true;
}

void Unregister(AEffect* effect) {
    std::unique_lock<std::shared_mutex> lock(Instance().mutex);
    Instance().hosts.erase(effect);
}

VstIntPtr Route(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                float opt) {
    // Held while the call is answered, so a Host cannot go away under a plug-in thread's call.
    std::shared_lock<std::shared_mutex> lock(Instance().mutex);
    Host* host = Instance().constructing;
    const auto found = Instance().hosts.find(effect);
    if (found != Instance().hosts.end()) host = found->second;
    if (host == nullptr) return 0;
    return host->HandleHostCall(opcode, index, value, ptr, opt);
}

} // namespace moravox::host::registry

extern "C" VstIntPtr MoravoxHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt) {
    return moravox::host::registry::Route(effect, opcode, index, value, ptr, opt);
}
