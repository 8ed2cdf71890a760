// The range draw with its divisors prepared once per block: the same results
// and the same generator calls as RangeDraw, without a hardware division per draw.
#pragma once

#include <cstdint>

#include "engine/random/random.h"

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

// One draw from a generator, without a virtual call where the kind is known.
inline uint32_t NextOf(velk::math::random::generator::SRandomSTD& g) {
    return g.Next();
}
inline uint32_t NextOf(velk::math::random::generator::SRandomMersenne& g) {
    return g.Next();
}
inline uint32_t NextOf(velk::math::random::generator::SRandomPM& g) {
    return g.Next();
}
inline uint32_t NextOf(velk::math::random::generator::SRandom& g) {
    return g.Integer();
}

// A run of draws with the generator's position held in a local, written back
// when the run ends: the draws of one event then chain through registers.
template <class Generator> class DrawRun {
public:
    explicit DrawRun(Generator& g) : g(g) {}
    uint32_t Next() { return NextOf(g); }

private:
    Generator& g;
};

template <> class DrawRun<velk::math::random::generator::SRandomPM> {
public:
    explicit DrawRun(velk::math::random::generator::SRandomPM& g) : g(g), state(g.value) {}
    ~DrawRun() { g.value = state; }
    uint32_t Next() { return state = g.After(state); }

private:
    velk::math::random::generator::SRandomPM& g;
    uint32_t state;
};

template <> class DrawRun<velk::math::random::generator::SRandomMersenne> {
    using Mersenne = velk::math::random::generator::SRandomMersenne;

public:
    explicit DrawRun(Mersenne& g)
        : g(g), words(g.Words()), end(words + Mersenne::kWords),
          start(static_cast<unsigned>(g.Index()) < static_cast<unsigned>(Mersenne::kWords)
                    ? words + g.Index()
                    : words + Mersenne::kWords),
          at(start) {}
    ~DrawRun() {
        if (at == start && !regenerated) return; // no draw: the index stays, even outside
        g.SetIndex(static_cast<int>(at - words));
        g.value = at[-1];
    }
    uint32_t Next() {
        if (__builtin_expect(at == end, 0)) {
            at = g.Regenerated();
            regenerated = true;
        }
        return *at++;
    }

private:
    Mersenne& g;
    const uint32_t* const words;
    const uint32_t* const end;
    const uint32_t* const start;
    const uint32_t* at; // the next word drawn
    bool regenerated = false;
};

template <class Generator> uint32_t NextOf(DrawRun<Generator>& run) {
    return run.Next();
}

class RangeSampler {
public:
    void Set(int min, int max, int limit);
    template <class Generator> unsigned Draw(Generator& g) const {
        if (kind == NORMAL) return low + first.Mod(NextOf(g));
        if (kind == EQUAL) return high;
        if (NextOf(g) & 1u) return first.Mod(NextOf(g));
        return low + second.Mod(NextOf(g));
    }

    // An ordinary range, min below max: low + a draw mod the span.
    bool Spans() const { return kind == NORMAL; }
    unsigned Low() const { return low; }
    const FastMod& Span() const { return first; }

private:
    enum Kind { EQUAL, NORMAL, INVERTED };
    Kind kind = EQUAL;
    unsigned low = 0;
    unsigned high = 0;
    FastMod first;  // the range, or 0..max of an inverted one
    FastMod second; // min..limit of an inverted one
};

// One data byte of what a trigger becomes, as the block's settings make it:
// always inside its field, as a range's bounds are brought into it when set.
class DataField {
public:
    DataField() = default;
    DataField(bool randomized, const RangeSampler& range)
        : mode(!randomized ? kKept : range.Spans() ? kSpan : kOther), low(range.Low()),
          span(range.Span()), sampler(&range) {}
    bool Spans() const { return mode == kSpan; }
    // What Make leaves for the caller to add: an ordinary range's low end, which
    // the three fields of an event then share in one addition.
    uint32_t Floor() const { return mode == kSpan ? low : 0; }
    // A field's mode may be known where the loop is made: Spanned then draws without asking.
    template <bool Spanned, class Draws> uint32_t Make(Draws& g, uint32_t kept) const {
        if (Spanned) return span.Mod(NextOf(g));
        if (mode == kKept) return kept;
        return sampler->Draw(g);
    }

private:
    enum Mode : uint8_t { kKept, kSpan, kOther };
    Mode mode = kKept;
    uint32_t low = 0;
    FastMod span;
    const RangeSampler* sampler = nullptr;
};

} // namespace engine
} // namespace velk
