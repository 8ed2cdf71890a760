// setChunk with programs and banks of every size, then processing.
//
// Input: a flags byte (bit 0: the chunk arrives while suspended; bit 1: a
// program byte follows and is selected first), a count byte and that many
// (modulo 8) parameter changes of two bytes each, one setChunk call as
// stream_driver.h describes, and then a stream of host calls.
#include <cstddef>
#include <cstdint>

#include "byte_reader.h"
#include "fuzz_host.h"
#include "stream_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    FuzzHost host;
    const uint8_t flags = in.U8();
    if (flags & 1) host.SetSuspended(true);
    if (flags & 2) host.SetProgram(in.U8() % velk::engine::kNumPrograms);
    for (int n = in.U8() % 8; n > 0; n--) {
        const VstInt32 index = in.U8() % 64;
        host.SetParameter(index, DecodeValue(in.U8()));
    }
    ChunkCall(host, in);
    if (flags & 1) host.SetSuspended(false);
    RunStream(host, in);
    return 0;
}
