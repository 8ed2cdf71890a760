#include "engine/random/seed.h"

#include "engine/random/random.h"

#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#else
#include <ctime>
#endif

namespace velk::math::random::generator {

namespace {

constexpr unsigned kLibrarySeed = 314159265;

// splitmix64: consecutive outputs are unrelated even for neighbouring inputs.
std::uint64_t SplitMix(std::uint64_t& state) {
    state += 0x9e3779b97f4a7c15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

void SetWords(SRandom& generator, std::uint32_t s) {
    generator.value = s;
    generator.seed = s;
}

} // namespace

std::uint32_t ClockSeed() {
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<std::uint32_t>(__rdtsc());
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_nsec) ^ static_cast<std::uint32_t>(now.tv_sec);
#endif
}

std::uint32_t ParkMillerSeed(std::uint32_t s) {
    return s % static_cast<std::uint32_t>(SRandomPM::M) == 0 ? kDefaultSeed : s;
}

void SeedAtConstruction(SRandomSTD& crt, SRandomMersenne& mersenne, SRandomPM& pm) {
    SetWords(crt, kDefaultSeed);
    std::srand(kLibrarySeed);
    SetWords(mersenne, kDefaultSeed);
    mersenne.SetIndex(SRandomMersenne::kStartIndex);
    mersenne.Seed(kDefaultSeed);
    SetWords(pm, kDefaultSeed);

    crt.Seed(ClockSeed());
    mersenne.Seed(ClockSeed());
    SetWords(pm, ParkMillerSeed(ClockSeed()));
}

void SeedAll(SRandomSTD& crt, SRandomMersenne& mersenne, SRandomPM& pm, std::uint32_t s) {
    std::uint64_t mix = s;
    const std::uint32_t forLibrary = static_cast<std::uint32_t>(SplitMix(mix));
    const std::uint32_t forMersenne = static_cast<std::uint32_t>(SplitMix(mix));
    const std::uint32_t forPM = ParkMillerSeed(static_cast<std::uint32_t>(SplitMix(mix)));

    SetWords(crt, forLibrary);
    crt.Seed(forLibrary);
    SetWords(mersenne, forMersenne);
    mersenne.SetIndex(SRandomMersenne::kStartIndex);
    mersenne.Seed(forMersenne);
    SetWords(pm, forPM);
}

} // namespace velk::math::random::generator
