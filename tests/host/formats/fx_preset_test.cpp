#include "host/formats/fx_preset.h"
#include "plugin/protocol/vst_abi.h"
#include "host/smf_bytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace moravox::host;
using smf_bytes::Big32;
using smf_bytes::Bytes;
using smf_bytes::Cat;

namespace {

constexpr int32_t kId = FourCC('M', 'V', 'X', 'n');

FxPreset Program() {
    FxPreset preset;
    preset.kind = FxKind::Program;
    preset.version = 1;
    preset.fxId = kId;
    preset.fxVersion = 102;
    preset.count = 16;
    preset.name = "Lead";
    for (int i = 0; i < 220; ++i) preset.chunk.push_back(static_cast<uint8_t>(i * 7));
    return preset;
}

FxPreset Bank() {
    FxPreset preset;
    preset.kind = FxKind::Bank;
    preset.version = 2;
    preset.fxId = kId;
    preset.fxVersion = 102;
    preset.count = 32;
    preset.currentProgram = 5;
    preset.chunk.assign(7040, 0xA5);
    return preset;
}

Bytes Bytes32(const Bytes& bytes, size_t at) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

} // namespace

TEST(FxPreset, ProgramFileLayout) {
    const Bytes bytes = WriteFx(Program());
    ASSERT_EQ(bytes.size(), 60u + 220u);
    const Bytes header = Cat({{'C', 'c', 'n', 'K'},
                              Big32(272),
                              {'F', 'P', 'C', 'h'},
                              Big32(1),
                              {'M', 'V', 'X', 'n'},
                              Big32(102),
                              Big32(16),
                              {'L', 'e', 'a', 'd'}});
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 32), header);
    EXPECT_EQ(Bytes(bytes.begin() + 32, bytes.begin() + 56), Bytes(24, 0)); // rest of the name
    EXPECT_EQ(Bytes32(bytes, 56), Big32(220));
    EXPECT_EQ(Bytes(bytes.begin() + 60, bytes.end()), Program().chunk);
}

TEST(FxPreset, BankFileLayout) {
    const Bytes bytes = WriteFx(Bank());
    ASSERT_EQ(bytes.size(), 160u + 7040u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 12),
              Cat({{'C', 'c', 'n', 'K'}, Big32(7192), {'F', 'B', 'C', 'h'}}));
    EXPECT_EQ(Bytes32(bytes, 12), Big32(2));
    EXPECT_EQ(Bytes32(bytes, 24), Big32(32));
    EXPECT_EQ(Bytes32(bytes, 28), Big32(5)); // the current program
    EXPECT_EQ(Bytes(bytes.begin() + 32, bytes.begin() + 156), Bytes(124, 0));
    EXPECT_EQ(Bytes32(bytes, 156), Big32(7040));
}

TEST(FxPreset, RoundTripsByteForByte) {
    FxPreset longName = Program();
    longName.name = std::string(40, 'x');
    FxPreset oldBank = Bank();
    oldBank.version = 1; // no current program
    for (const FxPreset& original : {Program(), Bank(), longName, oldBank}) {
        const Bytes bytes = WriteFx(original);
        FxPreset read;
        FormatError error;
        ASSERT_TRUE(ReadFx(bytes, original.kind, kId, read, error)) << error.what;
        EXPECT_EQ(WriteFx(read), bytes);
        EXPECT_EQ(read.chunk, original.chunk);
        EXPECT_EQ(read.fxVersion, 102);
    }
    FxPreset read;
    FormatError error;
    ASSERT_TRUE(ReadFx(WriteFx(longName), FxKind::Program, kId, read, error));
    EXPECT_EQ(read.name, std::string(27, 'x')); // the field keeps 27 characters and a NUL
    ASSERT_TRUE(ReadFx(WriteFx(oldBank), FxKind::Bank, kId, read, error));
    EXPECT_EQ(read.currentProgram, 0);
    ASSERT_TRUE(ReadFx(WriteFx(Bank()), FxKind::Bank, kId, read, error));
    EXPECT_EQ(read.currentProgram, 5);
    // Bytes after the size the header declares are not part of the preset.
    Bytes trailing = WriteFx(Program());
    trailing.insert(trailing.end(), {1, 2, 3});
    ASSERT_TRUE(ReadFx(trailing, FxKind::Program, kId, read, error)) << error.what;
    EXPECT_EQ(read.chunk, Program().chunk);
}

