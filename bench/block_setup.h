// What the benchmark and the instruction counter share: a 1024-frame block with
// its audio and trigger events, the two settings measured, and a host callback
// that counts the events handed to it.
#pragma once

#include <utility>
#include <vector>

#include "engine/vstplugin.h"

namespace moravox::bench {

constexpr int kFrames = 1024;

// Every event the plug-in hands over, counted as a host would take it.
inline long long handedOver = 0;

inline VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (opcode == audioMasterProcessEvents && ptr) {
        handedOver += static_cast<const VstEvents*>(ptr)->numEvents;
        return 1;
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

enum Settings {
    // Note-ons randomized in channel, number and value over their whole ranges.
    kRandomized,
    // Note-ons and controllers with every option on: both through switches (the
    // note-ons echo), preset switching, offsets up to half a block, every range whole.
    kEveryOptionOn,
};

// What one block hands to the host: every trigger, plus for every option on the
// echo of each note-on (half the events), up to the output's 256.
inline int ExpectedOut(Settings settings, int events) {
    const int out = settings == kRandomized ? events : events + (events + 1) / 2;
    return out < 256 ? out : 256;
}

struct Block {
    Block(Settings settings, int events)
        : audio(4 * kStride, 0.25f), midi(events),
          list(sizeof(VstEvents) + events * sizeof(VstEvent*)) {
        // One allocation with the four channels a few cache lines apart: copies
        // between buffers whose addresses differ by a hair more than a multiple
        // of 4 KiB stall on false store-to-load aliasing, whatever the copier.
        for (int c = 0; c < 2; c++) {
            in[c] = &audio[c * kStride];
            out[c] = &audio[(2 + c) * kStride];
        }
        auto* header = reinterpret_cast<VstEvents*>(list.data());
        header->numEvents = events;
        for (int i = 0; i < events; i++) {
            VstMidiEvent& e = midi[i];
            e = VstMidiEvent{};
            e.type = kVstMidiType;
            e.byteSize = 24;
            e.deltaFrames = (i * 4) % kFrames;
            const bool note = settings == kRandomized || i % 2 == 0;
            e.midiData[0] = static_cast<char>((note ? 0x90 : 0xB0) | (i % 16));
            e.midiData[1] = static_cast<char>(i % 128);
            e.midiData[2] = static_cast<char>(1 + i % 127);
            header->events[i] = reinterpret_cast<VstEvent*>(&e);
        }
    }
    VstEvents* Events() { return reinterpret_cast<VstEvents*>(list.data()); }
    static constexpr int kStride = kFrames + 256;
    std::vector<float> audio;
    float* in[2];
    float* out[2];
    std::vector<VstMidiEvent> midi;
    std::vector<unsigned char> list;
};

// generator: 0 C library, 0.5 Mersenne, 1 Park-Miller.
inline void Configure(VSTPlugin& p, Settings settings, float generator) {
    std::vector<std::pair<int, float>> values = {
        {3, 1}, {4, 0}, {5, 1}, {6, 1}, {7, 0}, {8, 1}, {9, 1}, {10, 0}, {11, 1}, {20, generator}};
    if (settings == kEveryOptionOn)
        values.insert(values.end(), {{0, 1},
                                     {1, 0},
                                     {2, 0},
                                     {12, 1},
                                     {13, 1},
                                     {15, 1},
                                     {17, 0.1f},
                                     {18, 0.5f},
                                     {19, 0.1f}});
    for (auto [index, value] : values) p.setParameter(index, value);
}

} // namespace moravox::bench
