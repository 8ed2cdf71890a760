#include "host/formats/smf_writer.h"

namespace moravox::host {
namespace {

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

bool PutNumber(std::vector<uint8_t>& out, uint64_t value, const char* what, std::string& error) {
    if (value > kMaxVariableLength) {
        error =
            std::string(what) + " of " + std::to_string(value) + " is too large for a MIDI file";
        return false;
    }
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
    return true;
}

bool PutTrack(std::vector<uint8_t>& out, const SmfTrack& track, std::string& error) {
    std::vector<uint8_t> body;
    uint64_t tick = 0;
    uint8_t running = 0;
    for (const SmfEvent& event : track.events) {
        if (event.tick < tick) {
            error = "events out of time order at tick " + std::to_string(event.tick);
            return false;
        }
        if (!PutNumber(body, event.tick - tick, "a gap in ticks", error)) return false;
        tick = event.tick;
        if (event.IsChannelMessage()) {
            if (event.status != running) body.push_back(event.status);
            running = event.status;
            body.push_back(event.data1 & 0x7F);
            if (ChannelDataBytes(event.status) == 2) body.push_back(event.data2 & 0x7F);
            continue;
        }
        if (event.status != kMetaStatus && event.status != kSysExStatus &&
            event.status != kSysExEscapeStatus) {
            error = "status byte " + std::to_string(event.status) + " cannot be written";
            return false;
        }
        // Readers that follow the format strictly forget the running status here.
        running = 0;
        body.push_back(event.status);
        if (event.status == kMetaStatus) body.push_back(event.data1);
        if (!PutNumber(body, event.payload.size(), "an event length", error)) return false;
        body.insert(body.end(), event.payload.begin(), event.payload.end());
    }
    const uint64_t end = track.endTick > tick ? track.endTick : tick;
    if (!PutNumber(body, end - tick, "a gap in ticks", error)) return false;
    body.insert(body.end(), {kMetaStatus, kMetaEndOfTrack, 0});
    if (body.size() > UINT32_MAX) {
        error = "a track of " + std::to_string(body.size()) + " bytes is too large";
        return false;
    }
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return true;
}

} // namespace

bool WriteSmf(const SmfFile& file, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (file.tracks.size() > UINT16_MAX) {
        error = "more than 65535 tracks";
        return false;
    }
    bytes.insert(bytes.end(), {'M', 'T', 'h', 'd'});
    Put32(bytes, 6);
    Put16(bytes, file.format);
    Put16(bytes, static_cast<uint16_t>(file.tracks.size()));
    Put16(bytes, file.division);
    for (const SmfTrack& track : file.tracks) {
        if (!PutTrack(bytes, track, error)) return false;
    }
    return true;
}

} // namespace moravox::host
