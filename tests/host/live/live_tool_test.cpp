// moravox-host live when it cannot run: bad usage, a plug-in that does not load, no JACK server.
// Each ends at once with one line saying why and its own exit status.
#include "host/cli/cli.h"
#include "live_fixture.h"

#include <sstream>

using livetest::ToolProcess;

namespace {

// A server name nobody runs, so the tool finds no server whatever else is running.
std::string AbsentServer() {
    return "JACK_DEFAULT_SERVER=" + livetest::UniqueName("moravox-absent");
}

} // namespace

TEST(LiveToolTest, BadUsageGivesStatus2AndSaysWhat) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"live"}, "exactly one plug-in path"},
        {{"live", "a.so", "b.so"}, "exactly one plug-in path"},
        {{"live", "a.so", "-p", "3"}, "-p takes INDEX:VALUE"},
        {{"live", "a.so", "-p", "3=0.5"}, "-p takes INDEX:VALUE"},
        {{"live", "a.so", "-p", "3:1.5"}, "-p takes INDEX:VALUE"},
        {{"live", "a.so", "--seed", "-1"}, "--seed takes a number"},
        {{"live", "a.so", "--preset"}, "needs a value"},
        {{"live", "a.so", "--jack"}, "unknown option '--jack'"},
    };
    for (const Case& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(moravox::host::RunCommandLine(c.args, out, err), 2) << c.message;
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

TEST(LiveToolTest, APluginThatDoesNotLoadGivesItsMessageAndStatus2) {
    struct Case {
        const char* plugin;
        std::vector<std::string> env;
        const char* message;
    };
    const std::vector<Case> cases = {
        {NO_ENTRY_LIBRARY_PATH, {}, "exports neither VSTPluginMain nor main"},
        {FAKE_PLUGIN_PATH, {"FAKE_PLUGIN_MODE=1"}, "the plug-in's entry returned no effect"},
        {"/nonexistent/moravox.so", {}, "cannot load plug-in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> env = c.env;
        env.push_back(AbsentServer()); // the plug-in is loaded before the server is looked for
        ToolProcess tool({"live", c.plugin, "--no-gui"}, env);
        EXPECT_EQ(tool.Wait(), 2);
        const std::vector<std::string> lines = livetest::Lines(tool.Err());
        ASSERT_EQ(lines.size(), 1u) << tool.Err();
        EXPECT_NE(lines[0].find(c.message), std::string::npos) << lines[0];
    }
}

TEST(LiveToolTest, WithoutAServerItSaysSoInOneLineAndExits1) {
    const std::string server = AbsentServer();
    ToolProcess tool({"live", FAKE_PLUGIN_PATH, "--no-gui"}, {server});
    EXPECT_EQ(tool.Wait(), 1);
    const std::vector<std::string> lines = livetest::Lines(tool.Err());
    ASSERT_EQ(lines.size(), 1u) << tool.Err();
    EXPECT_EQ(lines[0], "moravox-host: cannot connect to the JACK server '" +
                            server.substr(server.find('=') + 1) + "' (is jackd running?)");
    EXPECT_EQ(tool.Out(), "");
}
