// Writes the hand-made seed corpus: make_corpus <fuzz/corpus>. The files are
// committed; run this again only when the input format of stream_driver.h or
// chunk_fuzzer.cpp changes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/program/bank.h"

using velk::engine::kNumPrograms;
using velk::engine::kOldProgramSize;
using velk::engine::kProgramSize;
using velk::engine::VSTPluginProgram;

namespace {

// Parameter value bytes: the decoder maps 0..200 onto 0.0..1.0.
constexpr uint8_t kOff = 0, kOn = 200, kHalf = 100;

// Builds inputs in the call format of stream_driver.h.
class Script {
public:
    Script& Byte(uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Script& Word(uint16_t w) { return Byte(w & 0xff).Byte(w >> 8); }
    Script& Raw(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return *this;
    }

    struct Event {
        uint8_t status, data1, data2;
        int8_t delta; // deltaFrames = delta * 33
    };
    Script& Events(const std::vector<Event>& events, bool withBlock = false,
                   uint16_t framesLess1 = 511) {
        Byte(withBlock ? 15 : 0).Byte(static_cast<uint8_t>(events.size()));
        for (const Event& e : events)
            Byte(0).Byte(e.status).Byte(e.data1).Byte(e.data2).Byte(0).Byte(
                static_cast<uint8_t>(e.delta));
        if (withBlock) Word(framesLess1);
        return *this;
    }
    Script& Block(uint16_t framesLess1, uint8_t flags = 0) {
        return Byte(4).Byte(flags).Word(framesLess1);
    }
    Script& Param(uint8_t index, uint8_t value) { return Byte(8).Byte(index).Byte(value); }
    Script& BlockSize(int16_t size) { return Byte(10).Word(static_cast<uint16_t>(size)); }
    Script& Seed(uint32_t seed) { return Byte(3).Word(seed & 0xffff).Word(seed >> 16); }
    Script& Program(int8_t index) { return Byte(11).Byte(static_cast<uint8_t>(index)); }
    Script& Suspend(bool on) { return Byte(12).Byte(on ? 1 : 0); }
    Script& Name(const char* text) {
        Byte(14).Byte(static_cast<uint8_t>(strlen(text)));
        return Raw(text, strlen(text));
    }

    std::vector<uint8_t> bytes;
};

VSTPluginProgram Program(int number) {
    VSTPluginProgram p;
    p.SetDefaults();
    snprintf(p.name, sizeof(p.name), "seed %d", number);
    p.formatIn = number % 3;
    p.formatOut = number % 2;
    p.channelEnable = number % 2;
    p.channelMin = number % 16;
    p.channelMax = (number * 7) % 16; // inverted ranges too
    p.numberEnable = 1;
    p.numberMin = (number * 13) % 128;
    p.numberMax = (number * 29) % 128;
    p.valueEnable = (number / 2) % 2;
    p.valueMin = 10;
    p.valueMax = 100;
    p.midiThru = number % 3 != 0;
    p.midiInThru = number % 4 == 1;
    p.presetSwitching = 0;
    p.everyNth = number % 4;
    p.randomOffset = (number * 17) % 101;
    p.eventCount = number % 5;
    p.randomizer = number % 3;
    return p;
}

std::vector<uint8_t> Bank(bool oldFormat) {
    std::vector<uint8_t> bank;
    for (int i = 0; i < kNumPrograms; i++) {
        const VSTPluginProgram p = Program(i + 1);
        const auto* bytes = reinterpret_cast<const uint8_t*>(&p);
        bank.insert(bank.end(), bytes, bytes + (oldFormat ? kOldProgramSize : kProgramSize));
    }
    return bank;
}

// Some MIDI and blocks after a chunk, so the loaded settings get used.
Script& Play(Script& s) {
    s.Events({{0x90, 60, 100, 0}, {0xB1, 7, 90, 3}, {0x80, 60, 0, 5}}, true, 255);
    s.Events({{0x92, 64, 80, 1}, {0xC0, 3, 0, 0}, {0xE0, 0, 64, 2}}, true, 63);
    return s.Block(1023).Block(0);
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_corpus <corpus folder>\n");
        return 2;
    }
    const std::string chunk = std::string(argv[1]) + "/chunk_fuzzer/";
    const std::string stream = std::string(argv[1]) + "/stream_fuzzer/";
    bool ok = true;

    // chunk_fuzzer: flags, parameter count, then the chunk call (kind byte:
    // bit 0 program, bit 1 raw, bits 2-4 the size rule).
    const VSTPluginProgram program = Program(5);
    Script p220;
    p220.Byte(0).Byte(0).Byte(1 | 2).Raw(&program, kProgramSize);
    ok &= Write(chunk + "program-220.bin", Play(p220).bytes);

    Script p92;
    p92.Byte(2).Byte(7).Byte(0).Byte(1 | 2 | (1 << 2)).Raw(&program, kOldProgramSize);
    ok &= Write(chunk + "program-92.bin", Play(p92).bytes);

    Script pNewer; // 220 + 1 + 40 bytes: from a newer version
    pNewer.Byte(0).Byte(0).Byte(1 | 2 | (2 << 2)).Word(40).Raw(&program, kProgramSize);
    pNewer.Raw(std::vector<uint8_t>(41, 0x5a).data(), 41);
    ok &= Write(chunk + "program-newer.bin", Play(pNewer).bytes);

