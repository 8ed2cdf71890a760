// Unsigned 128-bit integers for exact tick and sample arithmetic. The i386 compiler has no
// 128-bit type, so the arithmetic is also done by hand; where the compiler has one (x86_64) the
// multiplication and the division, the render's costliest steps, use it. Both give the same answers (a test holds them
// to it).
#pragma once

#include <cstdint>

namespace moravox::host {

struct UInt128 {
    uint64_t high = 0;
    uint64_t low = 0;

    constexpr UInt128() = default;
    constexpr UInt128(uint64_t value) : low(value) {} // NOLINT: widening is always exact

    // The full product of two 64-bit numbers: one instruction where the compiler has the
    // 128-bit type, else by 32-bit halves.
    static UInt128 Multiply(uint64_t a, uint64_t b) {
#if defined(__SIZEOF_INT128__)
        const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
        UInt128 result;
        result.high = static_cast<uint64_t>(product >> 64);
        result.low = static_cast<uint64_t>(product);
        return result;
#else
        return MultiplyByHalves(a, b);
#endif
    }
    static UInt128 MultiplyByHalves(uint64_t a, uint64_t b);
    // The product, which the caller knows to fit 128 bits.
    UInt128 Times(uint64_t factor) const {
        UInt128 product = Multiply(low, factor);
        product.high += high * factor;
        return product;
    }
    UInt128 operator+(const UInt128& other) const {
        UInt128 sum;
        sum.low = low + other.low;
        sum.high = high + other.high + (sum.low < low ? 1 : 0);
        return sum;
    }
    // The difference, for a minuend not below the subtrahend.
    UInt128 operator-(const UInt128& other) const {
        UInt128 difference;
        difference.low = low - other.low;
        difference.high = high - other.high - (low < other.low ? 1 : 0);
        return difference;
    }
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
