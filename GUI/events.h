// The toolkit's event record and the event types the program uses.
#pragma once

#include <ctime>

namespace velk {
namespace threading {
class SMutexID;
}
namespace gui {

class SControl;

enum SEventType {
    EVENT_BUTTON = 3,
    EVENT_VALUE = 5,
    EVENT_TIMER = 9,
    EVENT_KEY = 11,
};

// Filled by a control's SendEvent and handed to its listeners.
struct SEvent {
    int time = static_cast<int>(clock());
    int type = -1;
    int a = 0;
    int b = 0;
    float value = 0.0f;
    SControl* sender = nullptr;
    threading::SMutexID* mutex = nullptr;
    void* data = nullptr;
};

} // namespace gui
} // namespace velk
