#include "engine/random.h"

#include <cstdlib>

namespace velk::math::random::generator {

namespace {

// 1/(2^31-1) and 1/(2^32-1): the scales of the 31-bit and the 32-bit generators.
constexpr double kScale31 = 4.656612875245797e-10;
constexpr double kScale32 = 2.3283064370807974e-10;

float Scaled(std::uint32_t integer, double scale) {
    return static_cast<float>(static_cast<std::int32_t>(integer) * scale);
}

} // namespace

void SRandom::Seed(unsigned int s) {
    value = s;
    seed = s;
}

// --- C library ---

SRandomSTD::SRandomSTD() {
    value = kDefaultSeed;
    seed = kDefaultSeed;
}

std::uint32_t SRandomSTD::Integer() {
    value = static_cast<std::uint32_t>(std::rand());
    return value;
}

float SRandomSTD::Float() {
    return Scaled(Integer(), kScale31);
}

void SRandomSTD::Seed(unsigned int s) {
    seed = s;
    std::srand(s);
}

// --- Park-Miller ---

SRandomPM::SRandomPM() {
    value = kDefaultSeed;
    seed = kDefaultSeed;
}

float SRandomPM::Float() {
    return Scaled(Integer(), kScale31);
}

// --- Mersenne Twister ---

SRandomMersenne::SRandomMersenne() {
    value = kDefaultSeed;
    Seed(kDefaultSeed);
}

void SRandomMersenne::Seed(unsigned int s) {
    seed = s;
    state[0] = s;
    for (int i = 1; i < kWords; ++i) {
        const std::uint32_t previous = state[i - 1];
        state[i] = 1812433253u * (previous ^ (previous >> 30)) + static_cast<std::uint32_t>(i);
    }
    Temper();
}

// Vectorised even where the build optimises less: it runs once per 624 draws on the audio thread.
__attribute__((optimize("O3"))) void SRandomMersenne::Regenerate() {
    // The usual twist, split at the wrap-around points so no index needs a modulo.
    constexpr int kShift = 397;
    constexpr int kSplit = kWords - kShift; // 227
    auto twist = [](std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
        const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
        return far ^ (y >> 1) ^ ((y & 1u) ? 0x9908b0dfu : 0u);
    };
    int k = 0;
    for (; k < kSplit; ++k) state[k] = twist(state[k], state[k + 1], state[k + kShift]);
    for (; k < kWords - 1; ++k) state[k] = twist(state[k], state[k + 1], state[k - kSplit]);
    state[kWords - 1] = twist(state[kWords - 1], state[0], state[kShift - 1]);
    Temper();
}

__attribute__((optimize("O3"))) void SRandomMersenne::Temper() {
    for (int i = 0; i < kWords; ++i) {
        std::uint32_t y = state[i];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9d2c5680u;
        y ^= (y << 15) & 0xefc60000u;
        y ^= y >> 18;
        tempered[i] = y;
    }
}

float SRandomMersenne::Float() {
    return Scaled(Integer(), kScale32);
}

// --- Marsaglia ---

SRandomMarsaglia::SRandomMarsaglia() {
    value = kDefaultSeed;
    Seed(kDefaultSeed);
}

void SRandomMarsaglia::Seed(unsigned int s) {
    seed = s;
    c = 0;
    x = s ^ 0x1f123bb5u;
    y = s ^ 0x159a55e5u;
    z = s ^ 0x00f6a3d9u;
    w = s ^ 0x436cbae9u;
    if (z < y) c = 1;
}

std::uint32_t SRandomMarsaglia::Integer() {
    const std::uint32_t sum = c + x;
    std::uint32_t t;
    if (y > sum) {
        t = y - sum;
        c = 0;
    } else {
        t = y - sum - 18u;
        c = 1;
    }
    x = y;
    y = z;
    z = t;
    w = 69069u;
    value = t + 1489463708u;
    return value;
}

float SRandomMarsaglia::Float() {
    return Scaled(Integer(), kScale32);
}

} // namespace velk::math::random::generator
