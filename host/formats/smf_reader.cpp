#include "host/formats/smf_reader.h"

#include <cstdio>
#include <string>

namespace moravox::host {
namespace {

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string ChunkType(const std::vector<uint8_t>& bytes, size_t at) {
    std::string type;
    for (size_t i = at; i < at + 4; ++i) {
        const uint8_t c = bytes[i];
        type += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return type;
}

uint32_t Big32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

uint16_t Big16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// One track chunk, parsed byte by byte. Every failure records where it happened.
class TrackParser {
public:
    TrackParser(const std::vector<uint8_t>& bytes, size_t begin, size_t end, int number,
                FormatError& error)
        : bytes_(bytes), pos_(begin), end_(end), number_(number), error_(error) {}

    bool Parse(SmfTrack& track) {
        uint8_t running = 0;
        uint64_t tick = 0;
        while (pos_ < end_) {
            const size_t deltaAt = pos_;
            uint32_t delta = 0;
            if (!Number(delta)) return false;
            tick += delta;
            if (tick >= kMaxSmfTick) return Fail(deltaAt, "the time passes 2^32 ticks");
            if (!Need(1)) return false;
            SmfEvent event;
            event.tick = tick;
            if (bytes_[pos_] < 0x80) {
                if (running == 0) {
                    return Fail(pos_, "running status with no status byte before it");
                }
                event.status = running;
            } else {
                event.status = bytes_[pos_++];
            }
            if (event.IsChannelMessage()) {
                running = event.status;
                if (!DataByte(event.data1)) return false;
                if (ChannelDataBytes(event.status) == 2 && !DataByte(event.data2)) return false;
            } else if (event.status == kMetaStatus) {
                if (!Need(1)) return false;
                event.data1 = bytes_[pos_++];
                if (!Payload(event, "meta event")) return false;
                if (event.data1 == kMetaEndOfTrack) {
                    track.endTick = tick;
                    return true; // anything after the end of the track is not part of it
                }
            } else if (event.status == kSysExStatus || event.status == kSysExEscapeStatus) {
                if (!Payload(event, "SysEx event")) return false;
            } else {
                return Fail(pos_ - 1,
                            "status byte " + Hex(event.status) + " is not allowed in a MIDI file");
            }
            track.events.push_back(std::move(event));
        }
        track.endTick = tick; // a track without its end-of-track event ends at its last event
        return true;
    }

private:
    bool Fail(size_t at, const std::string& what) {
        error_ = {at, what};
        return false;
    }

    bool Need(size_t count) {
        if (end_ - pos_ >= count) return true;
        return Fail(pos_, "track " + std::to_string(number_) + " ends in the middle of an event");
    }

    bool Number(uint32_t& value) {
        const size_t start = pos_;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= end_) {
                return Fail(start, "track " + std::to_string(number_) +
                                       " ends inside a variable-length number");
            }
            const uint8_t byte = bytes_[pos_++];
            value = value << 7 | (byte & 0x7Fu);
            if ((byte & 0x80) == 0) return true;
        }
        return Fail(start, "variable-length number longer than four bytes");
    }

    bool DataByte(uint8_t& value) {
        if (!Need(1)) return false;
        if (bytes_[pos_] >= 0x80) {
            return Fail(pos_, "status byte " + Hex(bytes_[pos_]) + " where a data byte belongs");
        }
        value = bytes_[pos_++];
        return true;
    }

