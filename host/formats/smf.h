// A Standard MIDI File in memory: tracks of events at absolute ticks.
#pragma once

#include "host/formats/tempo_map.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace moravox::host {

constexpr uint8_t kMetaStatus = 0xFF;
constexpr uint8_t kSysExStatus = 0xF0;
constexpr uint8_t kSysExEscapeStatus = 0xF7;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
// The largest number a variable-length quantity holds (four bytes of seven bits).
constexpr uint32_t kMaxVariableLength = 0x0FFFFFFF;

struct SmfEvent {
    uint64_t tick = 0;
    // 0x80..0xEF a channel message, 0xF0 or 0xF7 SysEx, 0xFF a meta event.
    uint8_t status = 0;
    uint8_t data1 = 0;            // channel messages; the type of a meta event
    uint8_t data2 = 0;            // channel messages with two data bytes
    std::vector<uint8_t> payload; // the bytes after the length of a SysEx or meta event

    bool IsChannelMessage() const { return status >= 0x80 && status < 0xF0; }
    bool IsMeta(uint8_t type) const { return status == kMetaStatus && data1 == type; }

    friend bool operator==(const SmfEvent& a, const SmfEvent& b) {
        return a.tick == b.tick && a.status == b.status && a.data1 == b.data1 &&
               a.data2 == b.data2 && a.payload == b.payload;
    }
};

// 1 or 2: how many data bytes follow a channel status (program change and channel pressure
// have one).
int ChannelDataBytes(uint8_t status);

struct SmfTrack {
    // In file order, ticks never decreasing. The end-of-track event is not among them.
    std::vector<SmfEvent> events;
    uint64_t endTick = 0; // where the end-of-track event stands

    friend bool operator==(const SmfTrack& a, const SmfTrack& b) {
        return a.events == b.events && a.endTick == b.endTick;
    }
};

struct SmfFile {
    uint16_t format = 0;
    uint16_t division = 96; // ticks per quarter note
    std::vector<SmfTrack> tracks;

    friend bool operator==(const SmfFile& a, const SmfFile& b) {
        return a.format == b.format && a.division == b.division && a.tracks == b.tracks;
    }
};

// Builders for channel and meta events.
SmfEvent ChannelEvent(uint64_t tick, uint8_t status, uint8_t data1, uint8_t data2 = 0);
SmfEvent TempoEvent(uint64_t tick, uint32_t microsecondsPerQuarter);
SmfEvent MetaEvent(uint64_t tick, uint8_t type, std::vector<uint8_t> payload);

// Every event of every track in one list ordered by tick; events at one tick keep the order of
// their tracks and, inside a track, their file order.
std::vector<SmfEvent> MergeTracks(const SmfFile& file);
// The same order for the events `wanted` says yes to (all without it), as pointers into the
// file, without copying them.
std::vector<const SmfEvent*> MergedOrder(
    const SmfFile& file, const std::function<bool(const SmfEvent&)>& wanted = nullptr);
// The latest end of any track.
uint64_t EndTick(const SmfFile& file);
// The tempo events of every track (files put them in the first track, but not all do).
std::vector<TempoChange> TempoChanges(const SmfFile& file);
TempoMap MakeTempoMap(const SmfFile& file, uint32_t sampleRate);

} // namespace moravox::host
