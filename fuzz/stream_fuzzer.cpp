// A host's calls in any order: MIDI events, blocks of any size, parameter
// changes, programs, suspension and chunks, as stream_driver.h describes.
#include <cstddef>
#include <cstdint>

#include "byte_reader.h"
#include "fuzz_host.h"
#include "stream_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    FuzzHost host;
    RunStream(host, in);
    return 0;
}
