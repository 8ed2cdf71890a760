#include "cli_fixture.h"
#include "host/fake_plugin_fixture.h"
#include "host/formats/smf_reader.h"
#include "host/smf_bytes.h"

#include <string>
#include <vector>

using namespace smf_bytes;

namespace {

const std::string kRiff = MORAVOX_SOURCE_DIR "/tests/host/golden/riff.mid";

} // namespace

TEST_F(CliTest, RenderWritesTheFileAndOneSummaryLine) {
    const Outcome outcome =
        Run({"render", MORAVOX_PLUGIN_PATH, kRiff, "-o", Path("out.mid"), "--rate", "44100",
             "--block", "128", "--tail", "0.5", "--keep-input"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const std::vector<std::string> lines = Lines(outcome.out);
    ASSERT_EQ(lines.size(), 1u) << outcome.out;
    EXPECT_EQ(lines[0].rfind("68 events in, ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(" s of music in "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(", real-time factor "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("; wrote " + Path("out.mid")), std::string::npos) << lines[0];
    EXPECT_EQ(outcome.err.find('\r'), std::string::npos); // no progress bar off a terminal
    EXPECT_EQ(Files(), std::vector<std::string>{"out.mid"});

    moravox::host::SmfFile file;
    moravox::host::FormatError error;
    ASSERT_TRUE(moravox::host::ReadSmf(ReadBytes(Path("out.mid")), file, error)) << error.what;
    EXPECT_EQ(file.format, 1u);
    EXPECT_EQ(file.division, 96u);
    EXPECT_EQ(file.tracks.size(), 2u);
}

TEST_F(CliTest, MalformedMidiGivesOneLineExitTwoAndNoOutput) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* line; // after "moravox-host: FILE: "
    };
    const Bytes header = Header(0, 1, 96);
    const Case cases[] = {
        {"truncated chunk", Cat({header, {'M', 'T', 'r', 'k'}, Big32(10), {0, 0x90}}),
         "at byte 18: track 1 length 10 runs past the end of the file (2 bytes left)"},
        {"bad header",
         {'M', 'T', 'h', 'x', 0, 0, 0, 6},
         "at byte 0: not a MIDI file: it starts with 'MThx', not 'MThd'"},
        {"running status", Cat({header, Track({0x00, 0x40, 0x40})}),
         "at byte 23: running status with no status byte before it"},
        {"absurd number", Cat({header, Track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}),
         "at byte 22: variable-length number longer than four bytes"},
    };
    for (const Case& c : cases) {
        const std::string input = Path(std::string(c.name) + ".mid");
        WriteBytes(input, c.bytes);
        WriteBytes(Path("old.mid"), {1, 2, 3}); // an earlier output stays as it was
        const Outcome outcome = Run({"render", MORAVOX_PLUGIN_PATH, input, "-o", Path("old.mid")});
        EXPECT_EQ(outcome.status, 2) << c.name;
        EXPECT_EQ(outcome.err, "moravox-host: " + input + ": " + c.line + "\n") << c.name;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(ReadBytes(Path("old.mid")), (std::vector<uint8_t>{1, 2, 3})) << c.name;
        Run({"render", MORAVOX_PLUGIN_PATH, input, "-o", Path("new.mid")});
        EXPECT_FALSE(Exists(Path("new.mid"))) << c.name;
        unlink(input.c_str());
        EXPECT_EQ(Files(), std::vector<std::string>{"old.mid"}) << c.name; // no temporary file
    }
}

TEST_F(CliTest, RenderFailuresOfPlugInAndFiles) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::string out = Path("out.mid");
    const Case cases[] = {
        {"missing plug-in",
         {"render", "/nonexistent/x.so", kRiff, "-o", out},
         1,
         "moravox-host: cannot load plug-in '/nonexistent/x.so'"},
        {"not a plug-in",
         {"render", NO_ENTRY_LIBRARY_PATH, kRiff, "-o", out},
         1,
         "moravox-host: '" NO_ENTRY_LIBRARY_PATH "' is not a VST plug-in"},
        {"no seed request",
         {"render", FAKE_PLUGIN_PATH, kRiff, "-o", out, "--seed", "1"},
         1,
         "moravox-host: the plug-in does not take the seed request ('MVXs')"},
        {"missing input",
         {"render", MORAVOX_PLUGIN_PATH, Path("none.mid"), "-o", out},
         2,
         "moravox-host: cannot read " + Path("none.mid") + ": No such file or directory"},
        {"missing folder",
         {"render", MORAVOX_PLUGIN_PATH, kRiff, "-o", Path("no/out.mid")},
         1,
         "moravox-host: cannot write " + Path("no/out.mid") + ": No such file or directory"},
        {"program out of range",
         {"render", MORAVOX_PLUGIN_PATH, kRiff, "-o", out, "--program", "32"},
         2,
         "moravox-host: --program 32: the plug-in has 32 programs, numbered from 0"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.err.rfind(c.err, 0), 0u) << c.name << ": " << outcome.err;
        EXPECT_TRUE(Files().empty()) << c.name;
    }
}

TEST_F(FakePluginTest, RenderFailsWhenTheEntryRefuses) {
    SetMode(fake::kModeRefuse);
    std::ostringstream out, err;
    const int status = moravox::host::RunCommandLine(
        {"render", FAKE_PLUGIN_PATH, kRiff, "-o", "/nonexistent/out.mid"}, out, err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.str(), "moravox-host: '" FAKE_PLUGIN_PATH "': the plug-in's entry returned no "
                         "effect\n");
}

TEST_F(CliTest, RenderUsageErrors) {
    struct Case {
        std::vector<std::string> extra;
        const char* message;
    };
    const Case cases[] = {
        {{}, "render needs an output file: -o OUT.mid"},
        {{"-o", "x.mid", "extra"}, "render takes a plug-in and a MIDI file"},
        {{"-o", "x.mid", "--rate", "999"}, "--rate takes a sample rate from 1000 to 768000"},
        {{"-o", "x.mid", "--rate", "48k"}, "--rate takes a sample rate"},
        {{"-o", "x.mid", "--block", "0"}, "--block takes a block size from 1 to 65536"},
        {{"-o", "x.mid", "--tail", "-1"}, "--tail takes seconds from 0 to 3600"},
        {{"-o", "x.mid", "--tail", "1.2.3"}, "--tail takes seconds"},
        {{"-o", "x.mid", "--tail", "3600.5"}, "--tail takes seconds"},
        {{"-o", "x.mid", "--set", "2=1.5"}, "--set takes INDEX=VALUE with a value from 0 to 1"},
        {{"-o", "x.mid", "--set", "x=0.5"}, "not 'x=0.5'"},
        {{"-o", "x.mid", "--set", "3"}, "not '3'"},
        {{"-o", "x.mid", "--seed", "4294967296"}, "--seed takes a number from 0 to 4294967295"},
        {{"-o", "x.mid", "--program", "-1"}, "--program takes a program number from 0"},
        {{"-o", "x.mid", "--shuffle"}, "unknown option '--shuffle'"},
        {{"-o"}, "option -o needs a value"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render", MORAVOX_PLUGIN_PATH, kRiff};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.status, 2) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("Usage: moravox-host"), std::string::npos) << c.message;
    }
}

TEST_F(CliTest, DumpListsEventsInWords) {
    const Outcome outcome = Run({"dump", kRiff, "--limit", "3"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const std::vector<std::string> lines = Lines(outcome.out);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], kRiff + ": format 1, 2 tracks, 96 ticks per quarter note");
    EXPECT_EQ(lines[1], "Track 1: 4 events, ends at tick 1536 (7.428568 s)");
    EXPECT_EQ(lines[4], "           0      0.000000 s  tempo 500000 us per quarter note");
    EXPECT_EQ(lines[5], "  ... 1 more");
    EXPECT_EQ(lines[8], "           0      0.000000 s  control change channel 0 controller 1 "
                        "value 0");
    EXPECT_EQ(lines[9], "           0      0.000000 s  note-on channel 0 note 48 velocity 100");

    WriteBytes(Path("bad.mid"), {'M', 'T', 'h', 'd'});
    const Outcome bad = Run({"dump", Path("bad.mid")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "moravox-host: " + Path("bad.mid") +
                           ": at byte 4: the file ends inside the header chunk\n");
}
