// The FXP/FXB reader on any bytes, asked for a program and for a bank. A
// refusal must say what and where, and at most one kind may accept a file.
// An accepted file is written back and read again, and must round-trip both
// ways:
// - field for field: the fields read from the written file are the fields
//   read from the input;
// - byte for byte against the input's own bytes in canonical form, since the
//   writer cannot know what the reader skipped: the size word made exact,
//   nothing past the chunk, zeros in the reserved words and in the name field
//   after the name. A canonical input is therefore written back unchanged.
// The plug-in ID check must pass the file's own ID and refuse another.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/formats/fx_preset.h"
#include "violation.h"

using namespace moravox::host;

namespace {

constexpr size_t kFixedHeader = 28; // seven words: magic, size, type, version, ID, version, count
constexpr size_t kNameEnd = kFixedHeader + FxPreset::kNameField;

uint32_t Big32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
           static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

bool SameFields(const FxPreset& a, const FxPreset& b) {
    return a.kind == b.kind && a.version == b.version && a.fxId == b.fxId &&
           a.fxVersion == b.fxVersion && a.count == b.count && a.name == b.name &&
           a.currentProgram == b.currentProgram && a.chunk == b.chunk;
}

// The input as the writer must give it back, derived from the bytes alone.
std::vector<uint8_t> Canonical(const std::vector<uint8_t>& bytes, FxKind kind) {
    const size_t chunkAt =
        kind == FxKind::Program ? FxPreset::kProgramChunkOffset : FxPreset::kBankChunkOffset;
    const size_t end = chunkAt + Big32(bytes, chunkAt - 4);
    std::vector<uint8_t> canonical(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end));
    const uint32_t size = static_cast<uint32_t>(end - 8);
    for (int i = 0; i < 4; i++) canonical[4 + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    if (kind == FxKind::Program) {
        // At most 27 characters: the last byte of the field always ends the name.
        auto name = canonical.begin() + kFixedHeader;
        auto after = std::find(name, name + FxPreset::kNameField - 1, 0);
        std::fill(after, canonical.begin() + kNameEnd, 0);
    } else {
        const bool namesCurrent = static_cast<int32_t>(Big32(bytes, 12)) >= 2;
        std::fill(canonical.begin() + kFixedHeader + (namesCurrent ? 4 : 0),
                  canonical.begin() + static_cast<std::ptrdiff_t>(chunkAt - 4), 0);
    }
    return canonical;
}

bool Read(const std::vector<uint8_t>& bytes, FxKind kind, int32_t id, FxPreset& preset) {
    FormatError error;
    if (ReadFx(bytes, kind, id, preset, error)) return true;
    if (error.what.empty() || error.offset > bytes.size())
        Violation("a refusal without a reason or place");
    return false;
}

bool RoundTrip(const std::vector<uint8_t>& bytes, FxKind kind) {
    FxPreset preset;
    if (!Read(bytes, kind, 0, preset)) return false;
    if (preset.kind != kind) Violation("read as the other kind");

    FxPreset same;
    const int32_t other = preset.fxId == 1 ? 2 : 1;
    if (preset.fxId != 0 && (!Read(bytes, kind, preset.fxId, same) || !SameFields(same, preset)))
        Violation("the file was refused for its own plug-in ID");
    if (Read(bytes, kind, other, same)) Violation("the file was taken for another plug-in ID");

    const std::vector<uint8_t> written = WriteFx(preset);
    FxPreset again;
    if (!Read(written, kind, 0, again)) Violation("the written file was refused");
    if (!SameFields(again, preset)) Violation("the written file reads back other fields");
    if (written != Canonical(bytes, kind))
        Violation("the written file differs from the input's canonical bytes");
    if (WriteFx(again) != written) Violation("writing it again gave other bytes");
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    const bool program = RoundTrip(bytes, FxKind::Program);
    const bool bank = RoundTrip(bytes, FxKind::Bank);
    if (program && bank) Violation("one file read both as a program and as a bank");
    return 0;
}
