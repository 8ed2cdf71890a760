// MIDI events in words, for `moravox-host dump`.
#pragma once

#include "host/formats/smf.h"

#include <string>

namespace moravox::host {

// "note-on channel 0 note 60 velocity 100", "tempo 500000 us per quarter note", ...
// Channels are counted from 0, as the plug-in shows them.
std::string DescribeEvent(const SmfEvent& event);

// Seconds with six decimals: "1.250000".
std::string FormatMicroseconds(uint64_t microseconds);

} // namespace moravox::host
