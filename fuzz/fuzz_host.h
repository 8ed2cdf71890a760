// A minimal host around one plug-in instance: it answers the host calls the
// plug-in makes, drives it like an audio host and checks everything it does.
// One instance per fuzz input; the host is single-threaded, like libFuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/vstplugin.h"
#include "event_oracle.h"

class FuzzHost {
public:
    // Constructs and resumes the plug-in, its generators seeded the same way
    // every time so that a finding replays.
    FuzzHost();
    ~FuzzHost();
    FuzzHost(const FuzzHost&) = delete;
    FuzzHost& operator=(const FuzzHost&) = delete;

    // Events of any type; only MIDI ones may come back unchanged.
    void SendEvents(const std::vector<VstMidiEvent>& events);
    // One block of `frames` (>= 1) samples; in place hands the same buffers as
    // input and output, as many hosts do.
    void Block(VstInt32 frames, bool accumulate, bool inPlace);
    void SetParameter(VstInt32 index, float value);
    void SetBlockSize(VstInt32 size);
    void SetProgram(VstInt32 index);
    void SetProgramName(const char* text, size_t length);
    void SetSuspended(bool suspend);
    // Re-seeds the plug-in's generators (served at the start of the next block).
    void Seed(uint32_t seed);
    // Loads a chunk and checks the answer and what it did to the bank.
    void SetChunk(const unsigned char* data, VstInt32 size, bool isPreset);
    // The chunk the plug-in hands out now.
    std::vector<unsigned char> Chunk(bool isPreset);
    // Resumes and runs a few blocks so every queue and request runs its course.
    void Drain();

private:
    static VstIntPtr Master(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);
    void CheckBank();

    static FuzzHost* current;
    VSTPlugin* plugin = nullptr;
    EventOracle oracle;
    bool suspended = false;
    unsigned blocks = 0;
};
