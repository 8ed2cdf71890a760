#include "system/thread.h"

#include <cxxabi.h>
#include <sched.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <new>
#include <vector>

#include "system/persistent.h"

namespace velk {
namespace threading {

// Shared by the SThread and the thread it runs, so either may go first.
struct SThread::RunState {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
};

struct SThread::Launch {
    Routine routine;
    void* argument;
    std::shared_ptr<RunState> state;
};

namespace {

// Which run each of our threads belongs to, looked up by thread rather than kept in a
// thread_local: the host's threads outlive an unload of the library, and dynamic
// thread-local storage of an unloaded library is left dangling in them.
struct RunEntry {
    pthread_t thread;
    void* run;
    SThread::Routine routine;
};
struct RunsTag {};
std::mutex& RunsMutex() {
    return velk::system::Persistent<RunsTag, std::mutex>();
}
std::vector<RunEntry>& Runs() {
    return velk::system::Persistent<RunsTag, std::vector<RunEntry>>();
}

} // namespace

namespace {

const RunEntry* FindRunLocked(pthread_t thread) {
    for (const RunEntry& entry : Runs())
        if (pthread_equal(entry.thread, thread)) return &entry;
    return nullptr;
}

} // namespace

SThread::RunState* SThread::CurrentRun() {
    std::lock_guard<std::mutex> lock(RunsMutex());
    const RunEntry* entry = FindRunLocked(pthread_self());
    return entry ? static_cast<RunState*>(entry->run) : nullptr;
}

SThread::Routine SThread::CurrentRoutine() {
    std::lock_guard<std::mutex> lock(RunsMutex());
    const RunEntry* entry = FindRunLocked(pthread_self());
    return entry ? entry->routine : nullptr;
}

void SThread::SetCurrentRun(RunState* run, Routine routine) {
    const pthread_t self = pthread_self();
    std::lock_guard<std::mutex> lock(RunsMutex());
    auto& runs = Runs();
    for (auto it = runs.begin(); it != runs.end(); ++it) {
        if (!pthread_equal(it->thread, self)) continue;
        runs.erase(it);
        break;
    }
    if (run) {
        runs.push_back(RunEntry{self, run, routine});
    } else if (runs.empty()) {
        // The list outlives an unload of the library; give its buffer back.
        std::vector<RunEntry>().swap(runs);
    }
}

const char SThread::kThreadName[] = "moravox";

SThread::SThread(int priorityClass) : priorityClass(priorityClass) {}

SThread::~SThread() {
    Cancel();
    // Only a thread that stopped itself can be left; nobody will join it now.
    std::lock_guard<std::mutex> lock(guard);
    for (pthread_t thread : retired) pthread_detach(thread);
    retired.clear();
}

int SThread::PriorityFor(int priorityClass, int minPriority, int maxPriority) {
    switch (priorityClass) {
    case 2: return minPriority + (maxPriority - minPriority) / 2;
    case 3:
    case 4: return maxPriority;
    default: return minPriority;
    }
}

bool SThread::Start(Routine newRoutine, void* newArgument) {
    Cancel();
    {
        std::lock_guard<std::mutex> lock(guard);
        routine = newRoutine;
        argument = newArgument;
    }
    if (!newRoutine || !newArgument) return false;

    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    int policy = 0;
    bool ok = pthread_attr_getschedpolicy(&attributes, &policy) == 0;
    const int minPriority = ok ? sched_get_priority_min(policy) : -1;
    const int maxPriority = ok ? sched_get_priority_max(policy) : -1;
    ok = ok && minPriority >= 0 && maxPriority >= 0;
    if (ok) {
        sched_param parameters{};
        parameters.sched_priority = PriorityFor(priorityClass, minPriority, maxPriority);
        ok = pthread_attr_setschedpolicy(&attributes, SCHED_OTHER) == 0 &&
             pthread_attr_setschedparam(&attributes, &parameters) == 0 &&
             pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_JOINABLE) == 0;
    }
    if (ok) {
        // Held across the creation, so a thread that cancels itself at once
        // finds itself running.
        std::lock_guard<std::mutex> lock(guard);
        std::unique_ptr<Launch> launch;
        std::shared_ptr<RunState> run;
        try {
            // Room for the handle in case the thread stops itself, so Cancel
            // never allocates.
            retired.reserve(retired.size() + 1);
            run = std::make_shared<RunState>();
            launch.reset(new Launch{newRoutine, newArgument, run});
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        pthread_t thread{};
        waitFlag.store(false, std::memory_order_release);
        ok = ok && pthread_create(&thread, &attributes, &SThread::Trampoline, launch.get()) == 0;
        if (ok) {
            launch.release(); // the thread owns it now
            state = std::move(run);
            handle = thread;
            joinable = true;
            running = true;
        }
    }
    pthread_attr_destroy(&attributes);
    return ok;
}

void* SThread::Trampoline(void* raw) {
    std::unique_ptr<Launch> launch(static_cast<Launch*>(raw));
    // Named so the plug-in's threads can be told apart in the host's process.
    pthread_setname_np(pthread_self(), kThreadName);
    // A write to an X server that just went away must not raise SIGPIPE, whose default
    // action would end the host: on our threads the write only fails.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    // Cleared however the routine ends, a thread exit's unwinding included.
    struct ScopedRun {
        ScopedRun(RunState* run, Routine routine) { SetCurrentRun(run, routine); }
        ~ScopedRun() { SetCurrentRun(nullptr, nullptr); }
    } scopedRun(launch->state.get(), launch->routine);
    void* result = nullptr;
    // An exception leaving a thread would end the host's whole process.
    try {
        result = launch->routine(launch->argument);
    } catch (abi::__forced_unwind&) {
        throw; // a thread exit unwinding the stack must go on
    } catch (...) {
    }
    return result;
}

void SThread::RequestStopLocked() {
    if (!state) return;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->stop = true;
    }
    state->wake.notify_all();
    state.reset();
}

void SThread::Cancel() {
    const pthread_t self = pthread_self();
    bool joinCurrent = false;
    pthread_t current{};
    {
        std::lock_guard<std::mutex> lock(guard);
        if (running) {
            RequestStopLocked();
            running = false;
            if (joinable) {
                joinCurrent = !pthread_equal(handle, self);
                current = handle;
                if (!joinCurrent) retired.push_back(handle); // room reserved by Start
            }
            joinable = false;
        }
    }
    // Joined outside the guard: the ending thread may still call into us.
    if (joinCurrent) pthread_join(current, nullptr);
    for (;;) {
        pthread_t next{};
        bool found = false;
        {
            std::lock_guard<std::mutex> lock(guard);
            for (auto it = retired.begin(); it != retired.end(); ++it) {
                if (!pthread_equal(*it, self)) {
                    next = *it;
                    retired.erase(it);
                    found = true;
                    break;
                }
            }
        }
        if (!found) break;
        pthread_join(next, nullptr);
    }
    // Nothing left to join: give the reserved room back, as this object may
    // outlive an unload of the library.
    std::lock_guard<std::mutex> lock(guard);
    if (retired.empty()) std::vector<pthread_t>().swap(retired);
}

void SThread::Detach() {
    std::lock_guard<std::mutex> lock(guard);
    if (joinable) pthread_detach(handle);
    joinable = false;
}

void SThread::Wait(int ms) {
    waitFlag.store(true, std::memory_order_release);
    const unsigned step = ms > 0 ? static_cast<unsigned>(ms) : 0;
    while (waitFlag.load(std::memory_order_acquire)) {
        if (!SleepUnlessStopped(step)) break;
    }
}

void SThread::Resume() {
    waitFlag.store(false, std::memory_order_release);
}

bool SThread::IsRunning() const {
    std::lock_guard<std::mutex> lock(guard);
    return running;
}

SThread::Routine SThread::GetRoutine() const {
    std::lock_guard<std::mutex> lock(guard);
    return routine;
}

void* SThread::GetArgument() const {
    std::lock_guard<std::mutex> lock(guard);
    return argument;
}

void SThread::Sleep(int ms) {
    ThreadSleep(ms);
}

bool SThread::StopRequested() {
    RunState* run = CurrentRun();
    if (!run) return false;
    std::lock_guard<std::mutex> lock(run->mutex);
    return run->stop;
}

bool SThread::SleepUnlessStopped(unsigned ms) {
    RunState* run = CurrentRun();
    if (!run) {
        PreciseSleep(ms / 1000.0);
        return true;
    }
    std::unique_lock<std::mutex> lock(run->mutex);
    if (ms == 0) {
        // A zero interval still gives the other threads a turn.
        const bool stopped = run->stop;
        lock.unlock();
        sched_yield();
        return !stopped;
    }
    return !run->wake.wait_for(lock, std::chrono::milliseconds(ms), [run] { return run->stop; });
}

void ThreadSleep(int ms) {
    PreciseSleep(ms > 0 ? ms / 1000.0 : 0.0);
}

timespec PreciseSleepSpan(double seconds) {
    timespec span = {0, 0};
    if (!(seconds > 0.0)) return span; // also refuses NaN
    // Fits a 32-bit time_t; no caller sleeps for decades.
    const double longest = static_cast<double>(INT_MAX);
    if (seconds > longest) seconds = longest;
    double whole = std::floor(seconds);
    long long nanoseconds = std::llround((seconds - whole) * 1e9);
    if (nanoseconds >= 1000000000LL) {
        whole += 1.0;
        nanoseconds -= 1000000000LL;
    }
    span.tv_sec = static_cast<time_t>(whole);
    span.tv_nsec = static_cast<long>(nanoseconds);
    return span;
}

int PreciseSleep(double seconds) {
    timespec request = PreciseSleepSpan(seconds);
    timespec remaining = {0, 0};
    while (nanosleep(&request, &remaining) != 0) {
        if (errno != EINTR) return errno;
        request = remaining;
    }
    return 0;
}

} // namespace threading
} // namespace velk
