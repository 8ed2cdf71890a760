// Listeners of a control's toolkit events, one handler per event type 0..12.
// Timer threads deliver through it too, so the lists are guarded by a lock.
#pragma once

#include <vector>

#include "system/mutex.h"

namespace velk::gui {

class SControl;

struct SEventHandler {
    std::vector<SControl*> listeners;
    int type = 0;
    bool enabled = false;
};

class SEventManager {
public:
    static constexpr int kTypes = 13;

    SEventManager();
    SEventManager(const SEventManager&) = delete;
    SEventManager& operator=(const SEventManager&) = delete;

    static bool ValidType(int type) { return type >= 0 && type < kTypes; }
    // No duplicates; a null listener or a bad type is ignored.
    void Add(SControl* listener, int type);
    void Remove(SControl* listener, int type);
    void SetEnabled(int type, bool enabled);
    bool Enabled(int type) const;
    // A copy of the listeners of a type, so delivery runs without the lock held and a
    // listener may change the lists.
    std::vector<SControl*> Listeners(int type) const;

private:
    mutable threading::SMutexOS mutex;
    SEventHandler handlers[kTypes];
};

} // namespace velk::gui
