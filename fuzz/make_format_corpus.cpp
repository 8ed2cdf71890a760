// Writes the hand-made seeds of smf_fuzzer and preset_fuzzer:
// make_format_corpus <fuzz/corpus>. Byte by byte, so that they hold what the
// writers never produce (running status across meta events, unknown chunks,
// long number encodings, reserved bytes, trailing data). Also committed there:
// copies of examples/riff.mid and examples/scatter.fxp, and the output of
//   moravox-host render build/dev/moravox.so examples/riff.mid -o rendered.mid --seed 1 --set 12=1
//   moravox-host bank save build/dev/moravox.so bank.fxb --seed 1
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes& Add(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
    return out;
}

Bytes Cat(Bytes out, const Bytes& more) {
    return Add(out, more);
}

Bytes Be32(uint32_t v) {
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

Bytes Chunk(const char* type, const Bytes& body) {
    Bytes out(type, type + 4);
    Add(out, Be32(static_cast<uint32_t>(body.size())));
    return Add(out, body);
}

Bytes Header(uint16_t format, uint16_t tracks, uint16_t division, size_t extra = 0) {
    Bytes body = {static_cast<uint8_t>(format >> 8),   static_cast<uint8_t>(format),
                  static_cast<uint8_t>(tracks >> 8),   static_cast<uint8_t>(tracks),
                  static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)};
    body.resize(body.size() + extra, 0x55);
    return Chunk("MThd", body);
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

bool Write(const std::string& path, const Bytes& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

void Smf(const std::string& dir, bool& ok) {
    auto write = [&](const char* name, const Bytes& bytes) { ok &= Write(dir + name, bytes); };
    // Running status through a tempo change and a text event; program change and
    // pressure with one data byte.
    Bytes f0 = Header(0, 1, 480);
    Add(f0,
        Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x64, 0x60, 0x3E,
                       0x50, 0x00, 0xFF, 0x01, 0x02, 'h',  'i',  0x10, 0x3C, 0x00, 0x00, 0xC3, 0x05,
                       0x00, 0xD3, 0x40, 0x81, 0x00, 0xE3, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00}));
    write("format0-running-status.mid", f0);

    // Three tracks, tempo changes outside the first, SysEx and its escape form,
    // an unknown chunk between tracks, a longer header, data after the last track.
    Bytes f1 = Header(1, 3, 96, 2);
    Add(f1, Chunk("MTrk", {0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x10, 0xF7, 0x02, 0x01, 0x02, 0x00,
                           0xFF, 0x2F, 0x00}));
    Add(f1, Chunk("XFIH", {1, 2, 3, 4, 5}));
    Add(f1, Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0x83, 0x60, 0xFF, 0x51, 0x03,
                           0x00, 0x00, 0x01, 0x00, 0xB0, 0x07, 0x7F, 0x00, 0xFF, 0x2F, 0x00}));
    Add(f1, Chunk("MTrk", {0x00, 0x90, 0x24, 0x7F, 0x30, 0x80, 0x24, 0x00, 0x30, 0xFF,
                           0x58, 0x04, 0x06, 0x03, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}));
    Add(f1, {'M', 'T', 'r', 'k', 0, 0});
    write("format1-three-tracks.mid", f1);

    // No end-of-track event; long and non-canonical number encodings; ticks just
    // under 2^32 (15 gaps of 0x0FFFFFFF).
    Bytes far = Header(1, 2, 1);
    Bytes track = {0x80, 0x80, 0x00, 0x90, 0x01, 0x01};
    for (int i = 0; i < 15; i++) Add(track, {0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x02});
    Add(far, Chunk("MTrk", track));
    Add(far, Chunk("MTrk", {0x00, 0xFF, 0x2F, 0x03, 1, 2, 3, 0x00, 0x90, 0x01}));
    write("far-ticks-no-end.mid", far);

    // The slowest and the fastest tempo, at the highest division.
    Bytes tempi = Header(0, 1, 0x7FFF);
    Add(tempi,
        Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x01, 0x8F, 0x7F, 0xFF, 0x51, 0x03, 0xFF,
                       0xFF, 0xFF, 0x01, 0x90, 0x3C, 0x01, 0x81, 0x80, 0x00, 0xFF, 0x2F, 0x00}));
    write("tempo-extremes.mid", tempi);

    // Refused: SMPTE time, format 2, a track cut short.
    write("smpte-division.mid", Cat(Header(1, 1, 0xE728), Chunk("MTrk", kEnd)));
    write("format2.mid", Cat(Header(2, 1, 96), Chunk("MTrk", kEnd)));
    Bytes cut = Header(0, 1, 96);
    Add(cut, {'M', 'T', 'r', 'k', 0, 0, 0, 9, 0x00, 0x90, 0x3C});
    write("truncated-track.mid", cut);
}

