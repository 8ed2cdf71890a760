#include "host/formats/smf.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace moravox::host {

int ChannelDataBytes(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

SmfEvent ChannelEvent(uint64_t tick, uint8_t status, uint8_t data1, uint8_t data2) {
    SmfEvent event;
    event.tick = tick;
    event.status = status;
    event.data1 = data1;
    event.data2 = ChannelDataBytes(status) == 2 ? data2 : 0;
    return event;
}

SmfEvent TempoEvent(uint64_t tick, uint32_t microsecondsPerQuarter) {
    return MetaEvent(tick, kMetaTempo,
                     {static_cast<uint8_t>(microsecondsPerQuarter >> 16),
                      static_cast<uint8_t>(microsecondsPerQuarter >> 8),
                      static_cast<uint8_t>(microsecondsPerQuarter)});
}

SmfEvent MetaEvent(uint64_t tick, uint8_t type, std::vector<uint8_t> payload) {
    SmfEvent event;
    event.tick = tick;
    event.status = kMetaStatus;
    event.data1 = type;
    event.payload = std::move(payload);
    return event;
}

std::vector<const SmfEvent*> MergedOrder(const SmfFile& file,
                                         const std::function<bool(const SmfEvent&)>& wanted) {
    auto earlier = [](const SmfEvent* a, const SmfEvent* b) { return a->tick < b->tick; };
    // One run per track, in track order; a track read from a file is in time order.
    std::vector<std::vector<const SmfEvent*>> runs;
    bool inOrder = true;
    for (const SmfTrack& track : file.tracks) {
        std::vector<const SmfEvent*> run;
        for (const SmfEvent& event : track.events)
            if (!wanted || wanted(event)) run.push_back(&event);
        inOrder = inOrder && std::is_sorted(run.begin(), run.end(), earlier);
        if (!run.empty()) runs.push_back(std::move(run));
    }
    if (!inOrder) { // a track made by hand may be in any order
        std::vector<const SmfEvent*> all;
        for (const auto& run : runs) all.insert(all.end(), run.begin(), run.end());
        std::stable_sort(all.begin(), all.end(), earlier);
        return all;
    }
    // Neighbouring runs merged pairwise until one is left: at one tick, std::merge takes
    // the first run's events first, so earlier tracks stay first.
    while (runs.size() > 1) {
        std::vector<std::vector<const SmfEvent*>> merged;
        for (size_t i = 0; i + 1 < runs.size(); i += 2) {
            std::vector<const SmfEvent*> both(runs[i].size() + runs[i + 1].size());
            std::merge(runs[i].begin(), runs[i].end(), runs[i + 1].begin(), runs[i + 1].end(),
                       both.begin(), earlier);
            merged.push_back(std::move(both));
        }
        if (runs.size() % 2) merged.push_back(std::move(runs.back()));
        runs = std::move(merged);
    }
    return runs.empty() ? std::vector<const SmfEvent*>{} : std::move(runs.front());
}

std::vector<SmfEvent> MergeTracks(const SmfFile& file) {
    std::vector<SmfEvent> merged;
    for (const SmfEvent* event : MergedOrder(file)) merged.push_back(*event);
    return merged;
}

uint64_t EndTick(const SmfFile& file) {
    uint64_t end = 0;
    for (const SmfTrack& track : file.tracks) end = std::max(end, track.endTick);
    return end;
}

std::vector<TempoChange> TempoChanges(const SmfFile& file) {
    std::vector<TempoChange> changes;
    const auto tempo = [](const SmfEvent& event) {
        return event.IsMeta(kMetaTempo) && event.payload.size() == 3;
    };
    for (const SmfEvent* event : MergedOrder(file, tempo)) {
        const std::vector<uint8_t>& p = event->payload;
        changes.push_back({event->tick, static_cast<uint32_t>(p[0]) << 16 |
                                            static_cast<uint32_t>(p[1]) << 8 | p[2]});
    }
    return changes;
}

TempoMap MakeTempoMap(const SmfFile& file, uint32_t sampleRate) {
    return TempoMap(file.division, sampleRate, TempoChanges(file));
}

} // namespace moravox::host
