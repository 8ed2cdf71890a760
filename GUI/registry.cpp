#include "GUI/registry.h"

#include <mutex>
#include <unordered_map>

#include "GUI/world.h"

namespace velk::gui::registry {

namespace {

struct SRegistry {
    std::mutex mutex;
    std::unordered_map<std::uint32_t, SControl*> byItem;
    std::unordered_map<SControl*, std::uint32_t> byControl;
    std::uint32_t nextKey = 1;
};

SRegistry& Instance() {
    static SRegistry registry;
    return registry;
}

std::uint32_t NewItem(SRegistry& r, SControl* control) {
    if (ControlItemIsAddress())
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(control));
    // Keys are not reused while the counter lasts; 0 is never a key.
    do {
        if (++r.nextKey == 0) r.nextKey = 1;
    } while (r.byItem.count(r.nextKey));
    return r.nextKey;
}

} // namespace

std::uint32_t Register(SControl* control) {
    if (!control) return 0;
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto known = r.byControl.find(control);
    if (known != r.byControl.end()) return known->second;
    const std::uint32_t item = NewItem(r, control);
    r.byItem[item] = control;
    r.byControl[control] = item;
    return item;
}

void Unregister(SControl* control) {
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto known = r.byControl.find(control);
    if (known == r.byControl.end()) return;
    r.byItem.erase(known->second);
    r.byControl.erase(known);
}

SControl* Find(std::uint32_t item) {
    if (item == 0) return nullptr;
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.byItem.find(item);
    return found == r.byItem.end() ? nullptr : found->second;
}

std::size_t Count() {
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.byControl.size();
}

} // namespace velk::gui::registry
