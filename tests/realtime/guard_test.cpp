// The harness itself: each kind of event is counted on the armed thread, and only there.
#include "host/realtime/measured_thread.h"
#include "host/realtime/realtime_guard.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <semaphore.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using moravox::realtime::Measure;
using moravox::realtime::Measurement;
using moravox::realtime::RealtimeCounts;
using moravox::realtime::RealtimeGuard;

namespace {

// Keeps the compiler from dropping an allocation it can see is unused.
void Keep(const void* pointer) {
    asm volatile("" : : "r"(pointer) : "memory");
}

// Armed on the calling thread, whose system calls do not trap.
RealtimeCounts Armed(const std::function<void()>& work) {
    RealtimeGuard guard;
    guard.Arm();
    work();
    guard.Disarm();
    return guard.Counts();
}

struct alignas(64) Wide {
    char bytes[64];
};

} // namespace

TEST(RealtimeGuard, CountsEveryWayOfTakingAndReturningHeapMemory) {
    struct Case {
        const char* name;
        std::function<void()> work;
        unsigned long allocations;
        unsigned long frees;
    };
    const Case cases[] = {
        {"malloc",
         [] {
             void* p = std::malloc(24);
             Keep(p);
             std::free(p);
         },
         1, 1},
        {"calloc",
         [] {
             void* p = std::calloc(4, 8);
             Keep(p);
             std::free(p);
         },
         1, 1},
        {"realloc grows",
         [] {
             void* p = std::realloc(nullptr, 8);
             Keep(p);
             p = std::realloc(p, 100000);
             Keep(p);
             std::free(p);
         },
         2, 1},
        {"realloc to zero",
         [] {
             void* p = std::malloc(8);
             Keep(p);
             Keep(std::realloc(p, 0));
         },
         1, 1},
        {"free of null", [] { std::free(nullptr); }, 0, 0},
        {"posix_memalign",
         [] {
             void* p = nullptr;
             if (posix_memalign(&p, 64, 100) == 0) Keep(p);
             std::free(p);
         },
         1, 1},
        {"aligned_alloc",
         [] {
             void* p = aligned_alloc(64, 128);
             Keep(p);
             std::free(p);
         },
         1, 1},
        {"new",
         [] {
             int* p = new int(3);
             Keep(p);
             delete p;
         },
         1, 1},
        {"new[]",
         [] {
             int* p = new int[40];
             Keep(p);
             delete[] p;
         },
         1, 1},
        {"nothrow new",
         [] {
             int* p = new (std::nothrow) int(3);
             Keep(p);
             delete p;
         },
         1, 1},
        {"aligned new",
         [] {
             Wide* p = new Wide;
             Keep(p);
             delete p;
         },
         1, 1},
        {"vector",
         [] {
             std::vector<int> v(100);
             Keep(v.data());
         },
         1, 1},
        {"long string",
         [] {
             std::string s(100, 'x');
             Keep(s.data());
         },
         1, 1},
        {"the C library's own use",
         [] {
             char* p = strdup("copied");
             Keep(p);
             std::free(p);
         },
         1, 1},
        {"no heap use",
         [] {
             std::string s("short");
             Keep(s.data());
         },
         0, 0},
    };
    for (const Case& c : cases) {
        const RealtimeCounts counts = Armed(c.work);
        EXPECT_EQ(counts.allocations, c.allocations) << c.name;
        EXPECT_EQ(counts.frees, c.frees) << c.name;
        EXPECT_EQ(counts.mutexLocks, 0u) << c.name;
    }
}

