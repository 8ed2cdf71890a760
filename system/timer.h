// Periodic timers that deliver EVENT_TIMER to a control from a worker thread.
#pragma once

#include <atomic>
#include <memory>

#include "system/thread.h"
#include "system/timer_target.h"

namespace velk {
namespace threading {

// The worker of an STimer: one thread that ticks its target every interval,
// the first tick right after Start.
class STimerObject {
public:
    STimerObject();
    virtual ~STimerObject();
    STimerObject(const STimerObject&) = delete;
    STimerObject& operator=(const STimerObject&) = delete;

    // Replaces any running worker with a new one for target, id and interval.
    virtual void Start(STimerTarget* target, int id, unsigned ms);
    // Returns once the worker has ended; from inside a tick on the worker it
    // only stops further ticks.
    virtual void Stop();
    // One tick on the calling thread: the target's TimerTick with this id,
    // unless the target is being cleaned up.
    void Notification();
    // Sleeps one interval if a worker runs.
    void Sleep();

    bool IsRunning() const { return running.load(std::memory_order_acquire); }
    int Id() const { return id.load(std::memory_order_acquire); }
    unsigned Interval() const { return interval.load(std::memory_order_acquire); }
    STimerTarget* Target() const { return target.load(std::memory_order_acquire); }

private:
    static void* Loop(void* timer);

    std::unique_ptr<SThread> worker;
    std::atomic<STimerTarget*> target{nullptr};
    std::atomic<int> id{0};
    std::atomic<unsigned> interval{0};
    std::atomic<bool> running{false};
};

class STimer {
public:
    // extra is kept for the callers that pass it; it has no effect.
    STimer(STimerTarget* target, unsigned id, unsigned extra);
    virtual ~STimer();
    STimer(const STimer&) = delete;
    STimer& operator=(const STimer&) = delete;

    virtual void Start(unsigned ms);
    virtual void Stop();

    bool IsStarted() const { return started.load(std::memory_order_acquire); }
    unsigned Id() const { return id; }
    unsigned Interval() const { return interval.load(std::memory_order_acquire); }
    unsigned Extra() const { return extra; }
    STimerTarget* Target() const { return target; }

private:
    STimerTarget* const target;
    std::atomic<unsigned> interval{0};
    const unsigned extra;
    const unsigned id;
    std::atomic<bool> started{false};
    std::unique_ptr<STimerObject> worker;
};

} // namespace threading
} // namespace velk
