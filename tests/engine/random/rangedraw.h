// The plain rule the engine's sampler must match; only the tests use it.
// Turns the active generator's raw integers into a value inside a user range
// of a MIDI field (channel 0..15, number or value 0..127).
#pragma once

namespace velk::math::random::generator {

class SRandom;

// A value in min..max, both included, for a field whose largest value is
// limit. max = min gives max without drawing. max < min is an inverted range,
// wrapping around the field: one draw picks a half with equal odds, a second
// draw a value in 0..max or in min..limit.
//
// min and max come from stored programs, which a damaged chunk can fill with
// anything, so both are first clamped into 0..limit: no modulus can be zero
// and no result can leave the field.
unsigned RangeDraw(SRandom& generator, int min, int max, int limit);

} // namespace velk::math::random::generator
