#include "cli_fixture.h"
#include "host/cli/cli_args.h"
#include "host/formats/file_io.h"
#include "host/formats/json.h"
#include "host/render/progress.h"

#include <sstream>
#include <sys/stat.h>

using namespace moravox::host;

TEST(CommandArguments, SplitsPlainArgumentsAndOptions) {
    CommandArguments args;
    std::string error;
    ASSERT_TRUE(args.Parse({"render", "a.so", "--set", "1=0.5", "in.mid", "--set=2=1", "-o",
                            "out.mid", "--keep-input", "-"},
                           1, {"--set", "-o"}, {"--keep-input"}, error))
        << error;
    EXPECT_EQ(args.Plain(), (std::vector<std::string>{"a.so", "in.mid", "-"}));
    EXPECT_EQ(args.All("--set"), (std::vector<std::string>{"1=0.5", "2=1"}));
    EXPECT_EQ(args.Last("-o"), "out.mid");
    EXPECT_TRUE(args.Has("--keep-input"));
    EXPECT_FALSE(args.Has("--tail"));
    EXPECT_EQ(args.Last("--tail"), "");

    CommandArguments flagWithValue;
    EXPECT_FALSE(flagWithValue.Parse({"x", "--keep-input=1"}, 1, {}, {"--keep-input"}, error));
    EXPECT_EQ(error, "unknown option '--keep-input=1'");
}

TEST(CommandArguments, NumberFormats) {
    uint64_t n = 0;
    EXPECT_TRUE(ParseInteger("4294967295", 0, UINT32_MAX, n));
    EXPECT_EQ(n, 4294967295u);
    for (const char* bad :
         {"", "+1", "-1", "1.0", " 1", "0x10", "4294967296", "99999999999999999999"}) {
        EXPECT_FALSE(ParseInteger(bad, 0, UINT32_MAX, n)) << bad;
    }
    float value = 0.0f;
    EXPECT_TRUE(ParseUnitValue("0.5", value));
    EXPECT_EQ(value, 0.5f);
    EXPECT_TRUE(ParseUnitValue("1", value));
    for (const char* bad :
         {"", "1.01", "-0", "nan", "inf", "infinity", "0x1p-1", "0.5x", " 0.5", "+0.5"}) {
        EXPECT_FALSE(ParseUnitValue(bad, value)) << bad;
    }
    struct Case {
        const char* text;
        uint32_t rate;
        uint64_t samples;
    };
    const Case cases[] = {{"1", 48000, 48000},
                          {"0.5", 44100, 22050},
                          {".1", 44100, 4410},
                          {"2.", 1000, 2000},
                          {"0.00001", 48000, 0},
                          {"0.00002", 48000, 1},     // 0.96 rounds up
                          {"0.000010417", 48000, 1}, // 0.500016: nearest
                          {"3600", 768000, 2764800000ull}};
    for (const Case& c : cases) {
        uint64_t samples = 0;
        EXPECT_TRUE(ParseSecondsAsSamples(c.text, c.rate, 3600, samples)) << c.text;
        EXPECT_EQ(samples, c.samples) << c.text;
    }
    uint64_t samples = 0;
    for (const char* bad : {"", ".", "-1", "1e3", "3601", "3600.1", "0.1234567891", "1,5"}) {
        EXPECT_FALSE(ParseSecondsAsSamples(bad, 48000, 3600, samples)) << bad;
    }
}

