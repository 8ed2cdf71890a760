#include "GUI/registry.h"

#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "GUI/world.h"

namespace velk::gui::registry {

namespace {

// Window ids of two servers may coincide: a window is known with its connection.
using WindowKey = std::pair<const void*, unsigned long>;

struct WindowKeyHash {
    std::size_t operator()(const WindowKey& key) const {
        return std::hash<const void*>()(key.first) ^ (std::hash<unsigned long>()(key.second) << 1);
    }
};

struct SEntry {
    std::uint32_t item;
    WindowKey window;
};

// The windows of the last controls gone; more than a few editors' worth.
constexpr std::size_t kGoneWindows = 512;

struct SRegistry {
    std::mutex mutex;
    WindowKey gone[kGoneWindows] = {};
    std::size_t nextGone = 0;
    std::unordered_map<std::uint32_t, SControl*> byItem;
    std::unordered_map<SControl*, SEntry> byControl;
    std::unordered_map<WindowKey, SControl*, WindowKeyHash> byWindow;
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

std::uint32_t Register(SControl* control, const void* display, unsigned long window) {
    if (!control) return 0;
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    const WindowKey key(display, window);
    auto known = r.byControl.find(control);
    if (known != r.byControl.end()) {
        // Published again, perhaps for a new window.
        if (known->second.window != key) {
            r.byWindow.erase(known->second.window);
            known->second.window = key;
            if (window) r.byWindow[key] = control;
        }
        return known->second.item;
    }
    const std::uint32_t item = NewItem(r, control);
    r.byItem[item] = control;
    r.byControl[control] = {item, key};
    if (window) r.byWindow[key] = control;
    return item;
}

void Unregister(SControl* control) {
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto known = r.byControl.find(control);
    if (known == r.byControl.end()) return;
    r.byItem.erase(known->second.item);
    auto mapped = r.byWindow.find(known->second.window);
    if (mapped != r.byWindow.end() && mapped->second == control) r.byWindow.erase(mapped);
    if (known->second.window.second) {
        r.gone[r.nextGone] = known->second.window;
        r.nextGone = (r.nextGone + 1) % kGoneWindows;
    }
    r.byControl.erase(known);
}

SControl* Find(std::uint32_t item) {
    if (item == 0) return nullptr;
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.byItem.find(item);
    return found == r.byItem.end() ? nullptr : found->second;
}

SControl* FindWindow(const void* display, unsigned long window) {
    if (!display || !window) return nullptr;
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.byWindow.find(WindowKey(display, window));
    return found == r.byWindow.end() ? nullptr : found->second;
}

bool WasOurs(const void* display, unsigned long window) {
    if (!display || !window) return false;
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    const WindowKey key(display, window);
    for (const WindowKey& gone : r.gone)
        if (gone == key) return true;
    return false;
}

std::size_t Count() {
    SRegistry& r = Instance();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.byControl.size();
}

} // namespace velk::gui::registry
