#include "system/timer.h"

#include <ctime>

namespace velk {
namespace threading {

namespace {
// Timers and the idle thread run at medium priority.
constexpr int kTimerPriorityClass = 2;
} // namespace

STimerObject::STimerObject() : worker(new SThread(kTimerPriorityClass)) {}

STimerObject::~STimerObject() {
    Stop();
}

void STimerObject::Start(STimerTarget* newTarget, int newId, unsigned ms) {
    // The old worker ends before the new values are published, so it never
    // ticks with them.
    worker->Cancel();
    target.store(newTarget, std::memory_order_release);
    id.store(newId, std::memory_order_release);
    interval.store(ms, std::memory_order_release);
    running.store(true, std::memory_order_release);
    if (!worker->Start(&STimerObject::Loop, this)) running.store(false, std::memory_order_release);
}

void STimerObject::Stop() {
    running.store(false, std::memory_order_release);
    worker->Cancel();
    id.store(0, std::memory_order_release);
}

void STimerObject::Notification() {
    STimerTarget* receiver = target.load(std::memory_order_acquire);
    if (!receiver) return;
    if (!receiver->CleaningUp())
        receiver->TimerTick(id.load(std::memory_order_acquire), static_cast<int>(clock()));
}

void STimerObject::Sleep() {
    if (IsRunning()) SThread::SleepUnlessStopped(Interval());
}

void* STimerObject::Loop(void* raw) {
    STimerObject* timer = static_cast<STimerObject*>(raw);
    const unsigned ms = timer->Interval();
    while (!SThread::StopRequested()) {
        timer->Notification();
        // The tick may have stopped or even destroyed this timer; after a
        // stop, timer must not be touched again.
        if (!SThread::SleepUnlessStopped(ms)) break;
    }
    return nullptr;
}

STimer::STimer(STimerTarget* target, unsigned id, unsigned extra)
    : target(target), extra(extra), id(id), worker(new STimerObject) {}

STimer::~STimer() {
    if (IsStarted()) worker->Stop();
}

void STimer::Start(unsigned ms) {
    interval.store(ms, std::memory_order_release);
    // Set before the first tick, which may already stop the timer again.
    started.store(true, std::memory_order_release);
    worker->Start(target, static_cast<int>(id), ms);
}

void STimer::Stop() {
    worker->Stop();
    started.store(false, std::memory_order_release);
}

} // namespace threading
} // namespace velk