TEST(Json, QuotesEverythingAPlugInMaySay) {
    EXPECT_EQ(JsonWriter::Quote("plain"), "\"plain\"");
    EXPECT_EQ(JsonWriter::Quote("a \"b\" \\ c\n\t"), "\"a \\\"b\\\" \\\\ c\\n\\t\"");
    EXPECT_EQ(JsonWriter::Quote(std::string("\x01\x7f", 2)), "\"\\u0001\\u007f\"");
    EXPECT_EQ(JsonWriter::Quote("caf\xC3\xA9 \xE2\x82\xAC"), "\"caf\xC3\xA9 \xE2\x82\xAC\"");
    // Bytes that are not UTF-8 are read as Latin-1.
    EXPECT_EQ(JsonWriter::Quote("caf\xE9"), "\"caf\\u00e9\"");
    EXPECT_EQ(JsonWriter::Quote("\xC3"), "\"\\u00c3\"");                       // cut short
    EXPECT_EQ(JsonWriter::Quote("\xC0\xAF"), "\"\\u00c0\\u00af\"");            // overlong
    EXPECT_EQ(JsonWriter::Quote("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\""); // surrogate
}

TEST(Json, NestsWithCommasAndIndentation) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a").Number(-1);
    json.Key("b").BeginArray().String("x").Bool(false).Null().EndArray();
    json.Key("c").BeginObject().EndObject();
    json.Key("d").BeginArray().EndArray();
    json.EndObject();
    EXPECT_EQ(json.Text(), "{\n  \"a\": -1,\n  \"b\": [\n    \"x\",\n    false,\n    null\n  ],\n"
                           "  \"c\": {},\n  \"d\": []\n}\n");
}

TEST(ProgressBar, DrawsOnlyWhenThePercentageChanges) {
    EXPECT_EQ(ProgressBar::Line("rendering", 0),
              "rendering [........................................]   0%");
    EXPECT_EQ(ProgressBar::Line("r", 50), "r [####################....................]  50%");
    std::ostringstream out;
    ProgressBar bar(out, "r");
    bar.Update(0, 1000);
    bar.Update(9, 1000); // still 0 %
    bar.Update(500, 1000);
    bar.Update(1000, 1000);
    bar.Clear();
    const std::string wipe(ProgressBar::Line("r", 100).size(), ' ');
    EXPECT_EQ(out.str(), "\r" + ProgressBar::Line("r", 0) + "\r" + ProgressBar::Line("r", 50) +
                             "\r" + ProgressBar::Line("r", 100) + "\r" + wipe + "\r");
    std::ostringstream none;
    ProgressBar unused(none, "r");
    unused.Clear();
    EXPECT_EQ(none.str(), "");
}

TEST_F(CliTest, AtomicWriteReplacesWholeOrNotAtAll) {
    std::string error;
    const std::string target = Path("file.bin");
    ASSERT_TRUE(WriteFileAtomically(target, {1, 2, 3}, error)) << error;
    ASSERT_TRUE(WriteFileAtomically(target, {4, 5}, error)) << error;
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(Files(), std::vector<std::string>{"file.bin"});
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

    EXPECT_FALSE(WriteFileAtomically(Path("missing/file.bin"), {1}, error));
    EXPECT_EQ(error, "cannot write " + Path("missing/file.bin") + ": No such file or directory");
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    EXPECT_FALSE(WriteFileAtomically(Path("folder"), {1}, error)); // a folder is not replaced
    EXPECT_EQ(error.rfind("cannot write " + Path("folder") + ": ", 0), 0u);
    rmdir(Path("folder").c_str());
    EXPECT_EQ(Files(), std::vector<std::string>{"file.bin"});

    std::vector<uint8_t> bytes;
    EXPECT_FALSE(ReadFileBytes(Path("none"), bytes, error));
    EXPECT_EQ(error, "cannot read " + Path("none") + ": No such file or directory");
}

TEST_F(CliTest, InfoJsonForScripts) {
    const Outcome outcome = Run({"info", FAKE_PLUGIN_PATH, "--json"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out.rfind("{\n  \"path\": \"" FAKE_PLUGIN_PATH "\",\n", 0), 0u);
    for (const char* line :
         {"  \"uniqueId\": \"FaKe\",\n", "  \"uniqueIdNumber\": 1180781413,\n",
          "  \"flagNames\": [\n    \"hasEditor\",\n    \"canReplacing\"\n  ],\n",
          "      \"name\": \"Gain\",\n", "      \"label\": \"dB\"\n", "    \"Wide\"\n",
          "    \"receiveVstTimeInfo\": -1,\n", "    \"width\": 300,\n"}) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << outcome.out;
    }
    EXPECT_EQ(outcome.out.substr(outcome.out.size() - 3), "\n}\n");
}
