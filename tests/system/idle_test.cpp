#include "system/idle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "sys_test_util.h"

using velk::threading::AddIdleFunction;
using velk::threading::IdleFunction;
using velk::threading::IdleFunctionCount;
using velk::threading::IdleFunctionRegistered;
using velk::threading::IdleThreadInterval;
using velk::threading::IdleThreadRunning;
using velk::threading::RemoveIdleFunction;
using velk::threading::ShutdownIdleThread;
using velk::threading::STimerIdle;

namespace {

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    std::atomic<int> slowMs{0};
    IdleFunction* selfFunction = nullptr; // set: the call removes its own pair
    std::unique_ptr<STimerIdle>* destroyFromCall = nullptr;
};

void Count(void* raw) {
    Counter* counter = static_cast<Counter*>(raw);
    counter->inside = true;
    if (counter->slowMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(counter->slowMs));
    ++counter->calls;
    if (counter->selfFunction) RemoveIdleFunction(counter->selfFunction, counter);
    if (counter->destroyFromCall) counter->destroyFromCall->reset();
    counter->inside = false;
}

class IdleThread : public ::testing::Test {
protected:
    void SetUp() override { baseline = systest::ThreadCount(); }
    void TearDown() override {
        ShutdownIdleThread();
        EXPECT_FALSE(IdleThreadRunning());
        EXPECT_EQ(IdleFunctionCount(), 0u);
        EXPECT_TRUE(systest::ThreadsBackTo(baseline));
    }

    // Waits for the idle thread to finish at least n more passes, seen by a
    // heartbeat pair registered for the purpose.
    void WaitPasses(int n) {
        const int start = heartbeat.calls;
        ASSERT_TRUE(systest::Eventually([&] { return heartbeat.calls >= start + n; }));
    }
    void StartHeartbeat() { ASSERT_TRUE(AddIdleFunction(&heartbeatFunction, &heartbeat)); }

    int baseline = 0;
    Counter heartbeat;
    IdleFunction heartbeatFunction = &Count;
    // Outlive every test body: the idle thread may call them until TearDown.
    Counter counter, first, second;
    IdleFunction function = &Count;
};

} // namespace

TEST_F(IdleThread, RegisteredFunctionIsCalledAndNotTwice) {
    STimerIdle timer(nullptr, 1, 2, false);
    EXPECT_TRUE(IdleThreadRunning());
    EXPECT_EQ(IdleThreadInterval(), 2);
    EXPECT_TRUE(AddIdleFunction(&function, &counter));
    EXPECT_FALSE(AddIdleFunction(&function, &counter));
    EXPECT_EQ(IdleFunctionCount(), 1u);
    EXPECT_TRUE(systest::Eventually([&] { return counter.calls > 2; }));
}

TEST_F(IdleThread, RemovedFunctionIsNoLongerCalled) {
    STimerIdle timer(nullptr, 1, 1, false);
    StartHeartbeat();
    ASSERT_TRUE(AddIdleFunction(&function, &first));
    ASSERT_TRUE(AddIdleFunction(&function, &second));
    ASSERT_TRUE(systest::Eventually([&] { return first.calls > 0 && second.calls > 0; }));
    EXPECT_TRUE(RemoveIdleFunction(&function, &first));
    EXPECT_FALSE(RemoveIdleFunction(&function, &first));
    EXPECT_FALSE(IdleFunctionRegistered(&function, &first));
    EXPECT_TRUE(IdleFunctionRegistered(&function, &second));
    const int removedCalls = first.calls;
    const int keptCalls = second.calls;
    WaitPasses(3);
    EXPECT_EQ(first.calls, removedCalls);
    EXPECT_GT(second.calls, keptCalls);
}

