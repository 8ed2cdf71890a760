// What the tempo map of an accepted MIDI file must do, at three sample rates
// (0 among them, taken as 1) and at the ticks of its events and its end:
// - samples and microseconds equal a reference in the compiler's 128-bit
//   integers (the map does its 128-bit arithmetic by hand, for i386);
// - neither runs backwards, and ticks come back in order from samples;
// - a tick's start sample maps back to that tick whenever ticks last two
//   samples or more at every tempo of the file.
#pragma once

#include "host/formats/smf.h"

void CheckTempoMap(const moravox::host::SmfFile& file);
