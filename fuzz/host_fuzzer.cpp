// The plug-in as a host gets it: its exported `main` with our host callback,
// then the returned AEffect driven through its function pointers only.
//
// Input: an identity byte, then calls until the input ends (or effClose).
//   identity bits 0-2  the host product: none, "Moravox fuzz host", "Cubase SX 3"
//                      (vendor version 3000), "Cubase" (9000), "SAVIHost",
//                      "energyXT", "Tracktion" or "Usine" (which it refuses)
//            bit 3     the host answers canDo "sizeWindow" and resizes
//            bits 4-5  the directory: none, "/opt/vst/moravox.so", "moravox.so"
//                      or 4096 characters without a separator
//            bit 6     audioMasterVersion answers 0 (it must refuse)
//            bit 7     no effOpen before the first call
//   each call: a byte choosing it (value modulo 8; bit 3 is the call's flag)
//     0-3  a dispatcher call as entry_calls.h reads it; the flag passes null
//          for every pointer that may be null
//     4    events through effProcessEvents (host_input.h)
//     5-6  processReplacing (5) or the accumulating process (6): a shape byte
//          (bit 0 in place, bit 1 no input array, bit 2 no output array,
//          bits 3-4 if not 0: channel value - 1 gets null buffers), frames
//          (2 bytes, see host_input.h)
//     7    getParameter (flag set) or setParameter: index, value byte
//
// The plug-in runs headless: the library's load hook opens its own X display
// from $DISPLAY (":0.0" when unset), and a server there would make every
// effEditOpen build windows, start the idle thread and depend on what the
// desktop does. An empty DISPLAY names no server, so every editor opcode is
// fuzzed as well, down the path a headless host (a render farm) takes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "byte_reader.h"
#include "entry_calls.h"
#include "entry_host.h"
#include "host_input.h"

namespace {

// Before every constructor without a priority, the plug-in's load hook among them.
__attribute__((constructor(101))) void NoDisplay() {
    setenv("DISPLAY", "", 1);
}

char longDirectory[4097]; // 4096 characters: longer than the plug-in trusts

HostIdentity Identity(uint8_t bits) {
    static const struct {
        const char* product;
        VstInt32 vendorVersion;
    } products[] = {
        {nullptr, 0},      {"Moravox fuzz host", 1}, {"Cubase SX 3", 3000}, {"Cubase", 9000},
        {"SAVIHost", 140}, {"energyXT", 2},          {"Tracktion", 7},      {"Usine", 5}};
    static const char* const directories[] = {nullptr, "/opt/vst/moravox.so", "moravox.so",
                                              longDirectory};
    HostIdentity identity;
    identity.product = products[bits & 7].product;
    identity.vendorVersion = products[bits & 7].vendorVersion;
    identity.sizesWindow = bits & 8;
    identity.directory = directories[(bits >> 4) & 3];
    identity.version = bits & 64 ? 0 : 2400;
    return identity;
}

BlockShape Shape(ByteReader& in, bool accumulate) {
    const uint8_t bits = in.U8();
    BlockShape shape;
    shape.accumulate = accumulate;
    shape.inPlace = bits & 1;
    shape.nullInputs = bits & 2;
    shape.nullOutputs = bits & 4;
    shape.nullChannel = ((bits >> 3) & 3) - 1;
    shape.frames = DecodeFrames(in);
    return shape;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    memset(longDirectory, 'a', sizeof(longDirectory) - 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const uint8_t identity = in.U8();
    EntryHost host(Identity(identity));
    if (!host.Started()) return 0;
    if (!(identity & 128)) host.Dispatch(effOpen, 0, 0, nullptr, 0);
    while (host.Started() && !in.Empty()) {
        const uint8_t call = in.U8();
        const bool flag = call & 8;
        switch (call % 8) {
        case 4: host.SendEvents(DecodeEvents(in)); break;
        case 5:
        case 6: host.Block(Shape(in, call % 8 == 6)); break;
        case 7: {
            const VstInt32 index = DecodeIndex(in);
            if (flag)
                host.GetParameter(index);
            else
                host.SetParameter(index, DecodeFloat(in.U8()));
            break;
        }
        default: DispatchCall(host, in, !flag); break;
        }
    }
    return 0; // the host closes the effect
}
