// Counts what a real-time thread must never do: heap allocations, frees, kernel lock waits and
// system calls, on the calling thread only.
//
// - Allocations and frees: this test program defines malloc and its relatives and the global
//   operator new and delete (realtime_allocation.cpp). Definitions in the executable take
//   precedence over the C library's for every library, a dlopen'ed plug-in included.
// - Kernel mutex locks: pthread mutex, read-write lock and condition-variable waits and semaphore
//   waits, defined here too and forwarded to the C library (realtime_locks.cpp). The C library's
//   own internal locks (stdio, rand()) are not pthread calls and are not counted: rand(), which
//   the "STD" generator calls by the user's choice, takes such a lock and makes no system call
//   while nobody else holds it, so it shows in no count. A contended one would show as a futex
//   system call.
// - System calls: a seccomp filter that makes every system call of the thread trap into a
//   handler that counts it and fails it with ENOSYS (realtime_trap.cpp). A filter cannot be
//   removed, so it belongs on a thread that exists only for the measurement (see Measure in
//   measured_thread.h). Calls answered in user space (the vDSO's clock_gettime) do not trap.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace moravox::realtime {

struct RealtimeCounts {
    static constexpr size_t kRecordedCalls = 8;

    unsigned long allocations = 0;
    unsigned long frees = 0;
    unsigned long mutexLocks = 0;
    unsigned long systemCalls = 0;
    // The numbers of the first system calls, for the failure message.
    long recordedCalls[kRecordedCalls] = {};
    // Whether the measured thread's system calls trapped; without that none can be counted.
    bool systemCallsTrapped = false;

    bool Clean() const {
        return allocations == 0 && frees == 0 && mutexLocks == 0 && systemCalls == 0;
    }
    std::string Describe() const;
};

namespace detail {

// Written by the armed thread (from signal context too), read by anyone once it has disarmed.
struct Counters {
    std::atomic<unsigned long> allocations{0};
    std::atomic<unsigned long> frees{0};
    std::atomic<unsigned long> mutexLocks{0};
    std::atomic<unsigned long> systemCalls{0};
    std::atomic<long> recordedCalls[RealtimeCounts::kRecordedCalls] = {};
    std::atomic<bool> systemCallsTrapped{false};
};

// Called by the interposed functions and the trap handler; async-signal-safe, no allocation.
void CountAllocation() noexcept;
void CountFree() noexcept;
void CountMutexLock() noexcept;
void CountSystemCall(long number) noexcept;
// Called by TrapSystemCalls once the calling thread's filter is in place.
void MarkTrapped() noexcept;

} // namespace detail

// Makes every later system call of the calling thread trap (counted while a guard is armed,
// failed with ENOSYS always). Irreversible for the thread. False, with errno in *failure, when
// the kernel refuses the filter.
bool TrapSystemCalls(int* failure = nullptr);
// Makes the futex wakes a trapped thread had to put off (so that threads sleeping on a lock it
// released wake up). Called from a thread without the trap, often while one is measured.
void WakeDeferred();
// Whether TrapSystemCalls succeeded on the calling thread.
bool SystemCallsTrapped();

class RealtimeGuard {
public:
    RealtimeGuard() = default;
    // Disarms when still armed; must then run on the thread that armed.
    ~RealtimeGuard();
    RealtimeGuard(const RealtimeGuard&) = delete;
    RealtimeGuard& operator=(const RealtimeGuard&) = delete;

    // Counts on the calling thread until Disarm; arming again adds to the counts. One guard per
    // thread at a time.
    void Arm();
    void Disarm();
    // Read after Disarm, on any thread that has synchronised with the armed one.
    RealtimeCounts Counts() const;

private:
    detail::Counters counters_;
    bool armed_ = false;
};

} // namespace moravox::realtime
