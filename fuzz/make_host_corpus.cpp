// Writes the hand-made seeds of host_fuzzer: make_host_corpus <fuzz/corpus>.
// Run it again only when the input format of host_fuzzer.cpp, entry_calls.h or
// host_input.h changes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/protocol/vst_abi.h"

namespace {

// Decoder bytes (host_input.cpp): values below 128 stand for themselves.
constexpr uint8_t kRate44100 = 212, kHalf = 100, kOn = 200, kValue256 = 205;
constexpr uint8_t kSeedIndex = 199, kMinusOne = 191, kInt32Max = 193;
constexpr uint16_t kMinusOneFrames = 0xFF00;

class Calls {
public:
    explicit Calls(uint8_t identity) { bytes.push_back(identity); }
    Calls& Byte(uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Calls& Word(uint16_t w) { return Byte(w & 0xff).Byte(w >> 8); }
    // A dispatcher call; `nulls` passes null for every pointer that may be null.
    Calls& Op(VstInt32 opcode, uint8_t index = 0, uint8_t value = 0, uint8_t opt = 0,
              bool nulls = false) {
        return Byte(nulls ? 8 : 0)
            .Byte(static_cast<uint8_t>(opcode))
            .Byte(index)
            .Byte(value)
            .Byte(opt);
    }
    Calls& Text(const char* text) {
        Byte(static_cast<uint8_t>(strlen(text)));
        for (const char* c = text; *c; c++) Byte(static_cast<uint8_t>(*c));
        return *this;
    }
    struct Event {
        uint8_t kind, status, data1, data2;
        int8_t delta; // times 33 frames
    };
    Calls& Events(const std::vector<Event>& events) {
        Byte(4).Byte(static_cast<uint8_t>(events.size()));
        for (const Event& e : events)
            Byte(e.kind).Byte(e.status).Byte(e.data1).Byte(e.data2).Byte(0).Byte(
                static_cast<uint8_t>(e.delta));
        return *this;
    }
    Calls& Block(uint16_t frames, uint8_t shape = 0, bool accumulate = false) {
        return Byte(accumulate ? 6 : 5).Byte(shape).Word(frames);
    }
    Calls& Set(uint8_t index, uint8_t value) { return Byte(7).Byte(index).Byte(value); }
    Calls& Get(uint8_t index) { return Byte(15).Byte(index); }

    std::vector<uint8_t> bytes;
};

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

Calls& Start(Calls& c) {
    return c.Op(effSetSampleRate, 0, 0, kRate44100)
        .Op(effSetBlockSize, 0, kValue256)
        .Op(effMainsChanged, 0, 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_host_corpus <corpus folder>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/host_fuzzer/";
    bool ok = true;

    Calls render(1); // a render host: notes through with Midi Through, then closed
    Start(render).Set(12, kOn).Set(1, 9);
    render.Events({{0, 0x90, 60, 100, 0}, {0, 0xB1, 7, 90, 3}, {0, 0x80, 60, 0, 5}}).Block(256);
    render.Events({{0, 0xC0, 3, 0, 0}, {0, 0xE0, 0, 64, 2}}).Block(256).Block(256);
    render.Op(effGetChunk).Op(effGetChunk, 1).Op(effMainsChanged).Op(effClose);
    ok &= Write(dir + "render.bin", render.bytes);

    Calls editor(3 | 8); // Cubase, which sizes the window: the editor opcodes headless
    editor.Op(effEditGetRect).Op(effEditOpen).Op(effEditGetRect).Set(3, kOn).Op(effEditIdle);
    editor.Op(effEditKeyDown, 'a', 1, 3).Op(effEditKeyUp, 'a').Op(effSetEditKnobMode, 0, 2);
    editor.Op(effEditDraw).Op(effEditClose).Op(effEditOpen, 0, 0, 0, true).Op(effEditClose);
    editor.Op(effEditGetRect, 0, 0, 0, true);
    ok &= Write(dir + "editor-cubase.bin", editor.bytes);

    ok &= Write(dir + "refused-usine.bin", Calls(7).Op(effOpen).bytes);
    ok &= Write(dir + "refused-version.bin", Calls(64 | 1).bytes);

    Calls strings(2); // every text a host asks for, and capability words
    strings.Op(effGetProgramName)
        .Op(effSetProgramName)
        .Text("A name longer than forty-seven characters, by far");
    strings.Op(effGetProgramName).Op(effGetProgramNameIndexed, 31).Op(effGetProgramNameIndexed, 32);
    strings.Op(effGetProgramNameIndexed, kMinusOne);
    for (uint8_t i : {0, 1, 5, 12, 20, 21, 49, 63})
        strings.Op(effGetParamName, i).Op(effGetParamLabel, i).Op(effGetParamDisplay, i);
    strings.Op(effGetEffectName).Op(effGetVendorString).Op(effGetProductString);
    strings.Op(effGetErrorText).Op(effShellGetNextPlugin).Op(effString2Parameter, 3).Text("0.5");
    for (uint8_t word = 0; word < 12; word++) strings.Op(effCanDo).Byte(word);
    strings.Op(effCanDo).Byte(200).Text("receiveVstMidiEventX");
    ok &= Write(dir + "strings.bin", strings.bytes);

    Calls chunks(1); // chunks through the dispatcher, of every size rule, then used
    Start(chunks).Op(effSetChunk).Byte(0).Byte(1).Word(220 * 2 + 60).Byte(2).Byte(3).Byte(9);
    chunks.Op(effSetChunk, 1).Byte(1).Byte(1).Word(48).Byte(1).Byte(1);
    chunks.Op(effSetChunk).Byte(2).Byte(0).Op(effSetChunk, 1).Byte(3).Byte(0);
    chunks.Op(effSetChunk).Byte(12).Byte(0).Op(effSetChunk, 1).Byte(200).Word(5000).Byte(0);
    chunks.Op(effSetChunk, 0, 0, 0, true).Byte(0).Byte(0).Op(effSetProgram, 0, 2).Block(64);
    chunks.Op(effGetChunk, 1).Op(effGetChunk, 0, 0, 0, true).Op(effCopyProgram, 3);
    ok &= Write(dir + "chunks.bin", chunks.bytes);

    Calls records(4 | 16); // SAVIHost with a directory: record opcodes and unknown ones
    records.Op(effSetSpeakerArrangement).Byte(0x22).Op(effGetSpeakerArrangement);
    records.Op(effGetInputProperties).Op(effGetOutputProperties, 1).Op(effGetParameterProperties);
    records.Op(effGetMidiProgramName).Op(effGetCurrentMidiProgram).Op(effGetMidiKeyName);
    records.Op(effOfflineNotify).Op(effOfflinePrepare).Op(effProcessVarIo).Op(effBeginLoadBank);
    records.Op(effVendorSpecific, kSeedIndex, 9).Op(effVendorSpecific, kInt32Max, 1);
    records.Op(effIdentify).Op(effGetVu).Op(effGetVstVersion).Op(effGetPlugCategory);
    records.Op(effNumOpcodes)
        .Op(effNumOpcodes + 3)
        .Op(effGetTailSize)
        .Op(effSetBypass, 0, 1)
        .Op(effStartProcess);
    ok &= Write(dir + "records.bin", records.bytes);

    Calls shapes(5 | 48 | 128); // no effOpen, an untrusted directory: blocks of every shape
    shapes.Block(128).Op(effMainsChanged, 0, 1).Block(128, 1).Block(128, 2).Block(128, 4);
    shapes.Block(128, 8).Block(128, 16, true).Block(128, 1, true).Block(0).Block(kMinusOneFrames);
    shapes.Events({{7, 0x90, 1, 2, 0}, {0, 0x90, 61, 1, 127}, {0, 0x91, 62, 1, -128}});
    shapes.Block(4096).Set(12, kOn).Events({{0, 0xF8, 0, 0, 0}, {0, 0x05, 200, 255, 1}});
    shapes.Block(1).Op(effMainsChanged).Block(64).Op(effSetBlockSizeAndSampleRate, 0, 0, 0);
    ok &= Write(dir + "processing-shapes.bin", shapes.bytes);

    Calls programs(6); // programs through the dispatcher, MIDI and preset switching
    Start(programs).Set(15, kOn).Set(12, kOn).Op(effSetProgram, 0, 31).Op(effGetProgram);
    programs.Op(effSetProgram, 0, 32).Op(effSetProgram, 0, kMinusOne).Op(effBeginSetProgram);
    programs.Events({{0, 0xC0, 7, 0, 0}, {0, 0x90, 60, 100, 0}}).Block(256).Op(effGetProgram);
    programs.Set(14, kOn).Block(64).Set(49, kOn).Block(64).Get(49).Get(14).Get(70);
    programs.Set(20, kHalf).Op(effEndSetProgram).Block(64);
    ok &= Write(dir + "programs.bin", programs.bytes);

    if (!ok) {
        fprintf(stderr, "make_host_corpus: could not write the corpus under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
