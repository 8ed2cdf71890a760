// Hand-made MIDI file bytes for the reader and writer tests.
#pragma once

#include <cstdint>
#include <vector>

namespace smf_bytes {

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Bytes Big32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

inline Bytes Header(uint16_t format, uint16_t tracks, uint16_t division) {
    return Cat({{'M', 'T', 'h', 'd'},
                Big32(6),
                {static_cast<uint8_t>(format >> 8), static_cast<uint8_t>(format),
                 static_cast<uint8_t>(tracks >> 8), static_cast<uint8_t>(tracks),
                 static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)}});
}

// A track chunk around `body`, with the length the body really has.
inline Bytes Track(const Bytes& body) {
    return Cat({{'M', 'T', 'r', 'k'}, Big32(static_cast<uint32_t>(body.size())), body});
}

inline const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

} // namespace smf_bytes
