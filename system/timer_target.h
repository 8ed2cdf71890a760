// What a timer needs of the control it ticks: a way to deliver a tick and the
// control's cleaning-up flag. The toolkit's SControl implements it, turning each tick
// into its own timer event.
#pragma once

namespace velk {
namespace threading {

class STimerTarget {
public:
    virtual ~STimerTarget() = default;
    // One tick of timer `id`, delivered synchronously on the calling (timer) thread;
    // `time` is the processor clock at the tick.
    virtual int TimerTick(int id, int time) = 0;
    // True while the control is being torn down; a timer then delivers nothing.
    virtual bool CleaningUp() const = 0;
};

} // namespace threading
} // namespace velk
