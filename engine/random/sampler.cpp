#include "engine/random/sampler.h"

namespace velk {
namespace engine {

void FastMod::Set(uint32_t d) {
    if (d == 0) d = 1;
    if (d == divisor && magic != 0) return; // the division is the expensive part
    divisor = d;
    magic = UINT64_MAX / divisor + 1;
}

void RangeSampler::Set(int min, int max, int limit) {
    // Bounds outside the field are brought into it, as RangeDraw does.
    if (limit < 0) limit = 0;
    min = min < 0 ? 0 : (min > limit ? limit : min);
    max = max < 0 ? 0 : (max > limit ? limit : max);
    low = static_cast<unsigned>(min);
    high = static_cast<unsigned>(max);
    if (max == min) {
        kind = EQUAL;
    } else if (max > min) {
        kind = NORMAL;
        first.Set(static_cast<uint32_t>(max - min + 1));
    } else {
        kind = INVERTED;
        first.Set(static_cast<uint32_t>(max + 1));
        second.Set(static_cast<uint32_t>(limit + 1 - min));
    }
}

} // namespace engine
} // namespace velk
