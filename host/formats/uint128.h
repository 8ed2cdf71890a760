// Unsigned 128-bit integers for exact tick and sample arithmetic. The i386 compiler has no
// 128-bit type, so the arithmetic is also done by hand; where the compiler has one (x86_64) the
// division, the render's costliest step, uses it. Both give the same answers (a test holds them
// to it).
#pragma once

#include <cstdint>

namespace moravox::host {

struct UInt128 {
    uint64_t high = 0;
    uint64_t low = 0;

    constexpr UInt128() = default;
    constexpr UInt128(uint64_t value) : low(value) {} // NOLINT: widening is always exact

    // The full product of two 64-bit numbers.
    static UInt128 Multiply(uint64_t a, uint64_t b);
    // The product, which the caller knows to fit 128 bits.
    UInt128 Times(uint64_t factor) const;
    UInt128 operator+(const UInt128& other) const;
    // The difference, for a minuend not below the subtrahend.
    UInt128 operator-(const UInt128& other) const;
    // Quotient and remainder by a non-zero divisor.
    UInt128 DividedBy(uint64_t divisor, uint64_t* remainder = nullptr) const;
    // The same by long division, bit by bit: what builds without a 128-bit type use for a
    // dividend above 64 bits.
    UInt128 DividedByBits(uint64_t divisor, uint64_t* remainder = nullptr) const;

    bool FitsIn64() const { return high == 0; }

    friend bool operator==(const UInt128& a, const UInt128& b) {
        return a.high == b.high && a.low == b.low;
    }
    friend bool operator!=(const UInt128& a, const UInt128& b) { return !(a == b); }
    friend bool operator<(const UInt128& a, const UInt128& b) {
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    }
    friend bool operator<=(const UInt128& a, const UInt128& b) { return !(b < a); }
};

} // namespace moravox::host
