#include "host/formats/uint128.h"

namespace moravox::host {

UInt128 UInt128::MultiplyByHalves(uint64_t a, uint64_t b) {
    const uint64_t mask = 0xFFFFFFFFu;
    const uint64_t aLow = a & mask, aHigh = a >> 32;
    const uint64_t bLow = b & mask, bHigh = b >> 32;
    const uint64_t lowLow = aLow * bLow;
    const uint64_t lowHigh = aLow * bHigh;
    const uint64_t highLow = aHigh * bLow;
    const uint64_t highHigh = aHigh * bHigh;
    // The middle column collects three 32-bit quantities: it cannot overflow 64 bits.
    const uint64_t middle = (lowLow >> 32) + (lowHigh & mask) + (highLow & mask);
    UInt128 product;
    product.low = (middle << 32) | (lowLow & mask);
    product.high = highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32);
    return product;
}

UInt128 UInt128::DividedBy(uint64_t divisor, uint64_t* remainder) const {
    UInt128 quotient;
#if defined(__SIZEOF_INT128__)
    const unsigned __int128 dividend = (static_cast<unsigned __int128>(high) << 64) | low;
    const unsigned __int128 result = dividend / divisor;
    quotient.high = static_cast<uint64_t>(result >> 64);
    quotient.low = static_cast<uint64_t>(result);
    if (remainder != nullptr) *remainder = static_cast<uint64_t>(dividend % divisor);
    return quotient;
#else
    if (high != 0) return DividedByBits(divisor, remainder);
    quotient.low = low / divisor;
    if (remainder != nullptr) *remainder = low % divisor;
    return quotient;
#endif
}

UInt128 UInt128::DividedByBits(uint64_t divisor, uint64_t* remainder) const {
    // Long division one bit at a time: the remainder stays below the divisor, so shifting it
    // left by one needs 65 bits, which the carry out of the top bit supplies.
    UInt128 quotient;
    uint64_t rest = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const uint64_t word = bit >= 64 ? high : low;
        const uint64_t next = (word >> (bit & 63)) & 1u;
        const bool carry = (rest >> 63) != 0;
        rest = (rest << 1) | next;
        if (carry || rest >= divisor) {
            rest -= divisor;
            if (bit >= 64) {
                quotient.high |= uint64_t{1} << (bit - 64);
            } else {
                quotient.low |= uint64_t{1} << bit;
            }
        }
    }
    if (remainder != nullptr) *remainder = rest;
    return quotient;
}

} // namespace moravox::host
