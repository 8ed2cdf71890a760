// What a timer needs of the control it ticks: a way to deliver its event and
// the control's cleaning-up flag. The toolkit's SControl implements it.
#pragma once

namespace velk {
namespace gui {
struct SEvent;
}
namespace threading {

class STimerTarget {
public:
    virtual ~STimerTarget() = default;
    // Delivers the event synchronously on the calling (timer) thread. The
    // target names itself as the event's sender.
    virtual int SendEvent(gui::SEvent* event) = 0;
    // True while the control is being torn down; a timer then delivers nothing.
    virtual bool CleaningUp() const = 0;
};

} // namespace threading
} // namespace velk
