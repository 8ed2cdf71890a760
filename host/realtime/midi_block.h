// A block of MIDI events for effProcessEvents, built ahead of time so that handing it over
// allocates nothing.
#pragma once

#include "plugin/protocol/vst_abi.h"

#include <array>
#include <cstddef>

namespace moravox::realtime {

class MidiBlock {
public:
    static constexpr size_t kCapacity = 64;

    MidiBlock();
    // The header points into the block itself.
    MidiBlock(const MidiBlock&) = delete;
    MidiBlock& operator=(const MidiBlock&) = delete;

    // False (and nothing added) when the block is full.
    bool Add(const VstMidiEvent& event);
    // Status byte and two data bytes at a sample offset.
    bool Add(int status, int data1, int data2, int deltaFrames);
    size_t Size() const { return size_; }
    // What effProcessEvents takes; valid as long as the block.
    VstEvents* Events();

private:
    // VstEvents declares two event pointers and is followed by the rest.
    static constexpr size_t kHeaderWords =
        (sizeof(VstEvents) + (kCapacity - 2) * sizeof(VstEvent*) + sizeof(VstIntPtr) - 1) /
        sizeof(VstIntPtr);

    std::array<VstIntPtr, kHeaderWords> header_{};
    std::array<VstMidiEvent, kCapacity> events_{};
    size_t size_ = 0;
};

// A MIDI event of three bytes, the way hosts fill them in.
VstMidiEvent MakeMidiEvent(int status, int data1, int data2, int deltaFrames);

} // namespace moravox::realtime
