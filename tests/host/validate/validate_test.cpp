// The validation suite, run as the real tool against a plug-in with one fault at a time: it must
// name the check that catches the fault and exit non-zero, and pass the same plug-in without it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun Validate(const std::string& plugin, const std::string& fault, const std::string& options) {
    if (fault.empty())
        unsetenv("FLAWED_PLUGIN_FAULT");
    else
        setenv("FLAWED_PLUGIN_FAULT", fault.c_str(), 1);
    const std::string command = std::string(MORAVOX_HOST_TOOL) + " validate " + plugin + " " +
                                options + " 2>/dev/null";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t size;
    while ((size = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, size);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct Fault {
    const char* fault;
    const char* failingCheck;
};

class ValidateCatches : public ::testing::TestWithParam<Fault> {};

TEST(Validate, PassesAWellBehavedPlugInWithOneLinePerCheck) {
    const ToolRun run = Validate(FLAWED_PLUGIN_PATH, "", "--no-gui --strictness 3 --seed 5");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
    for (const char* check : {"PASS  open.cold", "PASS  open.scan-cycles", "PASS  state.bank-chunk",
                              "PASS  process.rates-and-block-sizes", "PASS  parameters.display"})
        EXPECT_NE(run.out.find(check), std::string::npos) << check << "\n" << run.out;
    EXPECT_EQ(run.out.find("editor."), std::string::npos) << "--no-gui runs editor checks";
}

TEST_P(ValidateCatches, TheFaultInTheCheckMeantForIt) {
    const ToolRun run = Validate(FLAWED_PLUGIN_PATH, GetParam().fault, "--no-gui --strictness 3 --seed 5");
    if (std::string(GetParam().failingCheck) == "realtime.audio-thread" &&
        !MORAVOX_TOOL_HAS_GUARD) {
        // A sanitizer build of the tool carries no real-time guard and says so.
        EXPECT_NE(run.out.find("SKIP  realtime.audio-thread"), std::string::npos) << run.out;
        return;
    }
    EXPECT_EQ(run.status, 1) << run.out;
    const std::string line = std::string("FAIL  ") + GetParam().failingCheck;
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    EXPECT_NE(run.out.find("Reproduce with:"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ValidateCatches,
    ::testing::Values(Fault{"bad-midi", "process.rates-and-block-sizes"},
                      Fault{"late-event", "process.rates-and-block-sizes"},
                      Fault{"touches-audio", "process.rates-and-block-sizes"},
                      Fault{"chunk-drift", "state.program-chunk-round-trip"},
                      Fault{"keeps-nan", "parameters.out-of-range-and-non-finite"},
                      Fault{"unstable-display", "parameters.display-stable"},
                      Fault{"leaks-thread", "open.scan-cycles"},
                      Fault{"allocates", "realtime.audio-thread"}),
    [](const ::testing::TestParamInfo<Fault>& info) {
        std::string name = info.param.fault;
        for (char& c : name)
            if (c == '-') c = '_';
        return name;
    });

TEST(Validate, RefusesBadOptionsAndMissingLibraries) {
    EXPECT_EQ(Validate(FLAWED_PLUGIN_PATH, "", "--strictness 11").status, 2);
    EXPECT_EQ(Validate(FLAWED_PLUGIN_PATH, "", "--seed -1").status, 2);
    EXPECT_EQ(Validate("/nonexistent/plugin.so", "", "--no-gui").status, 1);
}

} // namespace
