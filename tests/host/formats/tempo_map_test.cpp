#include "host/formats/tempo_map.h"
#include "host/formats/uint128.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include <cstdint>

using moravox::host::TempoChange;
using moravox::host::TempoMap;
using moravox::host::UInt128;

TEST(UInt128, MultipliesAndDividesPastSixtyFourBits) {
    const uint64_t max = UINT64_MAX;
    const UInt128 square = UInt128::Multiply(max, max); // 2^128 - 2^65 + 1
    EXPECT_EQ(square.high, max - 1);
    EXPECT_EQ(square.low, 1u);
    uint64_t rest = 0;
    EXPECT_EQ(square.DividedBy(max, &rest), UInt128(max));
    EXPECT_EQ(rest, 0u);

    const UInt128 big = UInt128::Multiply(0x123456789ABCDEFull, 0xFEDCBA987654321ull).Times(3);
    const UInt128 quotient = big.DividedBy(1000000007ull, &rest);
    EXPECT_EQ(quotient.Times(1000000007ull) + UInt128(rest), big);
    EXPECT_LT(rest, 1000000007ull);
    // A divisor with its top bit set exercises the carry out of the remainder.
    const uint64_t huge = 0x8000000000000001ull;
    const UInt128 product = UInt128::Multiply(huge, 12345);
    EXPECT_EQ(product.DividedBy(huge, &rest), UInt128(12345));
    EXPECT_EQ(rest, 0u);
    EXPECT_EQ((product + UInt128(7)) - product, UInt128(7));
    EXPECT_EQ(UInt128(0) - UInt128(0), UInt128(0));
    EXPECT_TRUE(UInt128(5) < UInt128::Multiply(1ull << 32, 1ull << 32));
}

// The fast division (the compiler's 128-bit type, or 64-bit division for small dividends) and
// the bit-by-bit one agree, quotient and remainder, on edges and on many drawn values; so do the
// product of the compiler's type and the one by halves.
TEST(UInt128, FastAndBitByBitArithmeticAgree) {
    std::vector<std::pair<UInt128, uint64_t>> cases = {
        {UInt128(0), 1}, {UInt128(UINT64_MAX), 1}, {UInt128(UINT64_MAX), UINT64_MAX},
        {UInt128::Multiply(UINT64_MAX, UINT64_MAX), UINT64_MAX},
        {UInt128::Multiply(UINT64_MAX, UINT64_MAX), 0x8000000000000001ull},
        {UInt128::Multiply(1ull << 63, 3), 2}, {UInt128(12345), 1000000007ull}};
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t a = random(), b = random() >> (random() % 64);
        ASSERT_EQ(UInt128::Multiply(a, b), UInt128::MultiplyByHalves(a, b)) << a << " * " << b;
        UInt128 dividend = UInt128::Multiply(a, b);
        const uint64_t divisor = (random() >> (random() % 64)) | 1u;
        cases.push_back({dividend, divisor});
    }
    for (const auto& [dividend, divisor] : cases) {
        uint64_t fastRest = 0, slowRest = 0;
        const UInt128 fast = dividend.DividedBy(divisor, &fastRest);
        const UInt128 slow = dividend.DividedByBits(divisor, &slowRest);
        ASSERT_EQ(fast, slow) << dividend.high << ":" << dividend.low << " / " << divisor;
        ASSERT_EQ(fastRest, slowRest) << dividend.high << ":" << dividend.low << " / " << divisor;
    }
}

TEST(TempoMap, ConstantTempoMatchesDirectArithmetic) {
    struct Case {
        uint32_t division, rate, tempo;
    };
    const Case cases[] = {{96, 48000, 500000},    {480, 44100, 333333}, {1, 48000, 500000},
                          {32767, 96000, 500000}, {960, 22050, 1},      {24, 8000, 0xFFFFFF}};
    for (const Case& c : cases) {
        const TempoMap map(c.division, c.rate, {{0, c.tempo}});
        for (uint64_t tick : {0ull, 1ull, 7ull, 95ull, 96ull, 1000ull, 123457ull, 9999991ull}) {
            // tick * tempo * rate stays below 2^64 for these cases.
            const uint64_t expected = tick * c.tempo * c.rate / (uint64_t{c.division} * 1000000);
            EXPECT_EQ(map.SampleAt(tick), expected) << c.division << " " << c.tempo << " " << tick;
            EXPECT_EQ(map.MicrosecondsAt(tick), tick * c.tempo / c.division);
        }
    }
}

