#include "host_input.h"

#include <climits>
#include <cmath>

namespace {

template <class T, size_t N> T Pick(const T (&edges)[N], unsigned at) {
    return edges[at % N];
}

// Small values straight, 128..191 as -64..-1, the rest picks an edge.
template <class T, size_t N> T Decode(ByteReader& in, const T (&edges)[N]) {
    const uint8_t byte = in.U8();
    if (byte < 128) return byte;
    if (byte < 192) return static_cast<T>(byte) - 192;
    if (byte < 255) return Pick(edges, byte - 192u);
    T raw = 0;
    for (size_t i = 0; i < sizeof(T); i++)
        raw = static_cast<T>(static_cast<uint64_t>(raw) | static_cast<uint64_t>(in.U8()) << 8 * i);
    return raw;
}

} // namespace

VstInt32 DecodeOpcode(uint8_t byte) {
    static const VstInt32 unknown[] = {effNumOpcodes, 78,   79, 127, 128,       255,
                                       256,           1000, -1, -2,  INT32_MIN, INT32_MAX};
    const unsigned code = byte % (effNumOpcodes + 12);
    return code < effNumOpcodes ? static_cast<VstInt32>(code) : Pick(unknown, code - effNumOpcodes);
}

VstInt32 DecodeIndex(ByteReader& in) {
    static const VstInt32 edges[] = {
        INT32_MIN,    INT32_MAX,        256,    1000,  4096, 65536, 1 << 30,
        kSeedRequest, kSeedRequest + 1, -32768, 32767, 255,  128};
    return Decode(in, edges);
}

VstIntPtr DecodeValue(ByteReader& in) {
    constexpr VstIntPtr kLow = INT32_MIN, kHigh = INT32_MAX, kBig = VstIntPtr{1} << 32;
    static const VstIntPtr edges[] = {INTPTR_MIN, INTPTR_MAX, kHigh + 1, kLow - 1, kBig, kHigh,
                                      kLow,       44100,      48000,     4096,     4097, 65536,
                                      1 << 30,    256,        -256,      -kBig};
    return Decode(in, edges);
}

float DecodeFloat(uint8_t byte) {
    static const float edges[] = {NAN,    INFINITY, -INFINITY, -1.0f,   0.0f,   -0.0f,  1.5f,
                                  1e-40f, 1e-10f,   0.5f,      0.5001f, 44100,  48000,  96000,
                                  192000, 8000,     1e30f,     3.4e38f, -44100, 0.005f, 0.0049f};
    if (byte <= 200) return static_cast<float>(byte) / 200.0f;
    return Pick(edges, byte - 201u);
}

VstInt32 DecodeFrames(ByteReader& in) {
    static const VstInt32 edges[] = {-1, INT32_MIN, 0, 1, 4096, 8192, -4096, 4095, 257};
    const uint16_t word = in.U16();
    if (word < 0xFF00) return word % 4097;
    return Pick(edges, word - 0xFF00u);
}

std::vector<VstMidiEvent> DecodeEvents(ByteReader& in) {
    static const VstInt32 otherTypes[] = {
        kVstAudioType, kVstVideoType, kVstParameterType, kVstTriggerType, 0, -1, 7, 1000};
    int count = in.U8();
    if (count == 255) count = 300;
    std::vector<VstMidiEvent> events;
    for (int i = 0; i < count && !in.Empty(); i++) {
        const uint8_t kind = in.U8();
        VstMidiEvent e{};
        e.type = (kind & 7) == 7 ? Pick(otherTypes, kind >> 3) : kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent) - 8;
        e.flags = kind & 1;
        e.noteLength = kind >> 3;
        for (int b = 0; b < 4; b++) e.midiData[b] = static_cast<char>(in.U8());
        const int8_t delta = static_cast<int8_t>(in.U8());
        e.deltaFrames = delta == INT8_MAX ? INT32_MAX : delta == INT8_MIN ? INT32_MIN : delta * 33;
        events.push_back(e);
    }
    return events;
}
