#include "host/realtime/realtime_guard.h"

#include <cstdio>

namespace moravox::realtime {
namespace {

// Plain thread-locals of the executable: reached through the thread pointer, so reading them
// neither allocates nor calls anything, even inside malloc or a signal handler.
__thread detail::Counters* tArmed = nullptr;
__thread bool tTrapped = false;

void Add(std::atomic<unsigned long> detail::Counters::*count) noexcept {
    detail::Counters* armed = tArmed;
    if (armed != nullptr) (armed->*count).fetch_add(1, std::memory_order_relaxed);
}

} // namespace

namespace detail {

void CountAllocation() noexcept {
    Add(&Counters::allocations);
}

void CountFree() noexcept {
    Add(&Counters::frees);
}

void CountMutexLock() noexcept {
    Add(&Counters::mutexLocks);
}

void CountSystemCall(long number) noexcept {
    Counters* armed = tArmed;
    if (armed == nullptr) return;
    const unsigned long seen = armed->systemCalls.fetch_add(1, std::memory_order_relaxed);
    if (seen < RealtimeCounts::kRecordedCalls) {
        armed->recordedCalls[seen].store(number, std::memory_order_relaxed);
    }
}

void MarkTrapped() noexcept {
    tTrapped = true;
}

} // namespace detail

bool SystemCallsTrapped() {
    return tTrapped;
}

std::string RealtimeCounts::Describe() const {
    char text[96];
    std::snprintf(text, sizeof text,
                  "allocations %lu, frees %lu, mutex locks %lu, system calls %lu", allocations,
                  frees, mutexLocks, systemCalls);
    std::string description = text;
    const size_t recorded = systemCalls < kRecordedCalls ? systemCalls : kRecordedCalls;
    for (size_t i = 0; i < recorded; ++i) {
        description += (i == 0 ? " (numbers " : ", ") + std::to_string(recordedCalls[i]);
    }
    if (recorded > 0) description += ")";
    if (!systemCallsTrapped) description += "; system calls were not trapped";
    return description;
}

RealtimeGuard::~RealtimeGuard() {
    if (armed_) Disarm();
}

void RealtimeGuard::Arm() {
    counters_.systemCallsTrapped.store(tTrapped, std::memory_order_relaxed);
    armed_ = true;
    // The trap handler reads tArmed on this thread: keep the compiler from moving the store.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    tArmed = &counters_;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void RealtimeGuard::Disarm() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    tArmed = nullptr;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    armed_ = false;
}

RealtimeCounts RealtimeGuard::Counts() const {
    RealtimeCounts counts;
    counts.allocations = counters_.allocations.load(std::memory_order_relaxed);
    counts.frees = counters_.frees.load(std::memory_order_relaxed);
    counts.mutexLocks = counters_.mutexLocks.load(std::memory_order_relaxed);
    counts.systemCalls = counters_.systemCalls.load(std::memory_order_relaxed);
    for (size_t i = 0; i < RealtimeCounts::kRecordedCalls; ++i) {
        counts.recordedCalls[i] = counters_.recordedCalls[i].load(std::memory_order_relaxed);
    }
    counts.systemCallsTrapped = counters_.systemCallsTrapped.load(std::memory_order_relaxed);
    return counts;
}

} // namespace moravox::realtime