TEST_F(IdleThread, RemovalWaitsForTheCallInProgress) {
    STimerIdle timer(nullptr, 1, 1, false);
    counter.slowMs = 100;
    ASSERT_TRUE(AddIdleFunction(&function, &counter));
    ASSERT_TRUE(systest::Eventually([&] { return counter.inside.load(); }));
    ASSERT_TRUE(RemoveIdleFunction(&function, &counter));
    EXPECT_FALSE(counter.inside);
    const int calls = counter.calls;
    EXPECT_GE(calls, 1);
    StartHeartbeat();
    WaitPasses(2);
    EXPECT_EQ(counter.calls, calls);
}

TEST_F(IdleThread, FunctionMayRemoveItself) {
    STimerIdle timer(nullptr, 1, 1, false);
    counter.selfFunction = &function;
    ASSERT_TRUE(AddIdleFunction(&function, &counter));
    ASSERT_TRUE(systest::Eventually([&] { return !IdleFunctionRegistered(&function, &counter); }));
    StartHeartbeat();
    WaitPasses(2);
    EXPECT_EQ(counter.calls, 1);
}

TEST_F(IdleThread, DestroyingTheOnlyIdleTimerStopsTheThread) {
    {
        STimerIdle timer(nullptr, 1, 3, false);
        timer.SetFunction(&function, &counter);
        ASSERT_TRUE(AddIdleFunction(&function, &counter));
        ASSERT_TRUE(systest::Eventually([&] { return counter.calls > 0; }));
        EXPECT_EQ(IdleThreadInterval(), 3);
    }
    EXPECT_FALSE(IdleThreadRunning());
    EXPECT_EQ(IdleFunctionCount(), 0u);
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
    const int calls = counter.calls;

    // A new idle timer starts a new thread with its own interval.
    STimerIdle next(nullptr, 2, 15, false);
    EXPECT_TRUE(IdleThreadRunning());
    EXPECT_EQ(IdleThreadInterval(), 15);
    next.SetFunction(&function, &counter);
    ASSERT_TRUE(AddIdleFunction(&function, &counter));
    EXPECT_TRUE(systest::Eventually([&] { return counter.calls > calls; }));
}

TEST_F(IdleThread, ThreadRunsWhilePairsRemain) {
    auto firstTimer = std::make_unique<STimerIdle>(nullptr, 1, 2, false);
    // A second idle timer neither restarts the thread nor changes its period.
    STimerIdle secondTimer(nullptr, 2, 50, false);
    EXPECT_EQ(IdleThreadInterval(), 2);
    firstTimer->SetFunction(&function, &first);
    secondTimer.SetFunction(&function, &second);
    ASSERT_TRUE(AddIdleFunction(&function, &first));
    ASSERT_TRUE(AddIdleFunction(&function, &second));
    firstTimer.reset();
    EXPECT_TRUE(IdleThreadRunning());
    EXPECT_FALSE(IdleFunctionRegistered(&function, &first));
    const int calls = second.calls;
    EXPECT_TRUE(systest::Eventually([&] { return second.calls > calls; }));
}

TEST_F(IdleThread, IdleTimerDestroyedFromAnIdleCall) {
    auto timer = std::make_unique<STimerIdle>(nullptr, 1, 1, false);
    timer->SetFunction(&function, &counter);
    counter.destroyFromCall = &timer;
    ASSERT_TRUE(AddIdleFunction(&function, &counter));
    ASSERT_TRUE(systest::Eventually([&] { return !IdleThreadRunning(); }));
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(IdleFunctionCount(), 0u);
    // TearDown's shutdown joins the thread that stopped itself.
}

TEST_F(IdleThread, ShutdownStopsTheThreadAndEmptiesTheList) {
    STimerIdle timer(nullptr, 1, 1, false);
    ASSERT_TRUE(AddIdleFunction(&function, &counter));
    ASSERT_TRUE(systest::Eventually([&] { return counter.calls > 0; }));
    ShutdownIdleThread();
    EXPECT_FALSE(IdleThreadRunning());
    EXPECT_EQ(IdleFunctionCount(), 0u);
    EXPECT_FALSE(counter.inside);
    const int calls = counter.calls;
    EXPECT_TRUE(systest::ThreadsBackTo(baseline));
    EXPECT_EQ(counter.calls, calls);
}
