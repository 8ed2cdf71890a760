#include "GUI/eventmanager.h"

#include <algorithm>

namespace velk::gui {

namespace {
class SLocked {
public:
    explicit SLocked(threading::SMutexOS& mutex) : mutex(mutex) { mutex.Lock(); }
    ~SLocked() { mutex.Unlock(); }

private:
    threading::SMutexOS& mutex;
};
} // namespace

SEventManager::SEventManager() {
    for (int i = 0; i < kTypes; ++i) handlers[i].type = i;
}

void SEventManager::Add(SControl* listener, int type) {
    if (!listener || !ValidType(type)) return;
    SLocked lock(mutex);
    std::vector<SControl*>& list = handlers[type].listeners;
    if (std::find(list.begin(), list.end(), listener) == list.end()) list.push_back(listener);
}

void SEventManager::Remove(SControl* listener, int type) {
    if (!ValidType(type)) return;
    SLocked lock(mutex);
    std::vector<SControl*>& list = handlers[type].listeners;
    list.erase(std::remove(list.begin(), list.end(), listener), list.end());
}

void SEventManager::SetEnabled(int type, bool enabled) {
    if (!ValidType(type)) return;
    SLocked lock(mutex);
    handlers[type].enabled = enabled;
}

bool SEventManager::Enabled(int type) const {
    if (!ValidType(type)) return false;
    SLocked lock(mutex);
    return handlers[type].enabled;
}

std::vector<SControl*> SEventManager::Listeners(int type) const {
    if (!ValidType(type)) return {};
    SLocked lock(mutex);
    return handlers[type].listeners;
}

} // namespace velk::gui
