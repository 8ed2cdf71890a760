#include "host/formats/smf.h"

#include <algorithm>
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

std::vector<SmfEvent> MergeTracks(const SmfFile& file) {
    std::vector<SmfEvent> merged;
    for (const SmfTrack& track : file.tracks) {
        merged.insert(merged.end(), track.events.begin(), track.events.end());
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    return merged;
}

uint64_t EndTick(const SmfFile& file) {
    uint64_t end = 0;
    for (const SmfTrack& track : file.tracks) end = std::max(end, track.endTick);
    return end;
}

std::vector<TempoChange> TempoChanges(const SmfFile& file) {
    std::vector<TempoChange> changes;
    for (const SmfEvent& event : MergeTracks(file)) {
        if (!event.IsMeta(kMetaTempo) || event.payload.size() != 3) continue;
        const uint32_t tempo = static_cast<uint32_t>(event.payload[0]) << 16 |
                               static_cast<uint32_t>(event.payload[1]) << 8 | event.payload[2];
        changes.push_back({event.tick, tempo});
    }
    return changes;
}

TempoMap MakeTempoMap(const SmfFile& file, uint32_t sampleRate) {
    return TempoMap(file.division, sampleRate, TempoChanges(file));
}

} // namespace moravox::host
