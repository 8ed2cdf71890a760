#include "host/formats/tempo_map.h"

#include <algorithm>

namespace moravox::host {
namespace {

constexpr uint64_t kMicrosecondsPerSecond = 1000000;

} // namespace

TempoMap::TempoMap(uint32_t division, uint32_t sampleRate, std::vector<TempoChange> changes)
    : division_(division == 0 ? 1 : division), rate_(sampleRate == 0 ? 1 : sampleRate) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    segments_.push_back({0, kDefaultTempo, UInt128(), UInt128()});
    for (const TempoChange& change : changes) {
        const uint64_t tempo =
            change.microsecondsPerQuarter == 0 ? 1 : change.microsecondsPerQuarter;
        Segment& last = segments_.back();
        if (change.tick == last.tick) {
            last.tempo = tempo;
            continue;
        }
        const UInt128 units = last.units + UInt128::Multiply(change.tick - last.tick, last.tempo);
        segments_.push_back({change.tick, tempo, units, units.Times(rate_)});
    }
}

const TempoMap::Segment& TempoMap::SegmentAtTick(uint64_t tick) const {
    const auto after = std::upper_bound(
        segments_.begin(), segments_.end(), tick,
        [](uint64_t value, const Segment& segment) { return value < segment.tick; });
    return *(after - 1); // the first segment starts at tick 0
}

UInt128 TempoMap::UnitsAt(uint64_t tick) const {
    const Segment& segment = SegmentAtTick(tick);
    return segment.units + UInt128::Multiply(tick - segment.tick, segment.tempo);
}

uint64_t TempoMap::SampleAt(uint64_t tick) const {
    return UnitsAt(tick).Times(rate_).DividedBy(division_ * kMicrosecondsPerSecond).low;
}

uint64_t TempoMap::TickAt(uint64_t sample) const {
    // The sample starts where units * rate == sample * division * 10^6.
    const UInt128 target = UInt128::Multiply(sample, division_ * kMicrosecondsPerSecond);
    const auto after = std::upper_bound(segments_.begin(), segments_.end(), target,
                                        [](const UInt128& value, const Segment& segment) {
                                            return value < segment.scaled;
                                        });
    const Segment& segment = *(after - 1); // segment 0 starts at units 0 <= target
    // Ticks into the segment: rest / step, rounded to nearest as (2 rest + step) div (2 step).
    const uint64_t step = segment.tempo * rate_;
    const UInt128 rest = target - segment.scaled;
    return segment.tick + (rest.Times(2) + UInt128(step)).DividedBy(2 * step).low;
}

uint64_t TempoMap::MicrosecondsAt(uint64_t tick) const {
    return ExactMicrosecondsAt(tick).low;
}

UInt128 TempoMap::ExactMicrosecondsAt(uint64_t tick) const {
    return UnitsAt(tick).DividedBy(division_);
}

} // namespace moravox::host