TEST(FxPreset, MalformedFilesAreRefusedWithTheirOffset) {
    const Bytes program = WriteFx(Program());
    auto with = [](Bytes bytes, size_t at, const Bytes& value) {
        std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return bytes;
    };
    auto cut = [](const Bytes& bytes, size_t size) {
        return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    };
    struct Case {
        const char* name;
        Bytes bytes;
        FxKind kind;
        size_t offset;
        const char* what;
    };
    const Case cases[] = {
        {"wrong magic", with(program, 0, {'R', 'I', 'F', 'F'}), FxKind::Program, 0,
         "not a preset file: it starts with 'RIFF', not 'CcnK'"},
        {"empty", {}, FxKind::Program, 0, "the file ends inside the program header"},
        {"eleven bytes", cut(program, 11), FxKind::Program, 11,
         "the file ends inside the program header"},
        {"truncated", cut(program, 200), FxKind::Program, 4,
         "the file is truncated: its header declares 272 bytes after byte 8, but only 192"},
        {"wrong id", with(program, 16, {'A', 'B', 'C', 'D'}), FxKind::Program, 16,
         "the program is for the plug-in 'ABCD', not 'MVXn'"},
        {"bank as program", WriteFx(Bank()), FxKind::Program, 8,
         "a bank file ('FBCh') where a program file was expected"},
        {"program as bank", program, FxKind::Bank, 8,
         "a program file ('FPCh') where a bank file was expected"},
        {"parameter list", with(program, 8, {'F', 'x', 'C', 'k'}), FxKind::Program, 8,
         "a program of parameter values ('FxCk'); only chunk files ('FPCh') can be loaded"},
        {"unknown type", with(program, 8, {'W', 'h', 'a', 't'}), FxKind::Program, 8,
         "unknown preset type 'What'"},
        {"declared too small", with(cut(program, 60), 4, Big32(40)), FxKind::Program, 4,
         "the declared size 40 is too small for a program header"},
        {"chunk past end", with(program, 56, Big32(221)), FxKind::Program, 56,
         "chunk size 221 runs past the end of the file (220 bytes left)"},
        {"huge chunk", with(WriteFx(Bank()), 156, Big32(0xFFFFFFF0)), FxKind::Bank, 156,
         "chunk size 4294967280 runs past the end of the file (7040 bytes left)"},
        {"negative count", with(program, 24, Big32(0xFFFFFFFF)), FxKind::Program, 24,
         "the header counts -1 parameters"},
        {"count beyond the chunk", with(program, 24, Big32(221)), FxKind::Program, 24,
         "the header counts 221 parameters, more than its 220-byte chunk can hold"},
        {"huge count", with(WriteFx(Bank()), 24, Big32(0x7FFFFFFF)), FxKind::Bank, 24,
         "the header counts 2147483647 programs, more than its 7040-byte chunk can hold"},
    };
    for (const Case& c : cases) {
        FxPreset read = Program();
        read.name = "untouched";
        FormatError error;
        EXPECT_FALSE(ReadFx(c.bytes, c.kind, kId, read, error)) << c.name;
        EXPECT_EQ(error.offset, c.offset) << c.name << ": " << error.what;
        EXPECT_NE(error.what.find(c.what), std::string::npos) << c.name << ": " << error.what;
        EXPECT_EQ(error.Line("x.fxp").rfind("x.fxp: at byte " + std::to_string(c.offset) + ": ", 0),
                  0u);
    }
}
