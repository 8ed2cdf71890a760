// The editor under load and torn down in every order hosts use: many open/close cycles
// while other threads process blocks and automate parameters, and the library unloaded
// or the connection closed before the plug-in is.
#include "gui_host_fixture.h"

namespace {

std::string RunHost(const std::string& display, const std::vector<std::string>& options,
                    int& status, std::string& errors) {
    guihost::GuiHost host;
    if (!host.Start(display, options)) {
        status = -1;
        return host.State();
    }
    std::string rest;
    status = host.Finish(rest, errors, 120000);
    return rest;
}

class EditorStress : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()); }
    guihost::PrivateServer server;
};

TEST_P(EditorStress, HundredReopeningsUnderLoadLeakNothing) {
    int status = 0;
    std::string errors;
    const std::string report = RunHost(server.Name(),
                                       {"--host-model", std::to_string(GetParam()), "--cycles",
                                        "100", "--process", "--notes", "--automate"},
                                       status, errors);
    ASSERT_EQ(status, 0) << errors;
    EXPECT_EQ(errors.find("XError"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("ThreadSanitizer"), std::string::npos) << errors;
    EXPECT_EQ(guihost::Field(report, "count"), 100) << report;
    const std::vector<double> windows = guihost::Array(report, "windows");
    ASSERT_EQ(windows.size(), 2u) << report;
    EXPECT_GT(windows[0], 0);
    EXPECT_EQ(windows[0], windows[1]) << "X windows after the first and the last cycle";
    const std::vector<double> rss = guihost::Array(report, "rss_kb");
    ASSERT_EQ(rss.size(), 2u);
    // A sanitizer's own bookkeeping grows with every thread it sees.
    if (guihost::Field(report, "sanitized") == 0) {
        EXPECT_LT(rss[1] - rss[0], 2048) << report;
    }
}

struct Order {
    const char* name;
    int model;
};

void PrintTo(const Order& order, std::ostream* out) {
    *out << order.name << " (model " << order.model << ")";
}

class EditorTeardown : public ::testing::TestWithParam<Order> {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()); }
    guihost::PrivateServer server;
};

TEST_P(EditorTeardown, WindowsGoBeforeTheirConnectionWhateverTheOrder) {
    int status = 0;
    std::string errors;
    RunHost(server.Name(),
            {"--host-model", std::to_string(GetParam().model), "--teardown", GetParam().name,
             "--seconds", "0.3", "--process"},
            status, errors);
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(errors.find("XError"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("ERROR"), std::string::npos) << errors;
}

INSTANTIATE_TEST_SUITE_P(HostModels, EditorStress, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Model" + std::to_string(info.param);
                         });

INSTANTIATE_TEST_SUITE_P(Orders, EditorTeardown,
                         ::testing::Values(Order{"normal", 1}, Order{"display-first", 1},
                                           Order{"display-first", 2}, Order{"display-first", 3},
                                           Order{"unload-first", 1}, Order{"unload-first", 2},
                                           Order{"unload-first", 3}, Order{"no-edit-close", 1},
                                           Order{"no-edit-close", 3}),
                         [](const ::testing::TestParamInfo<Order>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name + "_Model" + std::to_string(info.param.model);
                         });

} // namespace
