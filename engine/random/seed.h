// Seeding the plug-in's three generators: from the processor clock when an
// instance is built, or reproducibly from one number.
#pragma once

#include <cstdint>

namespace velk::math::random::generator {

class SRandomMersenne;
class SRandomPM;
class SRandomSTD;

// The low 32 bits of the processor's time-stamp counter: different for every
// reading, so every instance gets its own sequences.
std::uint32_t ClockSeed();

// A Park-Miller state from any 32-bit number: multiples of the modulus
// (0 among them) would leave the generator at 0 for ever, so they give the
// fixed default seed instead; every other number is kept.
std::uint32_t ParkMillerSeed(std::uint32_t s);

// The start-up sequence of a new instance: the fixed seeds first (the C
// library's generator srand(314159265), the Mersenne state from the default
// seed with the index at its start, Park-Miller at the default seed), then each
// generator re-seeded from its own clock reading.
void SeedAtConstruction(SRandomSTD& crt, SRandomMersenne& mersenne, SRandomPM& pm);

// Re-seeds all three from one number, the same way every time: each gets its
// own seed derived from s, the Mersenne index returns to its start and every
// value word is set, so an instance re-seeded with s repeats its sequences. The
// C library's generator is process-wide: its sequence repeats only as long as
// nothing else calls rand() in between.
void SeedAll(SRandomSTD& crt, SRandomMersenne& mersenne, SRandomPM& pm, std::uint32_t s);

} // namespace velk::math::random::generator
