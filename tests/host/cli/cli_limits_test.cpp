// What the tool refuses before it reads, renders or writes too much, what it says about
// itself, and how it writes over what is already there.
#include "cli_fixture.h"
#include "host/formats/file_io.h"
#include "host/smf_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>

using namespace smf_bytes;

namespace {

const std::string kRiff = MORAVOX_SOURCE_DIR "/tests/host/golden/riff.mid";

void Patch(std::vector<uint8_t>& bytes, size_t at, const Bytes& value) {
    std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// A sparse file of `size` zero bytes, so a large one costs no disk.
bool MakeZeros(const std::string& path, uint64_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

} // namespace

TEST_F(CliTest, LimitsAreRefusedInOneLineWithNothingWritten) {
    // Valid preset files, to spoil one header field of each.
    ASSERT_EQ(Run({"preset", "save", MORAVOX_PLUGIN_PATH, Path("good.fxp")}).status, 0);
    ASSERT_EQ(Run({"bank", "save", MORAVOX_PLUGIN_PATH, Path("good.fxb")}).status, 0);
    std::vector<uint8_t> bytes = ReadBytes(Path("good.fxb"));
    Patch(bytes, 24, Big32(0xFFFFFFFF));
    WriteBytes(Path("minus.fxb"), bytes);
    Patch(bytes, 24, Big32(0x7FFFFFFF));
    WriteBytes(Path("huge.fxb"), bytes);
    bytes = ReadBytes(Path("good.fxp"));
    Patch(bytes, 24, Big32(221));
    WriteBytes(Path("count.fxp"), bytes);
    // Division 1, the slowest tempo and one delta as long as a delta can be: 40 bytes that
    // last 142 years.
    WriteBytes(Path("long.mid"),
               Cat({Header(0, 1, 1), Track({0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0x7F, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F,
                                            0x00})}));
    ASSERT_TRUE(MakeZeros(Path("big.mid"), moravox::host::kMaxInputBytes + 1));
    ASSERT_TRUE(MakeZeros(Path("limit.mid"), moravox::host::kMaxInputBytes));
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);

    const std::string out = Path("out");
    auto render = [&](const std::string& input, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"render", MORAVOX_PLUGIN_PATH, input, "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    struct Case {
        std::vector<std::string> args;
        std::string message; // in the first line of stderr
    };
    const Case cases[] = {
        {render("/dev/zero"), "cannot read /dev/zero: not a regular file (a character device)"},
        {render(Path("fifo")), "cannot read " + Path("fifo") + ": not a regular file (a FIFO)"},
        {render(dir_), "cannot read " + dir_ + ": not a regular file (a directory)"},
        {render(Path("big.mid")),
         "cannot read " + Path("big.mid") + ": 67108865 bytes, more than the 64 MiB"},
        {render(Path("limit.mid")), Path("limit.mid") + ": at byte 0: not a MIDI file"},
        {{"preset", "save", MORAVOX_PLUGIN_PATH, out, "--bank", "/dev/zero"},
         "cannot read /dev/zero: not a regular file"},
        {render(Path("long.mid")), Path("long.mid") + ": the music lasts 4503599342.157825 s, "
                                                      "longer than the limit of 86400 s"},
        {render(kRiff, {"--max-length", "7.4"}), "longer than the limit of 7.4 s"},
        {render(kRiff, {"--max-length", "1e3"}), "--max-length takes seconds"},
        {render(kRiff, {"--set", "99=1"}), "--set 99=1: no parameter 99; the indices are 0 to "
                                           "15, 17 to 20 and 49"},
        {render(kRiff, {"--set", "16=1"}), "no parameter 16"},
        {render(kRiff, {"--set", "21=0.5"}), "no parameter 21"},
        {render(kRiff, {"--set", "48=1"}), "no parameter 48"},
        {render(kRiff, {"--set", "3=nan"}), "not '3=nan'"},
        {render(kRiff, {"--set", "3=inf"}), "not '3=inf'"},
        {render(kRiff, {"--set", "3=0x1p-1"}), "not '3=0x1p-1'"},
        {render(kRiff, {"--set", "3=on"}), "not '3=on'"},
        {render(kRiff, {"--bank", Path("minus.fxb")}),
         Path("minus.fxb") + ": at byte 24: the header counts -1 programs"},
        {{"bank", "save", MORAVOX_PLUGIN_PATH, out, "--bank", Path("huge.fxb")},
         "at byte 24: the header counts 2147483647 programs, more than its 7040-byte chunk"},
        {{"preset", "save", MORAVOX_PLUGIN_PATH, out, "--preset", Path("count.fxp")},
         "at byte 24: the header counts 221 parameters, more than its 220-byte chunk"},
    };
    std::vector<std::string> before = Files();
    std::sort(before.begin(), before.end());
    for (const Case& c : cases) {
        const std::string& name = c.message;
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(outcome.status, 2) << name;
        const size_t newline = outcome.err.find('\n');
        const std::string first = outcome.err.substr(0, newline);
        EXPECT_EQ(first.rfind("moravox-host: ", 0), 0u) << outcome.err;
        EXPECT_NE(first.find(c.message), std::string::npos) << outcome.err;
        // The one line, and for a usage error the help after it.
        const std::string rest = outcome.err.substr(std::min(newline + 1, outcome.err.size()));
        EXPECT_TRUE(rest.empty() || rest.rfind("\nUsage: moravox-host", 0) == 0) << outcome.err;
        EXPECT_EQ(outcome.out, "") << name;
        std::vector<std::string> after = Files();
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before) << name; // no output, no temporary file
    }
}

