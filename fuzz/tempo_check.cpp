#include "tempo_check.h"

#include <algorithm>
#include <vector>

#include "violation.h"

using moravox::host::SmfFile;
using moravox::host::TempoChange;
using moravox::host::TempoMap;

namespace {

using U128 = unsigned __int128;
constexpr uint64_t kMicroseconds = 1000000;
// Ticks probed per rate, spread over the file, so long files stay quick.
constexpr size_t kMaxProbes = 256;

// The same positions, kept in the compiler's own 128-bit integers.
class Reference {
public:
    Reference(uint64_t division, uint64_t rate, std::vector<TempoChange> changes)
        : division(division ? division : 1), rate(rate ? rate : 1) {
        std::stable_sort(
            changes.begin(), changes.end(),
            [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        segments.push_back({0, TempoMap::kDefaultTempo, 0});
        for (const TempoChange& change : changes) {
            const uint64_t tempo =
                change.microsecondsPerQuarter ? change.microsecondsPerQuarter : 1;
            Segment& last = segments.back();
            if (change.tick == last.tick) {
                last.tempo = tempo;
                continue;
            }
            segments.push_back(
                {change.tick, tempo, last.units + U128(change.tick - last.tick) * last.tempo});
        }
    }

    uint64_t Sample(uint64_t tick) const {
        return static_cast<uint64_t>(Units(tick) * rate / (division * kMicroseconds));
    }
    uint64_t Microseconds(uint64_t tick) const {
        return static_cast<uint64_t>(Units(tick) / division);
    }
    uint64_t Tick(uint64_t sample) const {
        const U128 target = U128(sample) * division * kMicroseconds;
        const Segment* at = &segments[0];
        for (const Segment& s : segments)
            if (s.units * rate <= target) at = &s;
        const U128 step = U128(at->tempo) * rate;
        return at->tick +
               static_cast<uint64_t>((2 * (target - at->units * rate) + step) / (2 * step));
    }
    bool TicksLastTwoSamples() const {
        for (const Segment& s : segments)
            if (U128(s.tempo) * rate < U128(2) * division * kMicroseconds) return false;
        return true;
    }

private:
    struct Segment {
        uint64_t tick;
        uint64_t tempo;
        U128 units; // ticks times microseconds per quarter before `tick`
    };
    U128 Units(uint64_t tick) const {
        const Segment* at = &segments[0];
        for (const Segment& s : segments)
            if (s.tick <= tick) at = &s;
        return at->units + U128(tick - at->tick) * at->tempo;
    }

    uint64_t division, rate;
    std::vector<Segment> segments;
};

std::vector<uint64_t> Probes(const SmfFile& file) {
    std::vector<uint64_t> ticks{0};
    for (const moravox::host::SmfEvent& event : moravox::host::MergeTracks(file))
        ticks.push_back(event.tick);
    const uint64_t end = moravox::host::EndTick(file);
    ticks.insert(ticks.end(), {end, end + 1});
    std::sort(ticks.begin(), ticks.end());
    ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
    if (ticks.size() <= kMaxProbes) return ticks;
    std::vector<uint64_t> spread;
    for (size_t i = 0; i < kMaxProbes; i++) spread.push_back(ticks[i * ticks.size() / kMaxProbes]);
    spread.push_back(ticks.back());
    return spread;
}

} // namespace

void CheckTempoMap(const SmfFile& file) {
    // 0 is taken as 1; 768000 is the highest rate the render command takes.
    static const uint32_t rates[] = {48000, 0, 768000};
    const std::vector<TempoChange> changes = moravox::host::TempoChanges(file);
    const std::vector<uint64_t> ticks = Probes(file);
    for (uint32_t rate : rates) {
        const TempoMap map = moravox::host::MakeTempoMap(file, rate);
        const Reference reference(file.division, rate, changes);
        const bool roundTrips = reference.TicksLastTwoSamples();
        uint64_t lastSample = 0, lastMicroseconds = 0, lastTick = 0;
        for (uint64_t tick : ticks) {
            const uint64_t sample = map.SampleAt(tick);
            const uint64_t microseconds = map.MicrosecondsAt(tick);
            const uint64_t back = map.TickAt(sample);
            if (sample != reference.Sample(tick)) Violation("SampleAt differs from the reference");
            if (microseconds != reference.Microseconds(tick))
                Violation("MicrosecondsAt differs from the reference");
            if (back != reference.Tick(sample)) Violation("TickAt differs from the reference");
            if (sample < lastSample || microseconds < lastMicroseconds || back < lastTick)
                Violation("the tempo map runs backwards");
            if (roundTrips && back != tick) Violation("a tick's start sample maps to another tick");
            lastSample = sample;
            lastMicroseconds = microseconds;
            lastTick = back;
        }
    }
}
