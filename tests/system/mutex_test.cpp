#include "system/mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "sys_test_util.h"

using velk::threading::SMutexBase;
using velk::threading::SMutexID;
using velk::threading::SMutexOS;

namespace {

// Several threads bump a plain counter under the lock; lost updates (and
// ThreadSanitizer) reveal a lock that lets two holders in.
void HammerCounter(SMutexBase& mutex) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                mutex.Lock();
                ++counter;
                mutex.Unlock();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds);
}

// A second thread's Lock must wait until the first holder unlocks.
void SecondLockWaits(SMutexBase& mutex) {
    mutex.Lock();
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        mutex.Lock();
        acquired = true;
        mutex.Unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(acquired.load());
    mutex.Unlock();
    EXPECT_TRUE(systest::Eventually([&] { return acquired.load(); }));
    other.join();
}

} // namespace

TEST(SMutexOS, LockedFlagFollowsLockAndUnlock) {
    SMutexOS mutex;
    ASSERT_TRUE(mutex.IsInitialised());
    EXPECT_FALSE(mutex.IsLocked());
    mutex.Lock();
    EXPECT_TRUE(mutex.IsLocked());
    mutex.Unlock();
    EXPECT_FALSE(mutex.IsLocked());
}

TEST(SMutexOS, ExcludesOtherThreads) {
    SMutexOS mutex;
    SecondLockWaits(mutex);
    HammerCounter(mutex);
    EXPECT_FALSE(mutex.IsLocked());
}

TEST(SMutexID, ExcludesOtherThreadsAndCounterReturnsToZero) {
    SMutexID mutex;
    SecondLockWaits(mutex);
    HammerCounter(mutex);
    EXPECT_EQ(mutex.Count(), 0);
    EXPECT_FALSE(mutex.IsHeld());
}

TEST(SMutexID, StrayUnlockDoesNotLetTwoHoldersIn) {
    SMutexID mutex;
    mutex.Unlock();
    EXPECT_EQ(mutex.Count(), 0);
    SecondLockWaits(mutex); // still exclusive after the stray Unlock
    EXPECT_EQ(mutex.Count(), 0);
    EXPECT_FALSE(mutex.IsHeld());
}

TEST(SMutexID, DestroyingAHeldLockReleasesIt) {
    // Compare the state a held lock leaves behind with that of a free one;
    // the leading vtable pointer is left out (it changes during destruction).
    alignas(SMutexID) unsigned char held[sizeof(SMutexID)] = {};
    alignas(SMutexID) unsigned char freed[sizeof(SMutexID)] = {};
    SMutexID* heldLock = new (held) SMutexID;
    SMutexID* freeLock = new (freed) SMutexID;
    heldLock->Lock();
    ASSERT_NE(
        std::memcmp(held + sizeof(void*), freed + sizeof(void*), sizeof(SMutexID) - sizeof(void*)),
        0);
    heldLock->~SMutexID();
    freeLock->~SMutexID();
    EXPECT_EQ(
        std::memcmp(held + sizeof(void*), freed + sizeof(void*), sizeof(SMutexID) - sizeof(void*)),
        0);
}
