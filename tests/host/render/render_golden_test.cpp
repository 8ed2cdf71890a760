// Seeded renders of a fixed input, one per generator, against files the tool wrote once (see
// golden/README.md). The same files serve the x86_64 and the i386 build.
#include "host/cli/cli_fixture.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kGolden = MORAVOX_SOURCE_DIR "/tests/host/golden/";

struct Generator {
    const char* name;
    const char* value; // of parameter 20
    const char* seed;  // one above 2^31, which an i386 host passes as a negative value
};

const Generator kGenerators[] = {
    {"crt", "0", "2024"}, {"mersenne", "0.5", "2024"}, {"parkmiller", "1", "4000000000"}};

// Everything randomized: channel 0..3, controller 13..38, an inverted value range, both
// through switches, every 2nd trigger, offsets up to half a block, three events per trigger.
std::vector<std::string> RenderArgs(const std::string& output, const char* seed,
                                    const char* generator) {
    std::vector<std::string> args = {
        "render", MORAVOX_PLUGIN_PATH, kGolden + "riff.mid", "-o", output, "--seed", seed};
    for (const char* setting : {"3=1", "5=0.2", "6=1", "7=0.1", "8=0.3", "9=1", "10=0.8", "11=0.2",
                                "12=1", "13=1", "17=0.2", "18=0.5", "19=0.3"}) {
        args.push_back("--set");
        args.push_back(setting);
    }
    args.push_back("--set");
    args.push_back(std::string("20=") + generator);
    return args;
}

} // namespace

TEST_F(CliTest, SeededRenderOfEachGeneratorMatchesItsGoldenFile) {
    for (const Generator& g : kGenerators) {
        const Outcome outcome = Run(RenderArgs(Path(g.name), g.seed, g.value));
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const std::vector<uint8_t> golden = ReadBytes(kGolden + "riff-" + g.name + ".mid");
        ASSERT_FALSE(golden.empty()) << g.name;
        EXPECT_TRUE(ReadBytes(Path(g.name)) == golden)
            << g.name << ": the render differs from golden/riff-" << g.name << ".mid";
    }
}

TEST_F(CliTest, SameSeedSameBytesOtherSeedOtherBytes) {
    for (const Generator& g : kGenerators) {
        const std::string first = Path(std::string(g.name) + "-1");
        const std::string second = Path(std::string(g.name) + "-2");
        const std::string other = Path(std::string(g.name) + "-3");
        ASSERT_EQ(Run(RenderArgs(first, "77", g.value)).status, 0);
        ASSERT_EQ(Run(RenderArgs(second, "77", g.value)).status, 0);
        ASSERT_EQ(Run(RenderArgs(other, "78", g.value)).status, 0);
        EXPECT_TRUE(ReadBytes(first) == ReadBytes(second)) << g.name;
        EXPECT_FALSE(ReadBytes(first) == ReadBytes(other)) << g.name;
    }
}

namespace {

struct Case {
    std::string name;
    std::vector<std::string> args;
};

// cases.txt: a golden file's name, then the render's own arguments; files named there are
// in the golden folder.
std::vector<Case> MixCases() {
    std::vector<Case> cases;
    std::ifstream lines(kGolden + "cases.txt");
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        Case c;
        if (!(words >> c.name) || c.name[0] == '#') continue;
        for (std::string word; words >> word;) {
            const std::string ext = word.size() > 4 ? word.substr(word.size() - 4) : "";
            c.args.push_back(ext == ".mid" || ext == ".fxb" ? kGolden + word : word);
        }
        cases.push_back(c);
    }
    return cases;
}

} // namespace

TEST_F(CliTest, SeededRendersOfTheMixMatchTheirGoldenFiles) {
    const std::vector<Case> cases = MixCases();
    ASSERT_GE(cases.size(), 13u);
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render", MORAVOX_PLUGIN_PATH, kGolden + "mix.mid", "-o",
                                         Path(c.name)};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome outcome = Run(args);
        ASSERT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
        const std::vector<uint8_t> golden = ReadBytes(kGolden + c.name + ".mid");
        ASSERT_FALSE(golden.empty()) << c.name;
        EXPECT_TRUE(ReadBytes(Path(c.name)) == golden)
            << c.name << ": the render differs from golden/" << c.name << ".mid";
    }
}
