#include "system/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>

#include "sys_test_util.h"

using velk::threading::PreciseSleepSpan;
using velk::threading::SThread;

namespace {

struct Probe {
    std::atomic<bool> started{false};
    std::atomic<bool> ended{false};
    std::atomic<bool> sawStop{false};
    std::atomic<int> loops{0};
    SThread* owner = nullptr;
};

// Ticks until asked to stop, as the toolkit's threads do.
void* TickUntilStopped(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    probe->started = true;
    while (SThread::SleepUnlessStopped(1)) ++probe->loops;
    probe->sawStop = SThread::StopRequested();
    probe->ended = true;
    return nullptr;
}

void* SleepLong(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    probe->started = true;
    SThread::SleepUnlessStopped(60000);
    probe->ended = true;
    return nullptr;
}

// Cancels its own thread, then runs on briefly as a stopped thread does.
void* CancelSelf(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    probe->started = true;
    probe->owner->Cancel();
    probe->sawStop = SThread::StopRequested();
    probe->ended = true;
    return nullptr;
}

void* WaitOnOwner(void* raw) {
    Probe* probe = static_cast<Probe*>(raw);
    probe->started = true;
    probe->owner->Wait(1);
    probe->ended = true;
    return nullptr;
}

} // namespace

TEST(SThread, PriorityClassRule) {
    struct Case {
        int priorityClass, minPriority, maxPriority, expected;
    };
    const Case cases[] = {
        {2, 1, 99, 50}, {3, 1, 99, 99}, {4, 1, 99, 99}, {0, 1, 99, 1}, {5, 1, 99, 1},
        {1, 1, 99, 1},  {2, 0, 0, 0},   {3, 0, 0, 0},   {0, 0, 0, 0},  {2, 1, 2, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SThread::PriorityFor(c.priorityClass, c.minPriority, c.maxPriority), c.expected)
            << "class " << c.priorityClass << " in " << c.minPriority << ".." << c.maxPriority;
    }
}

TEST(PreciseSleep, SplitsSecondsAndNanoseconds) {
    struct Case {
        double seconds;
        long wholeSeconds, nanoseconds;
    };
    const Case cases[] = {
        {0.25, 0, 250000000}, {1.5, 1, 500000000}, {2.0, 2, 0},          {0.0, 0, 0},
        {-1.0, 0, 0},         {NAN, 0, 0},         {2.9999999999, 3, 0},
    };
    for (const Case& c : cases) {
        const timespec span = PreciseSleepSpan(c.seconds);
        EXPECT_EQ(static_cast<long>(span.tv_sec), c.wholeSeconds) << c.seconds;
        EXPECT_EQ(span.tv_nsec, c.nanoseconds) << c.seconds;
    }
}

TEST(SThread, CancelStopsAndJoinsTheThread) {
    const int baseline = systest::ThreadCount();
    Probe probe;
    SThread thread(2);
    ASSERT_TRUE(thread.Start(&TickUntilStopped, &probe));
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(systest::Eventually([&] { return probe.loops > 2; }));
    thread.Cancel();
    // Joined: the routine has returned by the time Cancel does.
    EXPECT_TRUE(probe.ended);
    EXPECT_TRUE(probe.sawStop);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(SThread, CancelWakesALongSleep) {
    Probe probe;
    SThread thread(3);
    ASSERT_TRUE(thread.Start(&SleepLong, &probe));
    ASSERT_TRUE(systest::Eventually([&] { return probe.started.load(); }));
    const auto before = std::chrono::steady_clock::now();
    thread.Cancel();
    EXPECT_TRUE(probe.ended);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
}

TEST(SThread, DestructionStopsTheThread) {
    const int baseline = systest::ThreadCount();
    Probe probe;
    {
        SThread thread(0);
        ASSERT_TRUE(thread.Start(&TickUntilStopped, &probe));
        ASSERT_TRUE(systest::Eventually([&] { return probe.started.load(); }));
    }
    EXPECT_TRUE(probe.ended);
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(SThread, StartWithoutRoutineOrArgumentCreatesNoThread) {
    const int baseline = systest::ThreadCount();
    Probe probe;
    SThread thread(2);
    EXPECT_FALSE(thread.Start(nullptr, &probe));
    EXPECT_EQ(thread.GetRoutine(), nullptr);
    EXPECT_EQ(thread.GetArgument(), &probe);
    EXPECT_FALSE(thread.Start(&TickUntilStopped, nullptr));
    EXPECT_EQ(thread.GetRoutine(), &TickUntilStopped);
    EXPECT_EQ(thread.GetArgument(), nullptr);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(systest::ThreadCount(), baseline);
    EXPECT_FALSE(probe.started);
}

TEST(SThread, StartStopsTheRunningThreadFirst) {
    const int baseline = systest::ThreadCount();
    Probe first, second;
    SThread thread(2);
    ASSERT_TRUE(thread.Start(&TickUntilStopped, &first));
    ASSERT_TRUE(systest::Eventually([&] { return first.started.load(); }));
    ASSERT_TRUE(thread.Start(&TickUntilStopped, &second));
    EXPECT_TRUE(first.ended);
    EXPECT_TRUE(systest::Eventually([&] { return second.loops > 0; }));
    EXPECT_FALSE(second.ended);
    thread.Cancel();
    EXPECT_TRUE(second.ended);
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(SThread, CancelFromTheThreadItselfDoesNotDeadlock) {
    const int baseline = systest::ThreadCount();
    Probe probe;
    {
        SThread thread(2);
        probe.owner = &thread;
        ASSERT_TRUE(thread.Start(&CancelSelf, &probe));
        ASSERT_TRUE(systest::Eventually([&] { return probe.ended.load(); }));
        EXPECT_TRUE(probe.sawStop);
        EXPECT_FALSE(thread.IsRunning());
        // A later Cancel from here joins the thread that stopped itself.
        thread.Cancel();
    }
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
}

TEST(SThread, WaitEndsOnResume) {
    SThread gate(0);
    SThread worker(2);
    Probe probe;
    probe.owner = &gate;
    ASSERT_TRUE(worker.Start(&WaitOnOwner, &probe));
    ASSERT_TRUE(systest::Eventually([&] { return gate.IsWaiting(); }));
    EXPECT_FALSE(probe.ended);
    gate.Resume();
    EXPECT_TRUE(systest::Eventually([&] { return probe.ended.load(); }));
}
