#include "cli_fixture.h"
#include "host/formats/fx_preset.h"
#include "plugin/protocol/vst_abi.h"
#include "host/smf_bytes.h"

#include <cstring>
#include <string>
#include <vector>

using namespace moravox::host;

namespace {

FxPreset ReadPreset(const std::vector<uint8_t>& bytes, FxKind kind) {
    FxPreset preset;
    FormatError error;
    EXPECT_TRUE(ReadFx(bytes, kind, FourCC('M', 'V', 'X', 'n'), preset, error)) << error.what;
    return preset;
}

} // namespace

TEST_F(CliTest, PresetSaveWritesTheCurrentProgram) {
    const Outcome outcome = Run({"preset", "save", MORAVOX_PLUGIN_PATH, Path("a.fxp"), "--program",
                                 "4", "--set", "3=1", "--set", "5=0.2", "--name", "Scatter"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "Saved program 4 \"Scatter\" (220-byte chunk) to " + Path("a.fxp") + "\n");
    const std::vector<uint8_t> bytes = ReadBytes(Path("a.fxp"));
    ASSERT_EQ(bytes.size(), 280u);
    const FxPreset preset = ReadPreset(bytes, FxKind::Program);
    EXPECT_EQ(preset.version, 1);
    EXPECT_EQ(preset.fxVersion, 102);
    EXPECT_EQ(preset.count, 16);
    EXPECT_EQ(preset.name, "Scatter");
    ASSERT_EQ(preset.chunk.size(), 220u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(preset.chunk.data())), "Scatter");
    EXPECT_EQ(preset.chunk[49], 1); // channel randomizing on
    EXPECT_EQ(preset.chunk[72], 3); // channel maximum, little-endian

    // Loading it and saving again gives the same bytes, into any program.
    ASSERT_EQ(Run({"preset", "save", MORAVOX_PLUGIN_PATH, Path("b.fxp"), "--program", "9",
                   "--preset", Path("a.fxp")})
                  .status,
              0);
    EXPECT_EQ(ReadBytes(Path("b.fxp")), bytes);
    const Outcome info = Run({"info", MORAVOX_PLUGIN_PATH, "--preset", Path("a.fxp")});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("  3: OP: Channel (enable) = On\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("  5: OP: Channel (max) = 3\n"), std::string::npos);
    EXPECT_NE(info.out.find("  0: Scatter\n"), std::string::npos); // into the current program
}

TEST_F(CliTest, BankSaveKeepsEveryProgramAndTheCurrentOne) {
    ASSERT_EQ(Run({"bank", "save", MORAVOX_PLUGIN_PATH, Path("a.fxb"), "--program", "3", "--set",
                   "9=1", "--name", "Three"})
                  .status,
              0);
    const std::vector<uint8_t> bytes = ReadBytes(Path("a.fxb"));
    ASSERT_EQ(bytes.size(), 160u + 7040u);
    const FxPreset bank = ReadPreset(bytes, FxKind::Bank);
    EXPECT_EQ(bank.version, 2);
    EXPECT_EQ(bank.count, 32);
    EXPECT_EQ(bank.currentProgram, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank.chunk[3 * 220])), "Three");

    // Loaded without --program, the bank's current program is selected again.
    ASSERT_EQ(
        Run({"bank", "save", MORAVOX_PLUGIN_PATH, Path("b.fxb"), "--bank", Path("a.fxb")}).status,
        0);
    EXPECT_EQ(ReadBytes(Path("b.fxb")), bytes);
    const Outcome info = Run({"info", MORAVOX_PLUGIN_PATH, "--bank", Path("a.fxb"), "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\"currentProgram\": 3,"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"display\": \"On\""), std::string::npos);
    EXPECT_NE(info.out.find("    \"Three\",\n"), std::string::npos);
}

TEST_F(CliTest, BadPresetFilesChangeNothingAndNameTheProblem) {
    ASSERT_EQ(Run({"preset", "save", MORAVOX_PLUGIN_PATH, Path("good.fxp")}).status, 0);
    const std::vector<uint8_t> good = ReadBytes(Path("good.fxp"));
    auto with = [&good](size_t at, std::vector<uint8_t> value) {
        std::vector<uint8_t> bytes = good;
        std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return bytes;
    };
    // A 100-byte chunk: well-formed file, but the plug-in refuses the chunk.
    FxPreset small = ReadPreset(good, FxKind::Program);
    small.chunk.resize(100);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* line;
    };
    const Case cases[] = {
        {"magic", with(0, {'X', 'c', 'n', 'K'}), "at byte 0: not a preset file"},
        {"id", with(16, {'M', 'V', 'X', 'x'}),
         "at byte 16: the program is for the plug-in 'MVXx', not 'MVXn'"},
        {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 100),
         "at byte 4: the file is truncated"},
        {"chunk size", with(56, smf_bytes::Big32(500)),
         "at byte 56: chunk size 500 runs past the end of the file (220 bytes left)"},
        {"refused", WriteFx(small),
         "at byte 60: the plug-in refused the program chunk of 100 bytes"},
    };
    for (const Case& c : cases) {
        const std::string bad = Path(std::string(c.name) + ".fxp");
        WriteBytes(bad, c.bytes);
        const Outcome render =
            Run({"render", MORAVOX_PLUGIN_PATH, MORAVOX_SOURCE_DIR "/tests/host/golden/riff.mid",
                 "-o", Path("out.mid"), "--preset", bad});
        EXPECT_EQ(render.status, 2) << c.name;
        EXPECT_EQ(render.err, "moravox-host: " + bad + ": " + c.line +
                                  render.err.substr(render.err.find(c.line) + strlen(c.line)))
            << c.name;
        EXPECT_EQ(Lines(render.err).size(), 1u) << render.err;
        EXPECT_FALSE(Exists(Path("out.mid"))) << c.name;
        // A bad preset after a good bank: the program saved is the bank's, untouched.
        const Outcome save =
            Run({"preset", "save", MORAVOX_PLUGIN_PATH, Path("after.fxp"), "--preset", bad});
        EXPECT_EQ(save.status, 2) << c.name;
        EXPECT_FALSE(Exists(Path("after.fxp"))) << c.name;
    }
    const Outcome wrongKind = Run({"info", MORAVOX_PLUGIN_PATH, "--bank", Path("good.fxp")});
    EXPECT_EQ(wrongKind.status, 2);
    EXPECT_EQ(wrongKind.err, "moravox-host: " + Path("good.fxp") +
                                 ": at byte 8: a program file ('FPCh') where a bank file was "
                                 "expected\n");
}

TEST_F(CliTest, PresetCommandUsage) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"preset"}, "preset takes 'save': preset save PLUGIN.so OUT.fxp"},
        {{"bank", "load", "x.so", "y.fxb"}, "bank takes 'save': bank save PLUGIN.so OUT.fxb"},
        {{"preset", "save", "x.so"}, "preset save takes a plug-in and an output file"},
        {{"bank", "save", "x.so", "y.fxb", "--json"}, "unknown option '--json'"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
    const Outcome fake = Run({"preset", "save", FAKE_PLUGIN_PATH, Path("x.fxp")});
    EXPECT_EQ(fake.status, 1);
    EXPECT_EQ(fake.err, "moravox-host: the plug-in does not keep its programs as chunks\n");
    EXPECT_TRUE(Files().empty());
}
