#include "host/formats/fx_preset.h"

#include "host/cli/report.h"
#include "plugin/protocol/vst_abi.h"

#include <algorithm>

namespace moravox::host {
namespace {

constexpr int32_t kChunkMagic = FourCC('C', 'c', 'n', 'K');
constexpr int32_t kProgramMagic = FourCC('F', 'P', 'C', 'h');
constexpr int32_t kBankMagic = FourCC('F', 'B', 'C', 'h');
constexpr int32_t kProgramParametersMagic = FourCC('F', 'x', 'C', 'k');
constexpr int32_t kBankParametersMagic = FourCC('F', 'x', 'B', 'k');
constexpr size_t kFixedHeader = 28; // the seven words every program and bank starts with

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

int32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | bytes[at + i];
    return static_cast<int32_t>(value);
}

std::string Quoted(int32_t code) {
    return "'" + FourCharCode(code) + "'";
}

std::string WrongType(int32_t found, FxKind expected) {
    const std::string kind = FxKindName(expected);
    if (found == kProgramParametersMagic || found == kBankParametersMagic) {
        return "a " + kind + " of parameter values (" + Quoted(found) + "); only chunk files (" +
               Quoted(expected == FxKind::Program ? kProgramMagic : kBankMagic) + ") can be loaded";
    }
    if (found == kProgramMagic || found == kBankMagic) {
        const FxKind other = expected == FxKind::Program ? FxKind::Bank : FxKind::Program;
        return "a " + std::string(FxKindName(other)) + " file (" + Quoted(found) + ") where a " +
               kind + " file was expected";
    }
    return "unknown preset type " + Quoted(found);
}

} // namespace

const char* FxFileType(FxKind kind) {
    return kind == FxKind::Program ? "FXP" : "FXB";
}

const char* FxKindName(FxKind kind) {
    return kind == FxKind::Program ? "program" : "bank";
}

std::vector<uint8_t> WriteFx(const FxPreset& preset) {
    const size_t chunkAt = preset.ChunkOffset();
    std::vector<uint8_t> bytes(chunkAt + preset.chunk.size(), 0);
    Put32(bytes, 0, static_cast<uint32_t>(kChunkMagic));
    Put32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
    const bool program = preset.kind == FxKind::Program;
    Put32(bytes, 8, static_cast<uint32_t>(program ? kProgramMagic : kBankMagic));
    Put32(bytes, 12, static_cast<uint32_t>(preset.version));
    Put32(bytes, 16, static_cast<uint32_t>(preset.fxId));
    Put32(bytes, 20, static_cast<uint32_t>(preset.fxVersion));
    Put32(bytes, 24, static_cast<uint32_t>(preset.count));
    if (program) {
        const size_t length = preset.name.size() < FxPreset::kNameField ? preset.name.size()
                                                                        : FxPreset::kNameField - 1;
        for (size_t i = 0; i < length; ++i) bytes[kFixedHeader + i] = preset.name[i];
    } else if (preset.version >= 2) {
        Put32(bytes, kFixedHeader, static_cast<uint32_t>(preset.currentProgram));
    }
    Put32(bytes, chunkAt - 4, static_cast<uint32_t>(preset.chunk.size()));
    std::copy(preset.chunk.begin(), preset.chunk.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(chunkAt));
    return bytes;
}

bool ReadFx(const std::vector<uint8_t>& bytes, FxKind expected, int32_t expectedId,
            FxPreset& preset, FormatError& error) {
    const size_t size = bytes.size();
    const std::string truncated =
        "the file ends inside the " + std::string(FxKindName(expected)) + " header";
    if (size >= 4 && Get32(bytes, 0) != kChunkMagic) {
        error = {0,
                 "not a preset file: it starts with " + Quoted(Get32(bytes, 0)) + ", not 'CcnK'"};
        return false;
    }
    if (size < 12) {
        error = {size, truncated};
        return false;
    }
    const uint32_t declared = static_cast<uint32_t>(Get32(bytes, 4));
    if (declared > size - 8) {
        error = {4, "the file is truncated: its header declares " + std::to_string(declared) +
                        " bytes after byte 8, but only " + std::to_string(size - 8) + " follow"};
        return false;
    }
    const size_t end = 8 + static_cast<size_t>(declared); // anything after this is not ours
    const int32_t type = Get32(bytes, 8);
    if (type != (expected == FxKind::Program ? kProgramMagic : kBankMagic)) {
        error = {8, WrongType(type, expected)};
        return false;
    }
    FxPreset read; // handed out only when the whole file is good
    read.kind = expected;
    const size_t chunkAt = read.ChunkOffset();
    if (end < chunkAt) {
        error = {4, "the declared size " + std::to_string(declared) + " is too small for a " +
                        FxKindName(expected) + " header"};
        return false;
    }
    read.version = Get32(bytes, 12);
    read.fxId = Get32(bytes, 16);
    read.fxVersion = Get32(bytes, 20);
    read.count = Get32(bytes, 24);
    if (expectedId != 0 && read.fxId != expectedId) {
        error = {16, "the " + std::string(FxKindName(expected)) + " is for the plug-in " +
                         Quoted(read.fxId) + ", not " + Quoted(expectedId)};
        return false;
    }
    if (expected == FxKind::Program) {
        for (size_t i = kFixedHeader; i < kFixedHeader + FxPreset::kNameField - 1; ++i) {
            if (bytes[i] == 0) break;
            read.name += static_cast<char>(bytes[i]);
        }
    } else if (read.version >= 2) {
        read.currentProgram = Get32(bytes, kFixedHeader);
    }
    const uint32_t chunkSize = static_cast<uint32_t>(Get32(bytes, chunkAt - 4));
    if (chunkSize > end - chunkAt) {
        error = {chunkAt - 4, "chunk size " + std::to_string(chunkSize) +
                                  " runs past the end of the file (" +
                                  std::to_string(end - chunkAt) + " bytes left)"};
        return false;
    }
    // Whatever the chunk's own layout, a parameter or a program takes a byte of it at least.
    const char* counted = expected == FxKind::Program ? " parameters" : " programs";
    if (read.count < 0 || static_cast<uint32_t>(read.count) > chunkSize) {
        error = {24, "the header counts " + std::to_string(read.count) + counted +
                         (read.count < 0 ? "" : ", more than its " + std::to_string(chunkSize) +
                                                    "-byte chunk can hold")};
        return false;
    }
    read.chunk.assign(bytes.begin() + static_cast<std::ptrdiff_t>(chunkAt),
                      bytes.begin() + static_cast<std::ptrdiff_t>(chunkAt + chunkSize));
    preset = std::move(read);
    return true;
}

} // namespace moravox::host