    bool Payload(SmfEvent& event, const char* kind) {
        const size_t lengthAt = pos_;
        uint32_t length = 0;
        if (!Number(length)) return false;
        if (length > end_ - pos_) {
            return Fail(lengthAt, std::string(kind) + " length " + std::to_string(length) +
                                      " runs past the end of track " + std::to_string(number_));
        }
        event.payload.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                             bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + length));
        pos_ += length;
        if (event.IsMeta(kMetaTempo)) {
            if (length != 3) {
                return Fail(lengthAt, "tempo event with " + std::to_string(length) +
                                          " data bytes instead of 3");
            }
            if (event.payload[0] == 0 && event.payload[1] == 0 && event.payload[2] == 0) {
                return Fail(lengthAt + 1, "tempo of 0 microseconds per quarter note");
            }
        }
        return true;
    }

    const std::vector<uint8_t>& bytes_;
    size_t pos_;
    size_t end_;
    int number_;
    FormatError& error_;
};

bool ReadHeader(const std::vector<uint8_t>& bytes, SmfFile& file, size_t& tracks, size_t& next,
                FormatError& error) {
    const size_t size = bytes.size();
    if (size >= 4 && ChunkType(bytes, 0) != "MThd") {
        error = {0, "not a MIDI file: it starts with '" + ChunkType(bytes, 0) + "', not 'MThd'"};
        return false;
    }
    if (size < 8) {
        error = {size, "the file ends inside the header chunk"};
        return false;
    }
    const uint32_t length = Big32(bytes, 4);
    if (length < 6) {
        error = {4, "header chunk length " + std::to_string(length) + " is shorter than 6"};
        return false;
    }
    if (length > size - 8) {
        error = {4, "header chunk length " + std::to_string(length) +
                        " runs past the end of the file"};
        return false;
    }
    file.format = Big16(bytes, 8);
    tracks = Big16(bytes, 10);
    const uint16_t division = Big16(bytes, 12);
    if (file.format == 2) {
        error = {8, "format 2 (independent sequences) is not supported, only formats 0 and 1"};
    } else if (file.format > 2) {
        error = {8, "unknown format " + std::to_string(file.format)};
    } else if (tracks == 0) {
        error = {10, "the file declares no tracks"};
    } else if (file.format == 0 && tracks != 1) {
        error = {10, "format 0 file declares " + std::to_string(tracks) + " tracks instead of 1"};
    } else if ((division & 0x8000) != 0) {
        const int frames = 256 - (division >> 8);
        error = {12, "SMPTE time division (" + std::to_string(frames) + " frames per second, " +
                         std::to_string(division & 0xFF) +
                         " ticks per frame) is not supported, only ticks per quarter note"};
    } else if (division == 0) {
        error = {12, "division of 0 ticks per quarter note"};
    } else {
        file.division = division;
        next = 8 + length;
        return true;
    }
    return false;
}

} // namespace

bool ReadSmf(const std::vector<uint8_t>& bytes, SmfFile& file, FormatError& error) {
    file = SmfFile();
    size_t tracks = 0;
    size_t pos = 0;
    if (!ReadHeader(bytes, file, tracks, pos, error)) return false;
    const size_t size = bytes.size();
    while (file.tracks.size() < tracks) {
        if (size - pos < 8) {
            error = {pos, "the file ends after " + std::to_string(file.tracks.size()) + " of " +
                              std::to_string(tracks) + " tracks"};
            return false;
        }
        const std::string type = ChunkType(bytes, pos);
        const uint32_t length = Big32(bytes, pos + 4);
        const size_t body = pos + 8;
        const bool isTrack = type == "MTrk";
        const std::string name =
            isTrack ? "track " + std::to_string(file.tracks.size() + 1) : "chunk '" + type + "'";
        if (length > size - body) {
            error = {pos + 4, name + " length " + std::to_string(length) +
                                  " runs past the end "
                                  "of the file (" +
                                  std::to_string(size - body) + " bytes left)"};
            return false;
        }
        if (isTrack) { // other chunk types are skipped, as the format asks of readers
            SmfTrack track;
            const int number = static_cast<int>(file.tracks.size() + 1);
            if (!TrackParser(bytes, body, body + length, number, error).Parse(track)) return false;
            file.tracks.push_back(std::move(track));
        }
        pos = body + length;
    }
    return true;
}

} // namespace moravox::host
