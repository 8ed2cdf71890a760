// How host_fuzzer's bytes become the arguments of host calls. Most decoders
// take one byte that either is the value or picks an edge case; a few edges
// read their value raw from the bytes that follow.
#pragma once

#include <cstdint>
#include <vector>

#include "byte_reader.h"
#include "plugin/protocol/vst_abi.h"

// The vendor-specific request that reseeds the plug-in, as moravox-host --seed sends it.
constexpr VstInt32 kSeedRequest = FourCC('M', 'V', 'X', 's');

// 0..76 the opcodes there are, then unknown ones (past the end, negative, huge).
VstInt32 DecodeOpcode(uint8_t byte);
// Small indices (programs, parameters, pins), negatives, then edges; 255 reads 4 raw bytes.
VstInt32 DecodeIndex(ByteReader& in);
// As DecodeIndex, with 64-bit edges; 255 reads 8 raw bytes.
VstIntPtr DecodeValue(ByteReader& in);
// 0..200 onto 0.0..1.0, the rest onto edges (NaN, infinities, sample rates).
float DecodeFloat(uint8_t byte);
// Block sizes 0..4096, then negatives and a few larger ones.
VstInt32 DecodeFrames(ByteReader& in);
// A count (255 means 300, more than the input queue holds), then 6 bytes per
// event: kind, four MIDI bytes, delta. One kind in eight is an event of another
// type: the 32-byte generic record, never SysEx (whose record carries a pointer).
std::vector<VstMidiEvent> DecodeEvents(ByteReader& in);
