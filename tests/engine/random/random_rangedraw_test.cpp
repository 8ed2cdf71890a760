#include "engine/random/random.h"
#include "engine/random/rangedraw.h"
#include "engine/random/sampler.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

using namespace velk::math::random::generator;

namespace {

// Hands out a fixed script of integers and counts how many were taken.
class ScriptedGenerator : public SRandom {
public:
    explicit ScriptedGenerator(std::vector<std::uint32_t> integers) : script(std::move(integers)) {}
    std::uint32_t Integer() override {
        const std::uint32_t next = script.empty() ? 0u : script[calls % script.size()];
        ++calls;
        return next;
    }
    float Float() override { return 0.0f; }

    std::vector<std::uint32_t> script;
    std::size_t calls = 0;
};

std::vector<std::unique_ptr<SRandom>> RealGenerators() {
    std::vector<std::unique_ptr<SRandom>> generators;
    generators.push_back(std::make_unique<SRandomSTD>());
    generators.push_back(std::make_unique<SRandomPM>());
    generators.push_back(std::make_unique<SRandomMersenne>());
    generators.push_back(std::make_unique<SRandomMarsaglia>());
    generators[0]->Seed(2024);
    return generators;
}

} // namespace

TEST(RangeDraw, UsesTheIntegersAsTheRuleSays) {
    struct Case {
        int min, max, limit;
        std::vector<std::uint32_t> script;
        unsigned expected;
        std::size_t calls;
    };
    const Case cases[] = {
        {64, 64, 127, {}, 64, 0},                       // nothing to choose: no number taken
        {0, 127, 127, {128 + 5}, 5, 1},                 // modulus 128
        {0, 127, 127, {0xffffffffu}, 127, 1},           // taken unsigned
        {10, 20, 127, {11 * 3 + 4}, 14, 1},             // modulus is the width, inclusive
        {100, 20, 127, {1, 21 + 8}, 8, 2},              // odd: low half, 0..20
        {100, 20, 127, {2, 28 + 22}, 122, 2},           // even: high half, 100..127
        {12, 3, 15, {0xffffffffu, 7}, 3, 2},            // channel, low half 0..3
        {12, 3, 15, {0x80000000u, 0xffffffffu}, 15, 2}, // channel, high half 12..15
    };
    for (const Case& c : cases) {
        ScriptedGenerator generator(c.script);
        EXPECT_EQ(RangeDraw(generator, c.min, c.max, c.limit), c.expected)
            << c.min << ".." << c.max << " of " << c.limit;
        EXPECT_EQ(generator.calls, c.calls) << c.min << ".." << c.max;
    }
}

// Inverted ranges give only the two wrapped halves, each about half the time
// however narrow it is.
TEST(RangeDraw, InvertedRangesWrapAroundTheField) {
    struct Case {
        int min, max, limit;
    };
    for (const Case& c : {Case{100, 20, 127}, Case{12, 3, 15}, Case{127, 0, 127}}) {
        for (auto& generator : RealGenerators()) {
            int low = 0, high = 0;
            for (int i = 0; i < 4000; ++i) {
                const unsigned v = RangeDraw(*generator, c.min, c.max, c.limit);
                ASSERT_TRUE(v <= unsigned(c.max) ||
                            (v >= unsigned(c.min) && v <= unsigned(c.limit)))
                    << v << " from " << c.min << ".." << c.max;
                (v <= unsigned(c.max) ? low : high)++;
            }
            EXPECT_GT(low, 1600) << c.min << ".." << c.max;
            EXPECT_GT(high, 1600) << c.min << ".." << c.max;
        }
    }
}

// Ordinary ranges: every draw inside, and both ends reachable.
TEST(RangeDraw, OrdinaryRangesStayInsideAndReachBothEnds) {
    std::mt19937 pick(7);
    for (auto& generator : RealGenerators()) {
        for (int limit : {15, 127}) {
            for (int pair = 0; pair < 100; ++pair) {
                int min = static_cast<int>(pick() % (limit + 1));
                int max = static_cast<int>(pick() % (limit + 1));
                if (min > max) std::swap(min, max);
                bool sawMin = false, sawMax = false;
                for (int i = 0; i < 2000; ++i) {
                    const unsigned v = RangeDraw(*generator, min, max, limit);
                    ASSERT_GE(v, unsigned(min));
                    ASSERT_LE(v, unsigned(max));
                    sawMin = sawMin || v == unsigned(min);
                    sawMax = sawMax || v == unsigned(max);
                }
                EXPECT_TRUE(sawMin && sawMax) << min << ".." << max;
            }
        }
    }
}

// Bounds a damaged program could hold: never a fault, never outside the field.
TEST(RangeDraw, OutOfFieldBoundsStayInTheField) {
    const int bounds[] = {INT_MIN, -1000, -1, 0, 5, 15, 16, 127, 128, 1000, INT_MAX};
    const std::vector<std::uint32_t> script = {0u, 1u, 0xffffffffu, 0x80000000u, 12345u, 2u};
    for (int limit : {-1, 0, 15, 127}) {
        for (int min : bounds) {
            for (int max : bounds) {
                ScriptedGenerator generator(script);
                for (std::size_t i = 0; i < script.size(); ++i) {
                    const unsigned v = RangeDraw(generator, min, max, limit);
                    ASSERT_LE(v, unsigned(limit < 0 ? 0 : limit))
                        << min << ".." << max << " of " << limit;
                }
            }
        }
    }
}

// The engine's sampler gives what the plain rule gives, with the same generator calls, for
// every generator and every kind of range.
TEST(RangeDraw, TheEnginesSamplerMatchesItDrawForDraw) {
    const int ranges[][3] = {{0, 127, 127}, {10, 20, 127}, {64, 64, 127}, {100, 20, 127},
                             {127, 0, 127}, {12, 3, 15},   {0, 15, 15},   {-5, 200, 127}};
    // Two fresh generators of each kind from the same seed, run one after the other: the
    // C library's generator is one per process, so they must not run interleaved.
    auto plain = RealGenerators(), sampled = RealGenerators();
    for (std::size_t g = 0; g < plain.size(); g++) {
        SRandom& generator = *plain[g];
        std::vector<unsigned> expected;
        generator.Seed(77);
        for (const auto& r : ranges)
            for (int i = 0; i < 500; i++) expected.push_back(RangeDraw(generator, r[0], r[1], r[2]));
        const std::uint32_t next = generator.Integer();
        SRandom& other = *sampled[g];
        other.Seed(77);
        std::size_t at = 0;
        for (const auto& r : ranges) {
            velk::engine::RangeSampler sampler;
            sampler.Set(r[0], r[1], r[2]);
            for (int i = 0; i < 500; i++, at++)
                ASSERT_EQ(sampler.Draw(other), expected[at])
                    << "generator " << g << ", " << r[0] << ".." << r[1] << " of " << r[2]
                    << ", draw " << i;
        }
        EXPECT_EQ(other.Integer(), next) << "generator " << g << " took other calls";
    }
}
