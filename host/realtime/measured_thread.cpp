#include "host/realtime/measured_thread.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace moravox::realtime {
namespace {

void Pause() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#endif
}

} // namespace

RealtimeCounts Measure(const Measurement& measurement) {
    std::atomic<int> released{0}; // batches the measured thread may start
    std::atomic<int> finished{0}; // batches it has done
    RealtimeCounts counts;
    std::thread thread([&] {
        if (measurement.warmUp) measurement.warmUp();
        // The thread's heap arena and cache exist before the first trapped call could need them.
        void* volatile first = std::malloc(1);
        std::free(first);
        TrapSystemCalls();
        RealtimeGuard guard;
        for (int batch = 0; batch < measurement.batches; ++batch) {
            while (released.load(std::memory_order_acquire) <= batch) Pause();
            guard.Arm();
            if (measurement.work) measurement.work(batch);
            guard.Disarm();
            finished.store(batch + 1, std::memory_order_release);
        }
        counts = guard.Counts();
    });
    for (int batch = 0; batch < measurement.batches; ++batch) {
        released.store(batch + 1, std::memory_order_release);
        while (finished.load(std::memory_order_acquire) <= batch) {
            WakeDeferred();
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        if (measurement.between && batch + 1 < measurement.batches) measurement.between(batch);
    }
    thread.join();
    WakeDeferred();
    return counts;
}

} // namespace moravox::realtime
