#include "engine/random/random.h"
#include "engine/random/seed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace velk::math::random::generator;

namespace {

struct Triple {
    SRandomSTD crt;
    SRandomMersenne mersenne;
    SRandomPM pm;
};

struct Sequences {
    std::vector<std::uint32_t> crt, mersenne, pm;
};

// Draws from the C library generator right after seeding, before anyone else
// can move its process-wide state.
Sequences Reseeded(Triple& t, std::uint32_t s) {
    SeedAll(t.crt, t.mersenne, t.pm, s);
    Sequences out;
    for (int i = 0; i < 700; ++i) {
        out.crt.push_back(t.crt.Integer());
        out.mersenne.push_back(t.mersenne.Integer());
        out.pm.push_back(t.pm.Integer());
    }
    return out;
}

} // namespace

// The same number repeats every sequence, whatever the instance drew before;
// another number gives other sequences, with each generator seeded apart.
TEST(SeedAll, OneNumberReproducesAllThree) {
    Triple a, b;
    for (int i = 0; i < 100; ++i) {
        b.mersenne.Integer();
        b.pm.Integer();
    }
    const Sequences first = Reseeded(a, 42);
    const Sequences again = Reseeded(b, 42);
    EXPECT_EQ(first.crt, again.crt);
    EXPECT_EQ(first.mersenne, again.mersenne);
    EXPECT_EQ(first.pm, again.pm);
    EXPECT_EQ(a.mersenne.seed, b.mersenne.seed);

    for (std::uint32_t other : {43u, 0u, 0xffffffffu}) {
        const Sequences different = Reseeded(b, other);
        EXPECT_NE(first.crt, different.crt) << other;
        EXPECT_NE(first.mersenne, different.mersenne) << other;
        EXPECT_NE(first.pm, different.pm) << other;
    }
    EXPECT_NE(a.crt.seed, a.mersenne.seed);
    EXPECT_NE(a.mersenne.seed, a.pm.seed);
}

TEST(SeedAtConstruction, EachInstanceGetsItsOwnSequences) {
    Triple a, b;
    for (int i = 0; i < 10; ++i) a.mersenne.Integer();
    SeedAtConstruction(a.crt, a.mersenne, a.pm);
    SeedAtConstruction(b.crt, b.mersenne, b.pm);
    EXPECT_EQ(a.mersenne.Index(), SRandomMersenne::kStartIndex);
    EXPECT_NE(a.mersenne.seed, b.mersenne.seed);
    EXPECT_NE(a.pm.value, b.pm.value);
    EXPECT_NE(a.mersenne.Integer(), b.mersenne.Integer());
    EXPECT_NE(a.pm.Integer(), 0u);
}

// Readings that would freeze Park-Miller at 0 are replaced; others are kept.
TEST(ParkMillerSeed, NeverFreezesTheGenerator) {
    for (std::uint32_t reading : {0u, 2147483647u, 4294967294u, 1u, 2147483648u, 0xffffffffu}) {
        SRandomPM pm;
        pm.Seed(ParkMillerSeed(reading));
        EXPECT_NE(pm.Integer(), 0u) << reading;
        EXPECT_NE(pm.Integer(), 0u) << reading;
        if (reading % 2147483647u != 0) {
            EXPECT_EQ(ParkMillerSeed(reading), reading);
        }
    }
}
