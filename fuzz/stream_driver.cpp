#include "stream_driver.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

using velk::engine::kBankSize;
using velk::engine::kNumPrograms;
using velk::engine::kOldBankSize;
using velk::engine::kOldProgramSize;
using velk::engine::kProgramSize;

namespace {

constexpr int kOverflowCount = 300; // more than the input queue's 256 slots

// Mostly inside or near a block, at both ends whatever a 32-bit field can hold.
VstInt32 Delta(int8_t byte) {
    if (byte == INT8_MAX) return INT32_MAX;
    if (byte == INT8_MIN) return INT32_MIN;
    return byte * 33;
}

// A host may report any block size, the extremes included.
VstInt32 BlockSize(int16_t word) {
    if (word == INT16_MAX) return INT32_MAX;
    if (word == INT16_MAX - 1) return 1 << 30;
    if (word == INT16_MIN) return INT32_MIN;
    return word;
}

std::vector<VstMidiEvent> Events(ByteReader& in) {
    int count = in.U8();
    if (count == 255) count = kOverflowCount;
    std::vector<VstMidiEvent> events;
    for (int i = 0; i < count && !in.Empty(); i++) {
        const uint8_t kind = in.U8();
        VstMidiEvent e{};
        // One kind in eight is another event type, which must be ignored.
        e.type = (kind & 7) == 7 ? 2 + (kind >> 3) % 6 : kVstMidiType;
        e.byteSize = 24;
        e.flags = kind & 1;
        e.noteLength = kind >> 3;
        e.detune = static_cast<char>(kind);
        for (int b = 0; b < 4; b++) e.midiData[b] = static_cast<char>(in.U8());
        e.deltaFrames = Delta(static_cast<int8_t>(in.U8()));
        events.push_back(e);
    }
    return events;
}

VstInt32 Frames(ByteReader& in) {
    return 1 + in.U16() % 4096;
}

// The plug-in's present chunk, in the old 92-byte layout when asked.
std::vector<unsigned char> Image(FuzzHost& host, bool isPreset, bool oldLayout) {
    std::vector<unsigned char> image = host.Chunk(isPreset);
    if (!oldLayout) return image;
    std::vector<unsigned char> old;
    for (size_t at = 0; at < image.size(); at += kProgramSize)
        old.insert(old.end(), image.begin() + at, image.begin() + at + kOldProgramSize);
    return old;
}

} // namespace

float DecodeValue(uint8_t byte) {
    static const float edges[] = {-0.1f,   1.5f,    NAN,       INFINITY, -INFINITY, 0.5f,
                                  1e-10f,  1e-11f,  0.005f,    0.0049f,  0.0005f,   0.9999f,
                                  0.4999f, 0.5001f, 1.0f / 22, 0.05f,    0.049f,    0.95f};
    if (byte <= 200) return static_cast<float>(byte) / 200.0f;
    return edges[(byte - 201) % (sizeof(edges) / sizeof(edges[0]))];
}

void ChunkCall(FuzzHost& host, ByteReader& in) {
    const uint8_t kind = in.U8();
    const bool isPreset = kind & 1;
    const bool raw = kind & 2;
    const int full = static_cast<int>(isPreset ? kProgramSize : kBankSize);
    const int old = static_cast<int>(isPreset ? kOldProgramSize : kOldBankSize);
    const int rule = (kind >> 2) & 7;
    int size = full;
    switch (rule) {
    case 0: size = full; break;
    case 1: size = old; break;
    case 2: size = full + 1 + in.U16() % 4096; break; // from a newer version
    case 3: size = in.U16() % full; break;
    case 4: size = old - 4 + in.U8() % 9; break;
    case 5: size = full - 4 + in.U8() % 9; break;
    case 6: size = in.U16(); break;
    default: size = -1 - in.U8(); break;
    }

    // Exactly `size` bytes, so any read past the chunk is caught.
    const size_t length = static_cast<size_t>(std::max(size, 0));
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[length > 0 ? length : 1]());
    const std::vector<unsigned char> image = Image(host, isPreset, rule == 1 || rule == 4);
    std::copy_n(image.begin(), std::min(length, image.size()), chunk.get());
    if (raw) {
        in.Bytes(chunk.get(), length);
    } else if (length > 0) {
        for (int patches = in.U8() % 4; patches > 0; patches--) {
            const size_t offset = in.U16() % length;
            const size_t bytes = std::min<size_t>(in.U8(), length - offset);
            in.Bytes(chunk.get() + offset, bytes);
        }
    }
    host.SetChunk(chunk.get(), size, isPreset);
}

void RunStream(FuzzHost& host, ByteReader& in) {
    while (!in.Empty()) {
        const int call = in.U8() % 16;
        if (call <= 2) {
            host.SendEvents(Events(in));
        } else if (call == 3) {
            host.Seed(in.U16() | static_cast<uint32_t>(in.U16()) << 16);
        } else if (call <= 7) {
            const uint8_t flags = in.U8();
            host.Block(Frames(in), flags & 1, flags & 2);
        } else if (call <= 9) {
            const VstInt32 index = in.U8() % 64; // 0..20 and 49 exist, the rest must be ignored
            host.SetParameter(index, DecodeValue(in.U8()));
        } else if (call == 10) {
            host.SetBlockSize(BlockSize(static_cast<int16_t>(in.U16())));
        } else if (call == 11) {
            host.SetProgram(static_cast<int8_t>(in.U8()) % (kNumPrograms + 8));
        } else if (call == 12) {
            host.SetSuspended(in.U8() & 1);
        } else if (call == 13) {
            ChunkCall(host, in);
        } else if (call == 14) {
            char text[80];
            const size_t length = in.Bytes(text, in.U8() % sizeof(text));
            host.SetProgramName(text, length);
        } else {
            host.SendEvents(Events(in));
            host.Block(Frames(in), false, false);
        }
    }
    host.Drain();
}
