// Writes a Standard MIDI File, with running status for channel messages.
#pragma once

#include "host/formats/smf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace moravox::host {

// False, with the reason in `error`, when the file cannot be expressed: events out of tick order
// or a gap or length beyond what a variable-length number holds. Each track ends with its
// end-of-track event at its endTick, or at its last event if that is later.
bool WriteSmf(const SmfFile& file, std::vector<uint8_t>& bytes, std::string& error);

} // namespace moravox::host
