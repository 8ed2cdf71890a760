// Runs work on a thread of its own whose system calls trap, and counts what it did while armed.
#pragma once

#include "host/realtime/realtime_guard.h"

#include <functional>

namespace moravox::realtime {

struct Measurement {
    int batches = 1;
    // On the measured thread before its system calls trap: lets per-thread set-up (the heap's
    // thread cache, a library's thread-local data) happen once, as on a host's audio thread.
    std::function<void()> warmUp;
    // The measured part, on the measured thread. It must not report test failures itself.
    std::function<void(int batch)> work;
    // On the calling thread after each batch but the last, while the measured thread waits
    // (unarmed, spinning without system calls).
    std::function<void(int batch)> between;
};

// The counts of all batches together. The measured thread ends as soon as its work is done; its
// few exit-time system calls fail harmlessly and are not counted.
RealtimeCounts Measure(const Measurement& measurement);

} // namespace moravox::realtime
