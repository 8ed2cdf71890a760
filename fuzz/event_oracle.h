// The rules every hand-over of MIDI from the plug-in to the host must keep:
// - it happens inside a processing block, with 1 to 256 events;
// - every event is a MIDI event whose deltaFrames lies in [0, frames - 1];
// - an event is either passed through (byte-identical to an event the host sent
//   in, apart from deltaFrames, which the plug-in may move into the block), or
//   created or rewritten by the plug-in, and then a well-formed channel message:
//   status byte >= 0x80, both data bytes <= 127 and the fourth byte 0.
#pragma once

#include <array>
#include <set>

#include "plugin/protocol/vst_abi.h"

class EventOracle {
public:
    // An event the host sent in; events stay queued across blocks, so every
    // event ever sent in may come back.
    void Remember(const VstMidiEvent& event);

    void BeginBlock(VstInt32 frames);
    void EndBlock();
    int HandedOver() const { return handed; }

    // Checks one audioMasterProcessEvents call; aborts on a broken rule.
    void Check(const VstEvents* events);

private:
    using Record = std::array<unsigned char, sizeof(VstMidiEvent)>;
    static Record Key(const VstMidiEvent& event);

    std::set<Record> inputs;
    VstInt32 frames = 0; // 0: no block is being processed
    int handed = 0;
};