    const std::vector<uint8_t> bank = Bank(false);
    Script b7040;
    b7040.Byte(1).Byte(1).Byte(17).Byte(60).Byte(2).Raw(bank.data(), bank.size());
    ok &= Write(chunk + "bank-7040.bin", Play(b7040).bytes);

    const std::vector<uint8_t> oldBank = Bank(true);
    Script b2944;
    b2944.Byte(0).Byte(0).Byte(2 | (1 << 2)).Raw(oldBank.data(), oldBank.size());
    ok &= Write(chunk + "bank-2944.bin", Play(b2944).bytes);

    Script bOdd; // 5000 bytes: refused, the bank stays as it is
    bOdd.Byte(0).Byte(0).Byte(3 << 2).Word(5000).Byte(1).Word(48).Byte(4).Raw("\x02\x02\x02\x02",
                                                                              4);
    ok &= Write(chunk + "bank-5000.bin", Play(bOdd).bytes);

    Script bPatch; // the bank the plug-in has, with one program's ranges patched
    bPatch.Byte(0).Byte(0).Byte(0).Byte(1).Word(220 * 3 + 60).Byte(8);
    const int32_t ranges[2] = {14, 2};
    bPatch.Raw(ranges, sizeof(ranges)).Program(3);
    ok &= Write(chunk + "bank-patched.bin", Play(bPatch).bytes);

    // stream_fuzzer: host calls only.
    Script notes; // notes through and echoed, then Midi Through switched off
    notes.Param(1, 9).Param(12, kOn).Param(13, kOn);
    notes.Events({{0x90, 60, 100, 0}, {0x91, 62, 90, 1}, {0x90, 60, 0, 2}}, true, 127);
    notes.Events({{0x80, 62, 0, 0}, {0x93, 64, 1, 0}}, true, 127);
    notes.Param(12, kOff).Block(127).Block(127).Block(127);
    ok &= Write(stream + "notes-through.bin", notes.bytes);

    Script offsets; // CCs randomized with offsets and event count 3, odd block sizes
    offsets.Param(1, 18).Param(3, kOn).Param(4, 160).Param(5, 40).Param(9, kOn);
    offsets.Param(18, kHalf).Param(19, 60).BlockSize(64).Seed(7);
    offsets.Events({{0xB0, 1, 2, 0}, {0xB5, 74, 127, 10}, {0xB0, 7, 0, -3}}, true, 31);
    offsets.BlockSize(4096).Events({{0xB2, 10, 20, 100}}, true, 0).BlockSize(0);
    offsets.Events({{0xB3, 11, 21, 0}}, true, 15);
    ok &= Write(stream + "cc-offsets.bin", offsets.bytes);

    Script nth; // every third trigger, across blocks, with preset switching
    nth.Param(17, 60).Param(15, kOn).Param(2, kOn);
    for (int i = 0; i < 4; i++)
        nth.Events({{0x90, static_cast<uint8_t>(60 + i), 99, 0}}, true, 255);
    nth.Events({{0xC0, 7, 0, 0}, {0xC0, 40, 0, 0}, {0x90, 1, 1, 0}}, true, 255);
    ok &= Write(stream + "every-nth-presets.bin", nth.bytes);

    Script panic; // panic and manual trigger, with the generators switched
    panic.Param(14, kOn).Block(255).Param(14, kOff).Param(20, kOff).Param(19, 200);
    panic.Param(49, kOn).Block(255).Param(49, kOff).Param(20, kHalf).Param(49, kOn).Block(0);
    ok &= Write(stream + "panic-trigger.bin", panic.bytes);

    Script overflow; // 300 events in one call: more than the queues hold
    overflow.Param(12, kOn).Param(19, 200).Byte(0).Byte(255);
    for (int i = 0; i < 300; i++)
        overflow.Byte(0).Byte(0xB0 | (i & 15)).Byte(i & 127).Byte(64).Byte(0).Byte(0);
    overflow.Block(255).Block(255);
    ok &= Write(stream + "overflow.bin", overflow.bytes);

    Script table; // more notes through than the note table holds, then all ended
    table.Param(12, kOn).Param(0, kOff).Block(15).Block(15).Block(15);
    for (int batch = 0; batch < 2; batch++) {
        const int count = batch == 0 ? 200 : 100;
        table.Byte(0).Byte(static_cast<uint8_t>(count));
        for (int i = batch * 200; i < batch * 200 + count; i++)
            table.Byte(0).Byte(0x90 | (i / 128)).Byte(i % 128).Byte(1 + i % 127).Byte(0).Byte(0);
        table.Block(255);
    }
    table.Param(12, kOff).Block(255).Block(255).Block(255);
    ok &= Write(stream + "note-table-full.bin", table.bytes);

    Script suspended; // events queued while suspended come out after resume
    suspended.Suspend(true).Events({{0x90, 60, 100, 0}, {0xF8, 0, 0, 0}, {0x05, 200, 255, 1}});
    suspended.Block(127, 1).Suspend(false).Block(127, 2).Block(127, 3);
    ok &= Write(stream + "suspend-resume.bin", suspended.bytes);

    Script names; // program names and selection, a program chunk patch
    names.Name("a name that is rather longer than forty-seven characters, really").Program(31);
    names.Program(-3).Program(35).Name("short").Byte(13).Byte(1).Byte(1).Word(48).Byte(2);
    names.Raw("\x07\x00", 2).Block(255);
    ok &= Write(stream + "names-programs.bin", names.bytes);

    if (!ok) {
        fprintf(stderr, "make_corpus: could not write the corpus under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
