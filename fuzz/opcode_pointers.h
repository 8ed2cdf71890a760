// Which pointer each dispatcher opcode takes, as host_fuzzer passes them: null
// or memory of the size the opcode needs, never anything else.
#pragma once

#include <cstddef>

#include "plugin/protocol/vst_abi.h"

enum class PointerKind {
    None,        // the opcode takes no pointer: null
    TextOut,     // a zeroed buffer of `size` bytes the plug-in writes a text into
    TextIn,      // a terminated text
    CanDo,       // a terminated capability word
    RectOut,     // ERect**: where the plug-in stores its rectangle
    RectIn,      // ERect*: the area to draw
    ChunkOut,    // void**: where the plug-in stores its chunk
    ChunkIn,     // the chunk's bytes; the value is their count
    Events,      // VstEvents
    Record,      // a record the plug-in only knows as an incomplete type
    Records,     // as Record, with the value counting them: 1
    SpeakersIn,  // value and ptr: VstSpeakerArrangement*
    SpeakersOut, // value and ptr: VstSpeakerArrangement**
    Window,      // a window handle; the value (the host's display) is null
};

struct Pointer {
    PointerKind kind;
    size_t size; // of a TextOut buffer
};

// Zeroed, and larger than any of the records passed along as incomplete types.
constexpr size_t kRecordSize = 512;

// Unknown opcodes take none.
Pointer PointerOf(VstInt32 opcode);
