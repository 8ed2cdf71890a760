// Reads a fuzz input as a sequence of host calls and makes them through a FuzzHost.
//
// Each call starts with one byte choosing it (value modulo 16):
//   0-2   processEvents: count (255 means 300, to overflow the input queue), then
//         6 bytes per event: kind, status, data1, data2, fourth byte, delta
//         (signed, times 33; 127 and -128 stand for the int32 extremes)
//   3     re-seed the generators: 4 bytes
//   4-7   a block: flags (bit 0 accumulate, bit 1 in place), frames (2 bytes)
//   8-9   setParameter: index, value byte (see DecodeValue)
//   10    setBlockSize: 2 bytes, signed (32767 stands for INT32_MAX, 32766 for
//         2^30, -32768 for INT32_MIN)
//   11    setProgram: index byte, signed
//   12    suspend (flag bit 0 set) or resume
//   13    setChunk (see ChunkCall)
//   14    setProgramName: length, characters
//   15    processEvents and a block in one: events as above, then frames
#pragma once

#include <cstdint>

#include "byte_reader.h"
#include "fuzz_host.h"

void RunStream(FuzzHost& host, ByteReader& in);

// One setChunk: a kind byte (bit 0 program, bit 1 raw bytes, bits 2-4 the size
// rule), the size's own bytes, then either `size` raw bytes or up to three
// patches (offset, length, bytes) over the chunk the plug-in hands out now.
// Missing bytes come from that chunk, so short inputs still load valid data.
void ChunkCall(FuzzHost& host, ByteReader& in);

// Parameter values: 0..200 map onto 0.0..1.0, the rest onto edge values
// (out of range, NaN, infinities, thresholds).
float DecodeValue(uint8_t byte);
