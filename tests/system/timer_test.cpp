#include "system/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "sys_test_util.h"

using velk::threading::STimer;
using velk::threading::STimerObject;
using velk::threading::STimerTarget;

namespace {

// Stands in for a toolkit control: counts the ticks it receives.
class FakeTarget : public STimerTarget {
public:
    int TimerTick(int id, int) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            b = id;
            thread = std::this_thread::get_id();
        }
        ++ticks;
        if (onTick) onTick();
        ++returned;
        return 1;
    }
    bool CleaningUp() const override {
        ++cleaningQueries;
        return cleaning;
    }

    std::atomic<int> ticks{0};
    std::atomic<int> returned{0};
    mutable std::atomic<int> cleaningQueries{0};
    std::atomic<bool> cleaning{false};
    std::function<void()> onTick;

    std::mutex mutex;
    int b = -1;
    std::thread::id thread;
};

// After a stop no tick may arrive; give a stray one time to show up.
void ExpectNoMoreTicks(const FakeTarget& target) {
    const int seen = target.ticks;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(target.ticks, seen);
}

} // namespace

TEST(STimer, DeliversTimerEventsToItsTarget) {
    const int baseline = systest::ThreadCount();
    FakeTarget target;
    STimer timer(&target, 7, 0);
    EXPECT_FALSE(timer.IsStarted());
    timer.Start(2);
    EXPECT_TRUE(timer.IsStarted());
    ASSERT_TRUE(systest::Eventually([&] { return target.ticks >= 5; }));
    {
        std::lock_guard<std::mutex> lock(target.mutex);
        EXPECT_EQ(target.b, 7);
        EXPECT_NE(target.thread, std::this_thread::get_id());
    }
    timer.Stop();
    EXPECT_FALSE(timer.IsStarted());
    ExpectNoMoreTicks(target);
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(STimer, FirstTickComesAtOnceAndStopWakesTheSleep) {
    FakeTarget target;
    STimer timer(&target, 3, 0);
    timer.Start(10000);
    // The second tick would take ten seconds; the first needs no wait.
    ASSERT_TRUE(systest::Eventually([&] { return target.ticks == 1; }, std::chrono::seconds(5)));
    const auto before = std::chrono::steady_clock::now();
    timer.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(target.ticks, 1);
}

TEST(STimer, CleaningUpTargetGetsNothingWhileTheTimerRuns) {
    FakeTarget target;
    target.cleaning = true;
    STimer timer(&target, 1, 0);
    timer.Start(1);
    ASSERT_TRUE(systest::Eventually([&] { return target.cleaningQueries >= 5; }));
    EXPECT_EQ(target.ticks, 0);
    target.cleaning = false;
    EXPECT_TRUE(systest::Eventually([&] { return target.ticks > 0; }));
    timer.Stop();
}

TEST(STimer, StopFromInsideTheTickDoesNotDeadlock) {
    const int baseline = systest::ThreadCount();
    FakeTarget target;
    STimer timer(&target, 2, 0);
    target.onTick = [&] { timer.Stop(); };
    timer.Start(1);
    ASSERT_TRUE(systest::Eventually([&] { return !timer.IsStarted() && target.ticks > 0; }));
    ExpectNoMoreTicks(target);
    EXPECT_EQ(target.ticks, 1);
    // Restarting from here works and replaces the stopped worker.
    target.onTick = nullptr;
    timer.Start(1);
    EXPECT_TRUE(systest::Eventually([&] { return target.ticks > 3; }));
    timer.Stop();
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(STimer, DestroyingTheTimerFromInsideTheTick) {
    const int baseline = systest::ThreadCount();
    FakeTarget target;
    STimer* timer = new STimer(&target, 4, 0);
    std::atomic<bool> armed{false};
    std::atomic<int> deletedAt{0};
    target.onTick = [&] {
        if (!armed.exchange(false)) return;
        deletedAt = target.ticks.load();
        delete timer;
    };
    timer->Start(1);
    armed = true; // only once Start has returned
    ASSERT_TRUE(systest::Eventually([&] { return deletedAt > 0; }));
    // The worker cannot be joined any more; its return from the target is
    // the last it touches of ours.
    ASSERT_TRUE(systest::Eventually([&] { return target.returned == deletedAt; }));
    ExpectNoMoreTicks(target);
    EXPECT_EQ(target.ticks, deletedAt);
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(STimer, RestartReplacesTheWorker) {
    const int baseline = systest::ThreadCount();
    FakeTarget target;
    {
        STimer timer(&target, 5, 0);
        timer.Start(10000);
        ASSERT_TRUE(systest::Eventually([&] { return target.ticks == 1; }));
        timer.Start(10000);
        EXPECT_EQ(timer.Interval(), 10000u);
        ASSERT_TRUE(systest::Eventually([&] { return target.ticks == 2; }));
        EXPECT_TRUE(systest::ThreadsBackTo(baseline + 1));
    } // destruction stops the started timer
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
    EXPECT_EQ(target.ticks, 2);
}

TEST(STimerObject, NotificationTicksOnTheCallersThread) {
    FakeTarget target;
    STimerObject worker;
    worker.Notification(); // no target yet: nothing
    EXPECT_EQ(target.ticks, 0);
    worker.Start(&target, 9, 10000);
    ASSERT_TRUE(systest::Eventually([&] { return target.ticks == 1; }));
    worker.Notification();
    EXPECT_EQ(target.ticks, 2);
    {
        std::lock_guard<std::mutex> lock(target.mutex);
        EXPECT_EQ(target.thread, std::this_thread::get_id());
        EXPECT_EQ(target.b, 9);
    }
    EXPECT_TRUE(worker.IsRunning());
    worker.Stop();
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.Id(), 0);
}
