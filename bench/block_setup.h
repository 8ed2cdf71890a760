// What the benchmark and the instruction counter share: a 1024-frame block with
// its audio and trigger events, and a plug-in with every option on.
#pragma once

#include <utility>
#include <vector>

#include "engine/vstplugin.h"

namespace moravox::bench {

constexpr int kFrames = 1024;

inline VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : opcode == audioMasterProcessEvents ? 1 : 0;
}

struct Block {
    explicit Block(int events)
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
            e.midiData[0] = static_cast<char>((i % 2 ? 0xB0 : 0x90) | (i % 16));
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

inline void EveryOptionOn(VSTPlugin& p, float generator) {
    const std::pair<int, float> settings[] = {
        {0, 1},  {1, 0},     {2, 0},     {3, 1},     {4, 0},         {5, 1},  {6, 1},
        {7, 0},  {8, 1},     {9, 1},     {10, 0},    {11, 1},        {12, 1}, {13, 1},
        {15, 1}, {17, 0.1f}, {18, 0.5f}, {19, 0.1f}, {20, generator}};
    for (auto [index, value] : settings) p.setParameter(index, value);
}

} // namespace moravox::bench
