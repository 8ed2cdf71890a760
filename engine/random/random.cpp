#include "engine/random/random.h"

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
    return Next();
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

namespace {

[[gnu::always_inline]] inline std::uint32_t Twist(std::uint32_t upper, std::uint32_t lower,
                                                  std::uint32_t far) {
    const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
    return far ^ (y >> 1) ^ ((y & 1u) ? 0x9908b0dfu : 0u);
}

[[gnu::always_inline]] inline std::uint32_t Tempered(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

// The usual twist of all 624 words, split at the wrap-around points so no
// index needs a modulo, with each new word tempered while it is at hand.
[[gnu::always_inline]] inline void TwistAll(std::uint32_t* state, std::uint32_t* tempered) {
    constexpr int kWords = SRandomMersenne::kWords;
    constexpr int kShift = 397;
    constexpr int kSplit = kWords - kShift; // 227
    int k = 0;
    for (; k < kSplit; ++k) {
        state[k] = Twist(state[k], state[k + 1], state[k + kShift]);
        tempered[k] = Tempered(state[k]);
    }
    for (; k < kWords - 1; ++k) {
        state[k] = Twist(state[k], state[k + 1], state[k - kSplit]);
        tempered[k] = Tempered(state[k]);
    }
    state[kWords - 1] = Twist(state[kWords - 1], state[0], state[kShift - 1]);
    tempered[kWords - 1] = Tempered(state[kWords - 1]);
}

// The twist runs once per 624 draws on the audio thread: vectorised even where
// the build optimises less, and with wider vectors where the processor has
// them. The choice is made once, when the library is loaded.
#if defined(__clang__)
#define MORAVOX_OPTIMIZE_MORE
#else
#define MORAVOX_OPTIMIZE_MORE __attribute__((optimize("O3")))
#endif
MORAVOX_OPTIMIZE_MORE void TwistNarrow(std::uint32_t* state, std::uint32_t* tempered) {
    TwistAll(state, tempered);
}

#if defined(__x86_64__) || defined(__i386__)
#if defined(__x86_64__)
#define MORAVOX_WIDE_VECTORS "avx2"
#else
#define MORAVOX_WIDE_VECTORS "sse2"
#endif
MORAVOX_OPTIMIZE_MORE __attribute__((target(MORAVOX_WIDE_VECTORS))) void
TwistWide(std::uint32_t* state, std::uint32_t* tempered) {
    TwistAll(state, tempered);
}

const bool kWideVectors = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports(MORAVOX_WIDE_VECTORS) != 0;
}();
#endif

} // namespace

void SRandomMersenne::Regenerate() {
#if defined(MORAVOX_WIDE_VECTORS)
    if (kWideVectors) return TwistWide(state, tempered);
#endif
    TwistNarrow(state, tempered);
}

void SRandomMersenne::Temper() {
    for (int i = 0; i < kWords; ++i) tempered[i] = Tempered(state[i]);
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