void Preset(const std::string& dir, bool& ok) {
    auto write = [&](const char* name, const Bytes& bytes) { ok &= Write(dir + name, bytes); };
    // Magic, size, type, version, ID, version, count, then the kind's own words.
    auto header = [](const char* type, uint32_t version, const char* id, uint32_t count) {
        Bytes out = {'C', 'c', 'n', 'K', 0, 0, 0, 0};
        out.insert(out.end(), type, type + 4);
        Add(out, Be32(version));
        out.insert(out.end(), id, id + 4);
        Add(Add(out, Be32(1)), Be32(count));
        return out;
    };
    auto finish = [](Bytes out, size_t declaredExtra) {
        const Bytes size = Be32(static_cast<uint32_t>(out.size() - 8 + declaredExtra));
        std::copy(size.begin(), size.end(), out.begin() + 4);
        return out;
    };

    // A 27-character name filling the field, the last byte of the field set too,
    // and bytes past the chunk that the size still covers.
    Bytes program = header("FPCh", 1, "MVXn", 16);
    const std::string name = "twenty-seven characters ok!";
    Add(program, Bytes(name.begin(), name.end()));
    program.push_back('#');
    Add(Add(program, Be32(4)), {1, 2, 3, 4, 9, 9});
    write("program-full-name.fxp", finish(program, 0));

    // An empty chunk, no name, another plug-in's ID, bytes after the declared end.
    Bytes empty = header("FPCh", 1, "Othr", 0);
    empty.resize(56, 0);
    Add(empty, Be32(0));
    Bytes emptyFile = finish(empty, 0);
    Add(emptyFile, {0xAA, 0xBB});
    write("program-empty-chunk.fxp", emptyFile);

    // Banks: version 2 names its current program; version 1 has the same word
    // reserved, here not zero; both with reserved bytes set.
    for (uint32_t version : {1u, 2u}) {
        Bytes bank = header("FBCh", version, "MVXn", 32);
        Add(bank, Be32(5));
        bank.resize(156, 0x11);
        Add(Add(bank, Be32(8)), {0, 1, 2, 3, 4, 5, 6, 7});
        write(version == 1 ? "bank-v1-reserved.fxb" : "bank-v2-current.fxb", finish(bank, 0));
    }

    // Refused: parameter values instead of a chunk, a chunk past the end, cut short.
    Bytes params = header("FxCk", 1, "MVXn", 2);
    params.resize(56, 0);
    write("program-parameters.fxp", finish(Cat(params, {0x3F, 0, 0, 0, 0, 0, 0, 0}), 0));
    Bytes past = header("FPCh", 1, "MVXn", 16);
    past.resize(56, 0);
    write("program-chunk-past-end.fxp", finish(Cat(past, Be32(100)), 0));
    write("truncated.fxp", {'C', 'c', 'n', 'K', 0, 0, 0, 0x40, 'F', 'P', 'C'});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_format_corpus <corpus folder>\n");
        return 2;
    }
    bool ok = true;
    Smf(std::string(argv[1]) + "/smf_fuzzer/", ok);
    Preset(std::string(argv[1]) + "/preset_fuzzer/", ok);
    if (!ok) {
        fprintf(stderr, "make_format_corpus: could not write the corpus under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
