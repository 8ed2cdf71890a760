// Program (.fxp) and bank (.fxb) files in the format VST 2 hosts exchange: a big-endian header
// and the plug-in's own opaque chunk.
#pragma once

#include "host/formats/format_error.h"

#include <cstdint>
#include <string>
#include <vector>

namespace moravox::host {

enum class FxKind { Program, Bank };

struct FxPreset {
    // Where the chunk starts in the file, and how long the program name field is.
    static constexpr size_t kProgramChunkOffset = 60;
    static constexpr size_t kBankChunkOffset = 160;
    static constexpr size_t kNameField = 28;

    FxKind kind = FxKind::Program;
    int32_t version = 1;        // of the file format; banks of version 2 name their current program
    int32_t fxId = 0;           // the plug-in's unique ID
    int32_t fxVersion = 0;      // the plug-in's version
    int32_t count = 0;          // parameters for a program, programs for a bank
    std::string name;           // programs: at most 27 characters are kept
    int32_t currentProgram = 0; // banks of version 2
    std::vector<uint8_t> chunk;

    size_t ChunkOffset() const {
        return kind == FxKind::Program ? kProgramChunkOffset : kBankChunkOffset;
    }
};

// "FXP" or "FXB", and "program" or "bank".
const char* FxFileType(FxKind kind);
const char* FxKindName(FxKind kind);

std::vector<uint8_t> WriteFx(const FxPreset& preset);

// Reads a file of the expected kind for the plug-in with this unique ID. False, with the problem
// and its byte offset in `error`, for a wrong magic, a file of the other kind or for another
// plug-in, a truncated file, a chunk size beyond the file, or a count of parameters or
// programs that is negative or more than the chunk's bytes.
bool ReadFx(const std::vector<uint8_t>& bytes, FxKind expected, int32_t expectedId,
            FxPreset& preset, FormatError& error);

} // namespace moravox::host
