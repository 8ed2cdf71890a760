// A thin wrapper over a POSIX thread, and the sleep functions.
//
// Threads are joinable and stop cooperatively: Cancel raises the thread's stop
// flag, wakes it from SleepUnlessStopped and joins it, so when Cancel returns
// the routine has ended. A routine run by SThread checks StopRequested between
// units of work and sleeps with SleepUnlessStopped.
#pragma once

#include <pthread.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

namespace velk {
namespace threading {

class SThread {
public:
    using Routine = void* (*)(void*);
    // The name every thread started here carries.
    static const char kThreadName[];

    // Priority class: 2 medium, 3 or 4 highest, anything else lowest.
    explicit SThread(int priorityClass = 0);
    // As Cancel.
    ~SThread();
    SThread(const SThread&) = delete;
    SThread& operator=(const SThread&) = delete;

    // Cancels a running thread first, stores routine and argument and, when
    // both are set, creates the thread. Returns whether a thread now runs.
    bool Start(Routine routine, void* argument);
    // Requests the stop and joins the thread. Called on the thread itself it
    // only requests the stop; the thread is joined by the next Start, Cancel or
    // destruction on another thread.
    void Cancel();
    // Gives up the join: Cancel will then only request the stop.
    void Detach();
    // Sleeps in steps of ms until another thread calls Resume (or a stop of
    // the calling SThread-run thread is requested).
    void Wait(int ms);
    void Resume();
    void Finalize() {}

    bool IsRunning() const;
    bool IsWaiting() const { return waitFlag.load(std::memory_order_acquire); }
    int PriorityClass() const { return priorityClass; }
    Routine GetRoutine() const;
    void* GetArgument() const;

    static void Sleep(int ms);
    // The scheduling priority for a class within the policy's bounds.
    static int PriorityFor(int priorityClass, int minPriority, int maxPriority);
    // For the calling thread: whether its SThread asked it to stop (false on
    // threads not started by SThread).
    static bool StopRequested();
    // Sleeps ms milliseconds, waking early when the calling thread's stop is
    // requested; returns false then. Plain sleep on other threads.
    static bool SleepUnlessStopped(unsigned ms);
    // For the calling thread: the routine its SThread runs (null on other threads).
    static Routine CurrentRoutine();

private:
    struct RunState;
    struct Launch;
    static void* Trampoline(void* launch);
    // The run of the calling thread (null on threads not started by SThread).
    static RunState* CurrentRun();
    static void SetCurrentRun(RunState* run, Routine routine);
    void RequestStopLocked();

    mutable std::mutex guard;
    Routine routine = nullptr;
    void* argument = nullptr;
    std::atomic<bool> waitFlag{false};
    const int priorityClass;
    bool running = false;
    bool joinable = false;
    pthread_t handle{};
    std::shared_ptr<RunState> state;
    // Threads stopped from their own thread, still to be joined.
    std::vector<pthread_t> retired;
};

void ThreadSleep(int ms);

// The whole seconds and the nanoseconds PreciseSleep sleeps for; negative or
// invalid durations give zero.
timespec PreciseSleepSpan(double seconds);
// Sleeps the span, resuming after signals with the time left. Returns 0 or the
// last error number.
int PreciseSleep(double seconds);

} // namespace threading
} // namespace velk