TEST(TempoMap, TempoChangesMoveLaterTicksExactly) {
    // 96 ticks per quarter at 48 kHz: 0.5 s per quarter, then 0.25 s, then 1 s.
    const TempoMap map(96, 48000, {{192, 1000000}, {96, 250000}});
    EXPECT_EQ(map.SampleAt(96), 24000u);
    EXPECT_EQ(map.SampleAt(144), 24000u + 6000u);
    EXPECT_EQ(map.SampleAt(192), 36000u);
    EXPECT_EQ(map.SampleAt(288), 36000u + 48000u);
    EXPECT_EQ(map.TickAt(36000), 192u);
    EXPECT_EQ(map.TickAt(84000), 288u);
    EXPECT_EQ(map.MicrosecondsAt(288), 1750000u);

    // Several changes at one tick: the last one given counts.
    const TempoMap same(96, 48000, {{0, 250000}, {0, 1000000}});
    EXPECT_EQ(same.SampleAt(96), 48000u);
    // No change at all: 120 beats per minute.
    EXPECT_EQ(TempoMap(96, 48000, {}).SampleAt(96), 24000u);
}

TEST(TempoMap, NoDriftOverLongFilesWithManyTempoChanges) {
    // A tempo change every quarter note, alternating between tempos whose sample lengths are not
    // whole numbers; positions are checked against the exact sum, kept in integers.
    const uint32_t division = 480, rate = 44100;
    const uint32_t tempos[] = {333333, 428571, 517241};
    std::vector<TempoChange> changes;
    for (uint64_t q = 0; q < 20000; ++q) changes.push_back({q * division, tempos[q % 3]});
    const TempoMap map(division, rate, changes);
    UInt128 units; // ticks times microseconds per quarter
    for (uint64_t q = 0; q < 20000; ++q) {
        const uint64_t tick = q * division;
        const uint64_t expected = units.Times(rate).DividedBy(uint64_t{division} * 1000000).low;
        ASSERT_EQ(map.SampleAt(tick), expected) << tick;
        ASSERT_EQ(map.TickAt(map.SampleAt(tick)), tick) << tick;
        units = units + UInt128::Multiply(division, tempos[q % 3]);
    }
}

TEST(TempoMap, SamplesGoToTheNearestTick) {
    // 96 ticks per quarter, 0.5 s per quarter, 48 kHz: a tick is exactly 250 samples.
    const TempoMap map(96, 48000, {});
    EXPECT_EQ(map.TickAt(0), 0u);
    EXPECT_EQ(map.TickAt(124), 0u);
    EXPECT_EQ(map.TickAt(125), 1u); // halfway: the later tick
    EXPECT_EQ(map.TickAt(126), 1u);
    EXPECT_EQ(map.TickAt(250), 1u);
    EXPECT_EQ(map.TickAt(374), 1u);
    EXPECT_EQ(map.TickAt(375), 2u);
    // Near a tempo change the tick grid before the change decides.
    const TempoMap changed(96, 48000, {{1, 1000}});
    EXPECT_EQ(changed.SampleAt(1), 250u);
    EXPECT_EQ(changed.TickAt(249), 1u);
    EXPECT_EQ(changed.TickAt(250), 1u);
    EXPECT_EQ(changed.SampleAt(1001), 750u); // 1000 ticks of half a sample each
    EXPECT_EQ(changed.TickAt(750), 1001u);
}

TEST(TempoMap, RoundTripsEveryTickWhenTicksAreLongerThanTwoSamples) {
    struct Case {
        uint32_t division, rate;
        std::vector<TempoChange> changes;
    };
    const Case cases[] = {
        {96, 48000, {{0, 500000}, {500, 428571}, {1001, 600001}}},
        {960, 44100, {{0, 500000}, {7777, 250000}}},
        {1, 8000, {{3, 60000}}},
        {32767, 768000, {{0, 1000000}}},
    };
    for (const Case& c : cases) {
        const TempoMap map(c.division, c.rate, c.changes);
        uint64_t previous = 0;
        for (uint64_t tick = 0; tick < 20000; ++tick) {
            const uint64_t sample = map.SampleAt(tick);
            ASSERT_EQ(map.TickAt(sample), tick) << c.division << " at tick " << tick;
            if (tick > 0) {
                ASSERT_GE(sample, previous + 2);
            }
            previous = sample;
        }
    }
}

TEST(TempoMap, ExtremesStayExact) {
    // The longest time a file may hold: 2^32 ticks of the slowest tempo, one tick per quarter.
    const uint64_t lastTick = (uint64_t{1} << 32) - 1;
    const TempoMap slow(1, 768000, {{0, 0xFFFFFF}});
    const UInt128 units = UInt128::Multiply(lastTick, 0xFFFFFF);
    EXPECT_EQ(slow.SampleAt(lastTick), units.Times(768000).DividedBy(1000000).low);
    EXPECT_EQ(slow.TickAt(slow.SampleAt(lastTick)), lastTick);
    EXPECT_EQ(slow.MicrosecondsAt(lastTick), units.low);
    // Ticks much shorter than a sample: several ticks share one sample, and a sample goes to
    // the tick nearest its start.
    const TempoMap fast(32767, 8000, {{0, 1}});
    EXPECT_EQ(fast.SampleAt(32767 * 125), 1u); // 125 quarters of a microsecond each: 1 sample
    EXPECT_EQ(fast.TickAt(1), 32767u * 125);
}
