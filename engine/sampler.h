// The range draw with its divisors prepared once per block: the same results
// and the same generator calls as RangeDraw, without a hardware division per draw.
#pragma once

#include <cstdint>

#include "engine/random.h"

namespace velk {
namespace engine {

// a mod d for a fixed d, by multiplication (exact for every 32-bit a).
class FastMod {
public:
    void Set(uint32_t divisor);
    uint32_t Mod(uint32_t a) const {
#if defined(__SIZEOF_INT128__)
        const uint64_t low = magic * a;
        return static_cast<uint32_t>((static_cast<unsigned __int128>(low) * divisor) >> 64);
#else
        return a % divisor;
#endif
    }
    uint32_t Divisor() const {
        return divisor;
    }

private:
    uint32_t divisor = 1;
    uint64_t magic = 0;
};

// One draw from a generator: inline for the two the audio thread calls most.
inline uint32_t NextOf(velk::math::random::generator::SRandomMersenne& g) {
    return g.Next();
}
inline uint32_t NextOf(velk::math::random::generator::SRandomPM& g) {
    return g.Next();
}
inline uint32_t NextOf(velk::math::random::generator::SRandom& g) {
    return g.Integer();
}

class RangeSampler {
public:
    void Set(int min, int max, int limit);
    template <class Generator> unsigned Draw(Generator& g) const {
        if (kind == EQUAL) return high;
        if (kind == NORMAL) return low + first.Mod(NextOf(g));
        if (NextOf(g) & 1u) return first.Mod(NextOf(g));
        return low + second.Mod(NextOf(g));
    }

private:
    enum Kind { EQUAL, NORMAL, INVERTED };
    Kind kind = EQUAL;
    unsigned low = 0;
    unsigned high = 0;
    FastMod first;  // the range, or 0..max of an inverted one
    FastMod second; // min..limit of an inverted one
};

} // namespace engine
} // namespace velk
