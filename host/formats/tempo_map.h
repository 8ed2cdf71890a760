// Where each tick of a MIDI file falls in samples and back, across tempo changes. Positions are
// kept as exact integers (ticks times microseconds per quarter note), so nothing drifts however
// long the file or however many tempo changes it has.
#pragma once

#include "host/formats/uint128.h"

#include <cstdint>
#include <vector>

namespace moravox::host {

struct TempoChange {
    uint64_t tick = 0;
    uint32_t microsecondsPerQuarter = 0;
};

class TempoMap {
public:
    // 120 beats per minute, until the first tempo change.
    static constexpr uint32_t kDefaultTempo = 500000;

    // `division` ticks per quarter note; changes in any order, the last of several at one tick
    // wins. A division, rate or tempo of 0 is taken as 1.
    TempoMap(uint32_t division, uint32_t sampleRate, std::vector<TempoChange> changes);

    // The sample the tick falls in (its start time, rounded down to whole samples).
    uint64_t SampleAt(uint64_t tick) const;
    // The tick nearest to the start of the sample (of two equally near, the later), so a time
    // is off by half a tick at most. TickAt(SampleAt(t)) == t whenever ticks last two samples
    // or more.
    uint64_t TickAt(uint64_t sample) const;
    // The tick's time in whole microseconds, rounded down.
    uint64_t MicrosecondsAt(uint64_t tick) const;
    // The same, never cut to 64 bits: a file's ticks and tempos may add up to more.
    UInt128 ExactMicrosecondsAt(uint64_t tick) const;

    uint32_t Division() const { return static_cast<uint32_t>(division_); }
    uint32_t SampleRate() const { return static_cast<uint32_t>(rate_); }

private:
    struct Segment {
        uint64_t tick = 0;
        uint64_t tempo = 0;
        UInt128 units;  // ticks times microseconds per quarter before `tick`
        UInt128 scaled; // units times the sample rate, where TickAt searches
    };

    const Segment& SegmentAtTick(uint64_t tick) const;
    UInt128 UnitsAt(uint64_t tick) const;

    uint64_t division_;
    uint64_t rate_;
    std::vector<Segment> segments_;
};

} // namespace moravox::host
