// The pseudo-random generators: the C library's, Park-Miller, the Mersenne
// Twister (the randomizer's three choices) and Marsaglia's subtract-with-borrow
// (for the GUI's own use).
//
// Integer() runs on the host's audio thread: no generator here allocates,
// locks or calls the system there, except SRandomSTD, whose rand() is the C
// library's own (process-wide, with glibc's internal lock) and is only used
// when the user picks it.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace velk::math::random::generator {

// The fixed seed every generator starts from before it is seeded for real.
constexpr std::uint32_t kDefaultSeed = 0x12b9b0a1;

class SRandom {
public:
    virtual ~SRandom() = default;
    virtual std::uint32_t Integer() = 0;
    virtual float Float() = 0;
    // Stores s as both the state word and the last seed.
    virtual void Seed(unsigned int s);

    std::uint32_t value = 0; // the last result (Park-Miller's whole state)
    std::uint32_t seed = 0;  // the last seed
};

// The C library's rand(); its state is process-wide, shared by every instance.
class SRandomSTD : public SRandom {
public:
    SRandomSTD();
    std::uint32_t Integer() override;
    // The same draw without the virtual call.
    std::uint32_t Next() {
        value = static_cast<std::uint32_t>(std::rand());
        return value;
    }
    // Roughly 0..1, since rand() yields 0..RAND_MAX.
    float Float() override;
    // Remembers s and calls srand(s).
    void Seed(unsigned int s) override;
};

// Park-Miller minimal standard: the state becomes A * state mod M. A state of 0
// (or of a multiple of the modulus) stays 0 for ever.
class SRandomPM : public SRandom {
public:
    static constexpr std::int32_t A = 16807;
    static constexpr std::int32_t M = 2147483647;
    static constexpr std::int32_t Q = 127773; // M div A
    static constexpr std::int32_t R = 2836;   // M mod A

    SRandomPM();
    std::uint32_t Integer() override { return Next(); }
    // The same draw without the virtual call. Schrage's method (with Q and R)
    // gives the same result for every 32-bit state; one widening product and the
    // fold 2^31 = 1 (mod M) get there in fewer dependent steps.
    std::uint32_t Next() {
        value = After(value);
        return value;
    }
    // The state that follows `state`.
    static std::uint32_t After(std::uint32_t state) {
        const std::uint64_t product = static_cast<std::uint64_t>(A) * state;
        const std::uint32_t t =
            static_cast<std::uint32_t>(product & static_cast<std::uint32_t>(M)) +
            static_cast<std::uint32_t>(product >> 31);
        // t reaches M once in about 2^31 / 33614 states: the subtraction stays out of the way.
        return __builtin_expect(t >= static_cast<std::uint32_t>(M), 0)
                   ? t - static_cast<std::uint32_t>(M)
                   : t;
    }
    float Float() override;
};

// MT19937.
class SRandomMersenne : public SRandom {
public:
    static constexpr int kWords = 624;
    // Where the plug-in starts reading: the first 312 results after seeding
    // come from the seeded words themselves, before any regeneration.
    static constexpr int kStartIndex = 312;

    // Seeded with kDefaultSeed, index at kStartIndex.
    SRandomMersenne();
    std::uint32_t Integer() override { return Next(); }
    // The same draw without the virtual call, for the audio thread's inner loop.
    std::uint32_t Next() {
        int i = index;
        value = WordAt(i);
        index = i;
        return value;
    }
    // The draw at index i, which it advances; for runs of draws that keep the
    // index in a register. Leaves the index and value members alone.
    std::uint32_t WordAt(int& i) {
        if (static_cast<unsigned>(i) >= static_cast<unsigned>(kWords)) {
            Regenerate();
            i = 0;
        }
        return tempered[i++];
    }
    // Signed: roughly -0.5..0.5.
    float Float() override;
    // Fills the state from s; leaves the index where it is.
    void Seed(unsigned int s) override;

    // For runs of draws that walk the tempered words themselves: the words, and
    // the words after a regeneration (which the index does not follow).
    const std::uint32_t* Words() const { return tempered; }
    const std::uint32_t* Regenerated() {
        Regenerate();
        return tempered;
    }

    int Index() const { return index; }
    // Any index outside 0..623 makes the next draw regenerate first.
    void SetIndex(int newIndex) { index = newIndex; }

private:
    void Regenerate();
    void Temper();

    std::uint32_t state[kWords];
    // Every state word already tempered, kept in step with the state: a draw is one read.
    std::uint32_t tempered[kWords];
    int index = kStartIndex;
};

// Marsaglia's subtract-with-borrow over three lag words.
class SRandomMarsaglia : public SRandom {
public:
    // Seeded with kDefaultSeed.
    SRandomMarsaglia();
    std::uint32_t Integer() override;
    // Signed: roughly -0.5..0.5.
    float Float() override;
    void Seed(unsigned int s) override;

private:
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t z = 0;
    std::uint32_t w = 0;
    std::uint32_t c = 0;
};

} // namespace velk::math::random::generator
