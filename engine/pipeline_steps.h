// What the pipeline's two loops share: the status nibbles they tell apart, and
// an event's position moved by an offset.
#pragma once

#include <algorithm>

#include "plugin/protocol/vst_abi.h"

namespace velk::engine::steps {

enum : int { NOTE_OFF = 0x80, NOTE_ON = 0x90, CONTROL_CHANGE = 0xB0, PROGRAM_CHANGE = 0xC0 };

// An event's position moved by an offset, at most `cap`; a host's position may be anything.
inline VstInt32 Delayed(VstInt32 position, int offset, int cap) {
    const long long moved = static_cast<long long>(position) + offset;
    return static_cast<VstInt32>(std::min<long long>(moved, cap));
}

} // namespace velk::engine::steps
