#include "system/idle.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

#include "system/persistent.h"
#include "system/thread.h"

namespace velk {
namespace threading {

namespace {

constexpr int kIdlePriorityClass = 2;

struct IdleData {
    // Guards the list and the record of the calls in progress (more than one
    // only while a stopped idle thread finishes its last call).
    std::mutex listMutex;
    std::condition_variable callEnded;
    std::vector<SIdlePair> pairs;
    std::vector<SIdlePair> calling;

    // Serialises starting and stopping; never taken by the idle thread's
    // loop, so a join under it cannot wait on it.
    std::mutex controlMutex;
    SThread thread{kIdlePriorityClass};
    std::atomic<bool> running{false};
    std::atomic<int> interval{0};
};

bool SamePair(const SIdlePair& a, IdleFunction* function, void* argument) {
    return a.function == function && a.argument == argument;
}

bool Contains(const std::vector<SIdlePair>& pairs, IdleFunction* function, void* argument) {
    for (const SIdlePair& p : pairs)
        if (SamePair(p, function, argument)) return true;
    return false;
}

// Never destroyed: the unload hook below and late callers may still reach it
// while other static objects are being torn down.
IdleData& idledata() {
    return velk::system::Persistent<IdleData, IdleData>();
}

void* IdleLoop(void* raw);

bool OnIdleThread() {
    return SThread::CurrentRoutine() == &IdleLoop;
}

// Takes the control lock. An idle function may start or stop idle timers while
// another thread holds the lock to stop (join) this very thread: then it gives
// up instead of waiting forever, since the thread is on its way out anyway.
bool LockControl(IdleData& data, std::unique_lock<std::mutex>& lock) {
    lock = std::unique_lock<std::mutex>(data.controlMutex, std::defer_lock);
    if (!OnIdleThread()) {
        lock.lock();
        return true;
    }
    while (!lock.try_lock()) {
        if (SThread::StopRequested()) return false;
        SThread::Sleep(1);
    }
    return true;
}

// Calls the pair's function unless it was removed meanwhile. Returns false once
// the walk should end (the thread was asked to stop).
bool CallIfRegistered(IdleData& data, const SIdlePair& pair) {
    std::unique_lock<std::mutex> lock(data.listMutex);
    if (SThread::StopRequested()) return false;
    if (!Contains(data.pairs, pair.function, pair.argument)) return true;
    IdleFunction function = *pair.function;
    if (!function) return true;
    data.calling.push_back(pair);
    lock.unlock();
    try {
        function(pair.argument);
    } catch (...) {
        // Swallowed, so the call is still recorded as ended below.
    }
    lock.lock();
    for (auto it = data.calling.begin(); it != data.calling.end(); ++it) {
        if (SamePair(*it, pair.function, pair.argument)) {
            data.calling.erase(it);
            break;
        }
    }
    lock.unlock();
    data.callEnded.notify_all();
    return true;
}

void* IdleLoop(void* raw) {
    IdleData& data = *static_cast<IdleData*>(raw);
    // Read once: the period stays that of the timer that started the thread.
    const int ms = data.interval.load(std::memory_order_acquire);
    std::vector<SIdlePair> pass;
    for (;;) {
        {
            // A copy per pass, so registrations made during a call are seen
            // by the next one and the walk never runs off a shrinking list.
            std::lock_guard<std::mutex> lock(data.listMutex);
            pass = data.pairs;
        }
        for (const SIdlePair& pair : pass) {
            if (!pair.function) continue;
            if (!CallIfRegistered(data, pair)) return nullptr;
        }
        if (!SThread::SleepUnlessStopped(ms > 0 ? static_cast<unsigned>(ms) : 0)) break;
    }
    return nullptr;
}

// Stops the idle thread left running when the library is unloaded.
struct ShutdownAtUnload {
    ~ShutdownAtUnload() { ShutdownIdleThread(); }
} shutdownAtUnload;

} // namespace

bool AddIdleFunction(IdleFunction* function, void* argument) {
    IdleData& data = idledata();
    std::lock_guard<std::mutex> lock(data.listMutex);
    if (Contains(data.pairs, function, argument)) return false;
    try {
        data.pairs.push_back(SIdlePair{argument, function});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool RemoveIdleFunction(IdleFunction* function, void* argument) {
    IdleData& data = idledata();
    std::unique_lock<std::mutex> lock(data.listMutex);
    auto it = data.pairs.begin();
    while (it != data.pairs.end() && !SamePair(*it, function, argument)) ++it;
    if (it == data.pairs.end()) return false;
    data.pairs.erase(it);
    // Waiting on the idle thread for its own call would never end.
    if (!OnIdleThread()) {
        data.callEnded.wait(lock, [&] { return !Contains(data.calling, function, argument); });
    }
    return true;
}

bool IdleFunctionRegistered(IdleFunction* function, void* argument) {
    IdleData& data = idledata();
    std::lock_guard<std::mutex> lock(data.listMutex);
    return Contains(data.pairs, function, argument);
}

std::size_t IdleFunctionCount() {
    IdleData& data = idledata();
    std::lock_guard<std::mutex> lock(data.listMutex);
    return data.pairs.size();
}

bool IdleThreadRunning() {
    return idledata().running.load(std::memory_order_acquire);
}

int IdleThreadInterval() {
    return idledata().interval.load(std::memory_order_acquire);
}

void ShutdownIdleThread() {
    IdleData& data = idledata();
    {
        std::unique_lock<std::mutex> control;
        if (LockControl(data, control)) {
            data.thread.Cancel();
            data.running = false;
        }
    }
    std::lock_guard<std::mutex> lock(data.listMutex);
    std::vector<SIdlePair>().swap(data.pairs);
    std::vector<SIdlePair>().swap(data.calling);
}

STimerIdle::STimerIdle(STimerTarget* owner, int id, int ms, bool flag)
    : owner(owner), id(id), interval(ms), flag(flag) {
    IdleData& data = idledata();
    std::unique_lock<std::mutex> control;
    if (!LockControl(data, control) || data.running) return;
    data.interval.store(ms, std::memory_order_release);
    data.running = data.thread.Start(&IdleLoop, &data);
}

STimerIdle::~STimerIdle() {
    IdleData& data = idledata();
    if (function) RemoveIdleFunction(function, argument);
    std::unique_lock<std::mutex> control;
    if (!LockControl(data, control) || !data.running) return;
    bool empty;
    {
        std::lock_guard<std::mutex> lock(data.listMutex);
        empty = data.pairs.empty();
    }
    if (empty) {
        data.thread.Cancel();
        data.running = false;
    }
}

} // namespace threading
} // namespace velk