TEST_F(CliTest, VersionOfToolAndPlugIn) {
    const Outcome version = Run({"--version"});
    ASSERT_EQ(version.status, 0);
    EXPECT_EQ(version.err, "");
    const Outcome shortVersion = Run({"-V"});
    EXPECT_EQ(shortVersion.status, 0);
    EXPECT_EQ(shortVersion.out, version.out);
    const std::vector<std::string> lines = Lines(version.out);
    ASSERT_EQ(lines.size(), 4u) << version.out;
    EXPECT_EQ(lines[0], "moravox-host 1.02");
    EXPECT_EQ(lines[1], "plug-in: Moravox 1.02");
    EXPECT_EQ(lines[2], std::string("architecture: ") + (sizeof(void*) == 8 ? "x86_64" : "i386"));
    EXPECT_EQ(lines[3].rfind("build type: ", 0), 0u);
    EXPECT_GT(lines[3].size(), std::string("build type: ").size());

    // The record's raw numbers stay; the version people know is said beside them.
    const Outcome info = Run({"info", MORAVOX_PLUGIN_PATH});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Plug-in version: 1\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Vendor version: 102\nVersion: 1.02\n"), std::string::npos);
    const Outcome json = Run({"info", MORAVOX_PLUGIN_PATH, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("  \"version\": 1,\n"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("  \"vendorVersion\": 102,\n  \"versionText\": \"1.02\",\n"),
              std::string::npos);
}

TEST_F(CliTest, BankCurrentProgramOutOfRangeWarnsAndSelectsProgramZero) {
    ASSERT_EQ(Run({"bank", "save", MORAVOX_PLUGIN_PATH, Path("good.fxb")}).status, 0);
    const std::vector<uint8_t> good = ReadBytes(Path("good.fxb"));
    struct Case {
        uint32_t saved;
        std::vector<std::string> extra;
        const char* current; // what info then says
        bool warns;
    };
    const Case cases[] = {
        {31, {}, "31", false},
        {32, {}, "0", true},
        {static_cast<uint32_t>(-1), {}, "0", true},
        {1000, {}, "0", true},
        {1000, {"--program", "5"}, "5", false}, // the saved number is not used
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        Patch(bytes, 28, Big32(c.saved));
        WriteBytes(Path("bank.fxb"), bytes);
        std::vector<std::string> args = {"info", MORAVOX_PLUGIN_PATH, "--bank", Path("bank.fxb")};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome outcome = Run(args);
        const std::string saved = std::to_string(static_cast<int32_t>(c.saved));
        EXPECT_EQ(outcome.status, 0) << saved << ": " << outcome.err;
        EXPECT_NE(outcome.out.find(std::string("Current program: ") + c.current + "\n"),
                  std::string::npos)
            << saved;
        const std::string warning = "moravox-host: warning: " + Path("bank.fxb") +
                                    ": the current program " + saved +
                                    " is not one of 0 to 31; program 0 is selected\n";
        EXPECT_EQ(outcome.err, c.warns ? warning : "") << saved;
    }
}

TEST_F(CliTest, OutputsGoThroughSymbolicLinksAndKeepTheirMode) {
    const mode_t mask = umask(0);
    umask(mask);
    struct Case {
        const char* name;
        std::string link;   // what the output, a link, holds; "": the output is the file
        std::string second; // what a second link, "link-2", holds
        const char* target; // the file written
        mode_t before;      // 0: the file does not exist yet
        mode_t after;
    };
    const Case cases[] = {
        {"plain file", "", "", "plain.mid", 0640, 0640},
        // Relative to the link's folder, not the working one.
        {"relative link", "real.mid", "", "real.mid", 0604, 0604},
        {"absolute link", Path("abs.mid"), "", "abs.mid", 0600, 0600},
        {"chain", "link-2", "chain.mid", "chain.mid", 0640, 0640},
        {"dangling link", "new.mid", "", "new.mid", 0, 0666 & ~mask},
    };
    for (const Case& c : cases) {
        const std::string target = Path(c.target);
        if (c.before != 0) {
            WriteBytes(target, {1, 2, 3});
            ASSERT_EQ(chmod(target.c_str(), c.before), 0);
        }
        const std::string output = c.link.empty() ? target : Path("link");
        if (!c.link.empty()) {
            ASSERT_EQ(symlink(c.link.c_str(), output.c_str()), 0) << c.name;
        }
        if (!c.second.empty()) {
            ASSERT_EQ(symlink(c.second.c_str(), Path("link-2").c_str()), 0) << c.name;
        }
        const Outcome outcome = Run({"render", MORAVOX_PLUGIN_PATH, kRiff, "-o", output});
        ASSERT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
        struct stat info {};
        ASSERT_EQ(lstat(target.c_str(), &info), 0) << c.name;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << c.name;
        EXPECT_EQ(info.st_mode & 07777, c.after) << c.name;
        EXPECT_GT(ReadBytes(target).size(), 3u) << c.name; // the render, not the old bytes
        if (!c.link.empty()) {
            char holds[PATH_MAX] = {};
            EXPECT_GT(readlink(output.c_str(), holds, sizeof holds - 1), 0) << c.name;
            EXPECT_EQ(holds, c.link) << c.name; // still the link, unchanged
        }
        for (const std::string& file : Files()) {
            EXPECT_NE(file[0], '.') << c.name << ": a temporary file is left: " << file;
            unlink(Path(file).c_str());
        }
    }

    // What a rename would replace with a regular file is refused, and stays what it was.
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("fifo", Path("to-fifo").c_str()), 0);
    const Outcome fifo = Run({"preset", "save", MORAVOX_PLUGIN_PATH, Path("to-fifo")});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_EQ(fifo.err, "moravox-host: cannot write " + Path("to-fifo") +
                            ": not a regular file (a FIFO)\n");
    struct stat info {};
    ASSERT_EQ(lstat(Path("fifo").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(Files().size(), 2u);
}
