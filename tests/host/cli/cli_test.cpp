#include "host/cli/cli.h"
#include "host/fake_plugin_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using moravox::host::RunCommandLine;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome RunInProcess(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Outcome outcome;
    outcome.status = RunCommandLine(args, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the real moravox-host binary; `mode` goes to the fake plug-in through its variable.
Outcome RunTool(const std::vector<std::string>& args, const char* mode = "0") {
    char outPath[] = "/tmp/moravox-host-out-XXXXXX";
    char errPath[] = "/tmp/moravox-host-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    Outcome outcome;
    if (outFd < 0 || errFd < 0) return outcome;
    const pid_t child = fork();
    if (child == 0) {
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        setenv("FAKE_PLUGIN_MODE", mode, 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(MORAVOX_HOST_TOOL));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(MORAVOX_HOST_TOOL, argv.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.status = WEXITSTATUS(status);
    }
    close(outFd);
    close(errFd);
    outcome.out = ReadFile(outPath);
    outcome.err = ReadFile(errPath);
    unlink(outPath);
    unlink(errPath);
    return outcome;
}

} // namespace

TEST(CommandLine, UsageAndBadUsage) {
    struct Case {
        std::vector<std::string> args;
        int status;
        bool usageOnStdout;
        const char* message;
    };
    const Case cases[] = {
        {{"--help"}, 0, true, ""},
        {{"-h"}, 0, true, ""},
        {{}, 2, false, "no command given"},
        {{"scan", "x.so"}, 2, false, "unknown command 'scan'"},
        {{"info"}, 2, false, "info takes exactly one plug-in path"},
        {{"info", "a.so", "b.so"}, 2, false, "info takes exactly one plug-in path"},
        {{"info", "--frob", "a.so"}, 2, false, "unknown option '--frob'"},
        {{"info", "--json"}, 2, false, "info takes exactly one plug-in path"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunInProcess(c.args);
        const std::string& usageStream = c.usageOnStdout ? outcome.out : outcome.err;
        EXPECT_EQ(outcome.status, c.status) << c.message;
        EXPECT_NE(usageStream.find("Usage: moravox-host COMMAND"), std::string::npos) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        if (c.status != 0) {
            EXPECT_EQ(outcome.out, "") << c.message;
        }
    }
}

TEST_F(FakePluginTest, InfoFailuresExitWithOne) {
    struct Case {
        std::string path;
        int mode;
        const char* message;
    };
    const Case cases[] = {
        {"/nonexistent/missing.so", 0,
         "moravox-host: cannot load plug-in '/nonexistent/missing.so'"},
        {NO_ENTRY_LIBRARY_PATH, 0, "exports neither VSTPluginMain nor main"},
        {FAKE_PLUGIN_PATH, fake::kModeRefuse, "the plug-in's entry returned no effect"},
        {FAKE_PLUGIN_PATH, fake::kModeBadMagic, "bad magic number"},
    };
    for (const Case& c : cases) {
        SetMode(c.mode);
        const Outcome outcome = RunInProcess({"info", c.path});
        EXPECT_EQ(outcome.status, 1) << c.message;
        EXPECT_EQ(outcome.out, "") << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
}

TEST(CommandLineTool, InfoPrintsTheReport) {
    const Outcome outcome = RunTool({"info", FAKE_PLUGIN_PATH});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    for (const char* line : {"Plug-in: " FAKE_PLUGIN_PATH "\n", "Effect name: Fake Effect\n",
                             "Unique ID: 'FaKe' (0x46614B65)\n", "  0: Gain = 0.50 dB\n",
                             "  2: Dark\n", "  sendVstMidiEvent: yes (1)\n",
                             "Editor: 300 x 120 (top 0, left 0, bottom 120, right 300)\n"}) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << outcome.out;
    }
}

TEST(CommandLineTool, ExitStatusesOfTheBinary) {
    struct Case {
        std::vector<std::string> args;
        const char* mode;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"info", "/nonexistent/missing.so"}, "0", 1, "cannot load plug-in"},
        {{"info", FAKE_PLUGIN_PATH}, "1", 1, "returned no effect"},
        {{"frobnicate"}, "0", 2, "Usage: moravox-host"},
        {{"--help"}, "0", 0, ""},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunTool(c.args, c.mode);
        EXPECT_EQ(outcome.status, c.status) << c.args[0];
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << outcome.err;
    }
}
