// Parameter arithmetic that gives the same answers on every build.
#pragma once

namespace velk {
namespace engine {

// The value rounded to single precision. The i386 build computes floats in the
// x87 unit's wider registers; without this, 0.35f * 10 would stay 3.4999999
// there and round down where x86_64 gets 3.5 and rounds up.
inline float Single(float value) {
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0
    volatile float single = value;
    return single;
#else
    return value;
#endif
}

// Nearest integer of a non-negative value, halves upward, after rounding the
// value to single precision.
inline int Round(float value) {
    return static_cast<int>(static_cast<double>(Single(value)) + 0.5);
}

} // namespace engine
} // namespace velk