TEST(RealtimeGuard, CountsBlockingLockCalls) {
    static pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    static pthread_rwlock_t rwlock = PTHREAD_RWLOCK_INITIALIZER;
    static pthread_cond_t cond = PTHREAD_COND_INITIALIZER;
    static std::mutex stdMutex;
    static sem_t semaphore;
    ASSERT_EQ(sem_init(&semaphore, 0, 2), 0);
    struct Case {
        const char* name;
        std::function<void()> work;
        unsigned long locks;
    };
    const Case cases[] = {
        {"pthread mutex",
         [] {
             pthread_mutex_lock(&mutex);
             pthread_mutex_unlock(&mutex);
         },
         1},
        {"try-lock",
         [] {
             if (pthread_mutex_trylock(&mutex) == 0) pthread_mutex_unlock(&mutex);
         },
         1},
        {"std::mutex", [] { std::lock_guard<std::mutex> lock(stdMutex); }, 1},
        {"read then write lock",
         [] {
             pthread_rwlock_rdlock(&rwlock);
             pthread_rwlock_unlock(&rwlock);
             pthread_rwlock_wrlock(&rwlock);
             pthread_rwlock_unlock(&rwlock);
         },
         2},
        {"expired condition wait",
         [] {
             const timespec past = {1, 0};
             pthread_mutex_lock(&mutex);
             pthread_cond_timedwait(&cond, &mutex, &past);
             pthread_mutex_unlock(&mutex);
         },
         2},
        {"semaphore",
         [] {
             sem_wait(&semaphore);
             sem_trywait(&semaphore);
         },
         2},
        {"atomics only",
         [] {
             std::atomic<int> value{0};
             value.fetch_add(1);
             Keep(&value);
         },
         0},
    };
    for (const Case& c : cases) {
        const RealtimeCounts counts = Armed(c.work);
        EXPECT_EQ(counts.mutexLocks, c.locks) << c.name;
        EXPECT_EQ(counts.allocations, 0u) << c.name;
    }
    sem_destroy(&semaphore);
}

TEST(RealtimeGuard, TrapsAndCountsTheSystemCallsOfTheMeasuredThread) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    static int writeEnd;
    writeEnd = pipeEnds[1];
    struct Case {
        const char* name;
        std::function<long()> work; // its result, or -errno
        unsigned long fewest, most;
    };
    const Case cases[] = {
        {"write", [] { return write(writeEnd, "x", 1) < 0 ? -errno : 0L; }, 1, 1},
        {"sched_yield", [] { return sched_yield() < 0 ? -errno : 0L; }, 1, 1},
        {"syscall()", [] { return syscall(SYS_getpid) < 0 ? -errno : 0L; }, 1, 1},
        // The 32-bit C library tries the 64-bit-time call first and falls back.
        {"nanosleep",
         [] {
             const timespec pause = {0, 1000};
             return nanosleep(&pause, nullptr) < 0 ? -errno : 0L;
         },
         1, 2},
        {"arithmetic",
         [] {
             volatile long sum = 0;
             for (long i = 0; i < 1000; ++i) sum = sum + i * i;
             return 0L;
         },
         0, 0},
        // The C-library generator's internal lock: no pthread call, no system call unless
        // another thread holds it.
        {"rand()", [] { return rand() < 0 ? -1L : 0L; }, 0, 0},
    };
    for (const Case& c : cases) {
        long result = 1;
        Measurement measurement;
        measurement.work = [&](int) { result = c.work(); };
        const RealtimeCounts counts = Measure(measurement);
        EXPECT_TRUE(counts.systemCallsTrapped) << c.name;
        EXPECT_GE(counts.systemCalls, c.fewest) << c.name << ": " << counts.Describe();
        EXPECT_LE(counts.systemCalls, c.most) << c.name << ": " << counts.Describe();
        EXPECT_EQ(counts.allocations + counts.frees + counts.mutexLocks, 0u) << c.name;
        // A trapped call fails as an unknown one would, and does nothing.
        EXPECT_EQ(result, c.fewest > 0 ? -ENOSYS : 0) << c.name;
    }
    EXPECT_EQ(write(pipeEnds[1], "y", 1), 1);
    char first = 0;
    EXPECT_EQ(read(pipeEnds[0], &first, 1), 1);
    EXPECT_EQ(first, 'y');
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

