#include "engine/random/rangedraw.h"

#include "engine/random/random.h"

namespace velk::math::random::generator {

namespace {

int Clamp(int v, int low, int high) {
    return v < low ? low : (v > high ? high : v);
}

} // namespace

unsigned RangeDraw(SRandom& generator, int min, int max, int limit) {
    if (limit < 0) limit = 0;
    min = Clamp(min, 0, limit);
    max = Clamp(max, 0, limit);
    if (max == min) return static_cast<unsigned>(max);
    if (max > min) {
        return static_cast<unsigned>(min) +
               generator.Integer() % static_cast<unsigned>(max - min + 1);
    }
    // Each half of an inverted range is equally likely, however wide it is.
    if (generator.Integer() & 1u) return generator.Integer() % static_cast<unsigned>(max + 1);
    return static_cast<unsigned>(min) +
           generator.Integer() % static_cast<unsigned>(limit + 1 - min);
}

} // namespace velk::math::random::generator
