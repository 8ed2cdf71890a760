#include "GUI/regions.h"

#include <mutex>
#include <utility>
#include <vector>

namespace velk::gui::regions {

namespace {
std::mutex mutex;
std::vector<std::pair<Window, context::SDrawRegion*>> pending;
} // namespace

void Add(Window window, context::SDrawRegion* region) {
    if (!region) return;
    std::lock_guard<std::mutex> lock(mutex);
    pending.emplace_back(window, region);
}

void Forget(Window window) {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = pending.begin(); it != pending.end();)
        it = it->first == window ? pending.erase(it) : it + 1;
}

context::SDrawRegion* Take(Window window, long value) {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        if (it->first == window && reinterpret_cast<long>(it->second) == value) {
            context::SDrawRegion* region = it->second;
            pending.erase(it);
            return region;
        }
    }
    return nullptr;
}

} // namespace velk::gui::regions