// A lock released on the measured thread must still wake the thread asleep on it, and a wait
// there must fail the way lock code retries on, or the C library aborts the process.
TEST(RealtimeGuard, FutexWakesReachTheSleeperAndWaitsFailAsRetry) {
    static std::atomic<int> word{0};
    word = 0;
    std::atomic<long> sleeper{0};
    std::thread asleep([&] {
        sleeper = syscall(SYS_gettid);
        while (word.load() == 0) syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE, 0, nullptr, nullptr, 0);
    });
    // Until the sleeper is inside its wait: only then is a lost wake a hang.
    const auto inWait = [&] {
        std::ifstream call("/proc/self/task/" + std::to_string(sleeper.load()) + "/syscall");
        long number = -1;
        return sleeper != 0 && (call >> number) && number == SYS_futex;
    };
    ASSERT_TRUE(support::Eventually(inWait));
    long waitResult = 0;
    int waitErrno = 0;
    Measurement measurement;
    measurement.work = [&](int) {
        word.store(1);
        syscall(SYS_futex, &word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
        waitResult = syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE, 1, nullptr, nullptr, 0);
        waitErrno = errno;
    };
    const RealtimeCounts counts = Measure(measurement);
    EXPECT_EQ(counts.systemCalls, 2u) << counts.Describe();
    EXPECT_EQ(waitResult, -1);
    EXPECT_EQ(waitErrno, EAGAIN);
    asleep.join(); // hangs here if the wake was lost
}

TEST(RealtimeGuard, RecordsWhichSystemCallsWereMade) {
    Measurement measurement;
    measurement.work = [](int) {
        syscall(SYS_getppid);
        syscall(SYS_gettid);
    };
    const RealtimeCounts counts = Measure(measurement);
    ASSERT_EQ(counts.systemCalls, 2u);
    EXPECT_EQ(counts.recordedCalls[0], SYS_getppid);
    EXPECT_EQ(counts.recordedCalls[1], SYS_gettid);
    EXPECT_NE(counts.Describe().find("system calls 2 (numbers " + std::to_string(SYS_getppid)),
              std::string::npos)
        << counts.Describe();
}

TEST(RealtimeGuard, CountsOnlyTheArmedThread) {
    // Another thread allocates, locks and calls the kernel while this one is armed.
    std::atomic<int> stage{0};
    std::thread other([&stage] {
        while (stage.load() == 0) {
        }
        void* p = std::malloc(64);
        Keep(p);
        std::free(p);
        std::mutex mutex;
        mutex.lock();
        mutex.unlock();
        sched_yield();
        stage.store(2);
    });
    RealtimeGuard guard;
    guard.Arm();
    stage.store(1);
    while (stage.load() != 2) {
    }
    guard.Disarm();
    other.join();
    EXPECT_TRUE(guard.Counts().Clean()) << guard.Counts().Describe();
}

TEST(RealtimeGuard, MeasurementAddsUpItsBatchesAndLeavesTheCallerOut) {
    std::vector<int> betweenRuns;
    Measurement measurement;
    measurement.batches = 4;
    measurement.warmUp = [] {
        void* p = std::malloc(4096);
        Keep(p);
        std::free(p);
    };
    // Batch b allocates b times; the blocks are freed after the measurement.
    std::vector<int*> made;
    made.reserve(6);
    measurement.work = [&made](int batch) {
        for (int i = 0; i < batch; ++i) made.push_back(new int(i));
    };
    measurement.between = [&betweenRuns](int batch) {
        betweenRuns.push_back(batch);
        std::mutex mutex;
        std::lock_guard<std::mutex> lock(mutex);
        sched_yield();
    };
    const RealtimeCounts counts = Measure(measurement);
    EXPECT_EQ(counts.allocations, 0u + 1u + 2u + 3u);
    EXPECT_EQ(counts.frees, 0u);
    EXPECT_EQ(counts.mutexLocks, 0u);
    EXPECT_EQ(counts.systemCalls, 0u);
    EXPECT_EQ(betweenRuns, (std::vector<int>{0, 1, 2}));
    for (int* p : made) delete p;
}
