// Several instances of the plug-in in one `moravox-host gui`, each editor in a window of
// ours side by side, in each of the three ways hosts embed an editor.
#include "gui_host_fixture.h"

#include <algorithm>
#include <cmath>

namespace {

using guihost::Array;
using guihost::Drawn;
using guihost::Eventually;
using guihost::Field;

// Where toggles are on the panel (its own coordinates): E, C, N, V.
constexpr int kToggleX = 40, kEnableY = 101, kChannelY = 143, kNumberY = 168, kValueY = 193;

std::string At(int k) {
    return "@" + std::to_string(k) + " ";
}

double ParamOf(guihost::GuiHost& host, int k, int index) {
    const std::vector<double> params = Array(host.Ask(At(k) + "params"), "params");
    return params.size() > static_cast<size_t>(index) ? params[index] : -1.0;
}

bool ParamBecomes(guihost::GuiHost& host, int k, int index, double expected) {
    return Eventually([&] { return std::fabs(ParamOf(host, k, index) - expected) < 1e-6; });
}

// Instance k's panel and where it is on the screen, from its state.
struct Placed {
    Window panel = 0;
    int x = -1, y = -1;
};

Placed PanelOf(guihost::GuiHost& host, int k) {
    const std::string state = host.Ask(At(k) + "state");
    const std::vector<double> at = Array(state, "panel_at");
    Placed placed;
    placed.panel = static_cast<Window>(Field(state, "panel"));
    if (at.size() == 2) {
        placed.x = static_cast<int>(at[0]);
        placed.y = static_cast<int>(at[1]);
    }
    return placed;
}

// Whether the window is still one of the screen's top-level windows.
bool OnScreen(Display* d, Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    bool found = false;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        found = std::find(children, children + count, window) != children + count;
    if (children) XFree(children);
    return found;
}

void ExpectCleanFinish(guihost::GuiHost& host) {
    std::string rest, errors;
    EXPECT_EQ(host.Finish(rest, errors), 0) << errors;
    EXPECT_EQ(errors.find("XError"), std::string::npos) << errors;
}

class InstancesInHost : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << "Xvfb did not start";
        ASSERT_TRUE(host.Start(server.Name(), {"--host-model", std::to_string(GetParam()),
                                               "--instances", "2", "--commands", "--at", "0,0"}))
            << host.State();
    }

    guihost::PrivateServer server;
    guihost::GuiHost host;
};

TEST_P(InstancesInHost, EachEditorHasItsOwnWindowPanelAndParameters) {
    Display* d = server.D();
    std::string state[2];
    for (int k = 0; k < 2; k++) {
        state[k] = host.Ask("@" + std::to_string(k) + " state");
        EXPECT_EQ(Field(state[k], "instance"), k) << state[k];
        EXPECT_EQ(Field(state[k], "open"), 1) << state[k];
        EXPECT_EQ(Field(state[k], "mapped"), 1) << state[k];
        // Kinds 1 and 2 found each editor's procedure; kind 3 never looks for one.
        EXPECT_EQ(Field(state[k], "procedure"), GetParam() == 3 ? 0 : 1) << state[k];
    }
    const auto panel = [&](int k) { return static_cast<Window>(Field(state[k], "panel")); };
    ASSERT_NE(panel(0), 0u);
    ASSERT_NE(panel(1), 0u);
    EXPECT_NE(panel(0), panel(1));
    EXPECT_NE(Field(state[0], "window"), Field(state[1], "window"));
    EXPECT_EQ(panel(0), host.Panel()) << "instance 0 is the one the first line told of";
    EXPECT_TRUE(Eventually(
        [&] { return guihost::Viewable(d, panel(0)) && guihost::Viewable(d, panel(1)); }));
    // Side by side: the second window starts right of the first, on the same line, and each
    // panel is inside its own window.
    const std::vector<double> at0 = Array(state[0], "top_at"), at1 = Array(state[1], "top_at");
    const std::vector<double> size0 = Array(state[0], "top");
    ASSERT_EQ(at0.size(), 2u);
    ASSERT_EQ(at1.size(), 2u);
    ASSERT_EQ(size0.size(), 2u);
    EXPECT_GE(at1[0], at0[0] + size0[0]) << state[0] << '\n' << state[1];
    EXPECT_EQ(at1[1], at0[1]);
    for (int k = 0; k < 2; k++) {
        const std::vector<double> at = k ? at1 : at0, panelAt = Array(state[k], "panel_at");
        ASSERT_EQ(panelAt.size(), 2u);
        EXPECT_GE(panelAt[0], at[0]) << state[k];
        EXPECT_LT(panelAt[0], at[0] + size0[0]) << state[k];
    }

    // Each instance keeps its own parameters; no prefix means instance 0.
    const auto params = [&](const std::string& prefix) {
        return Array(host.Ask(prefix + "params"), "params");
    };
    const std::vector<double> before = params("@0 ");
    ASSERT_EQ(before.size(), 21u);
    EXPECT_EQ(host.Ask("@1 set 17 0.5"), "{\"ok\":1}");
    EXPECT_NEAR(params("@1 ").at(17), 0.5, 1e-6);
    EXPECT_EQ(params("@0 "), before);
    EXPECT_EQ(host.Ask("set 17 0.3"), "{\"ok\":1}");
    EXPECT_NEAR(params("").at(17), 0.3, 1e-6);
    EXPECT_NEAR(params("@1 ").at(17), 0.5, 1e-6);
    EXPECT_EQ(host.Ask("@2 params"), "{\"error\":\"no such instance\"}");

    // The report keeps instance 0's figures where they were and adds each instance's own.
    std::string rest, errors;
    EXPECT_EQ(host.Finish(rest, errors), 0) << errors;
    EXPECT_EQ(errors.find("XError"), std::string::npos) << errors;
    const size_t report = rest.find("{\"report\":");
    ASSERT_NE(report, std::string::npos) << rest;
    EXPECT_NEAR(Array(rest.substr(report), "params").at(17), 0.3, 1e-6) << rest;
    const size_t second = rest.find("{\"instance\":1,", report);
    ASSERT_NE(second, std::string::npos) << rest;
    EXPECT_NEAR(Array(rest.substr(second), "params").at(17), 0.5, 1e-6) << rest;
}

// Carla's way: every editor on its own connection, closed when that editor closes. Closing
// or removing one instance leaves the others taking clicks and repainting.
TEST(InstancesOnTheirOwnConnections, EachEditorOutlivesTheOthersConnections) {
    guihost::PrivateServer server;
    guihost::GuiHost host;
    ASSERT_TRUE(server.Start()) << "Xvfb did not start";
    ASSERT_TRUE(host.Start(server.Name(), {"--host-model", "2", "--reconnect", "--instances", "2",
                                           "--commands", "--process", "--at", "0,0"}))
        << host.State();
    Display* d = server.D();
    guihost::Input input(d);
    // Where the panel is, asked again until it is on the screen: an editor just reopened on a
    // new connection is placed and mapped a little after the host says it is open.
    const auto click = [&](int k, int y) {
        Placed p;
        ASSERT_TRUE(Eventually([&] {
            p = PanelOf(host, k);
            return p.x >= 0 && p.y >= 0 && guihost::Viewable(d, p.panel);
        })) << k;
        input.Click(p.x + kToggleX, p.y + y);
    };

    // A click goes to the instance under the pointer only.
    click(1, kChannelY);
    EXPECT_TRUE(ParamBecomes(host, 1, 3, 1.0));
    EXPECT_EQ(ParamOf(host, 0, 3), 0.0);

    // The first editor goes, and its connection with it.
    const Window firstTop = static_cast<Window>(Field(host.Ask("@0 state"), "window"));
    EXPECT_EQ(host.Ask("@0 close"), "{\"ok\":1}");
    EXPECT_EQ(Field(host.Ask("@0 state"), "window"), 0);
    EXPECT_TRUE(Eventually([&] { return !OnScreen(d, firstTop); }));
    click(1, kNumberY);
    EXPECT_TRUE(ParamBecomes(host, 1, 6, 1.0));

    // Automation redraws the second editor, and so does the server after a hide and show.
    const Placed second = PanelOf(host, 1);
    const std::string off = guihost::Painted(d, second.panel, kToggleX, kValueY);
    EXPECT_EQ(host.Ask("@1 set 9 1"), "{\"ok\":1}");
    EXPECT_TRUE(Eventually([&] { return Drawn(d, second.panel, kToggleX, kValueY) != off; }));
    const std::string on = guihost::Painted(d, second.panel, kToggleX, kValueY);
    const Window secondTop = static_cast<Window>(Field(host.Ask("@1 state"), "window"));
    XUnmapWindow(d, secondTop);
    XSync(d, False);
    EXPECT_TRUE(Eventually([&] { return !guihost::Viewable(d, second.panel); }));
    XMapWindow(d, secondTop);
    XSync(d, False);
    EXPECT_TRUE(Eventually([&] {
        return guihost::Viewable(d, second.panel) &&
               Drawn(d, second.panel, kToggleX, kValueY) == on;
    }));

    // A third instance on a new connection, and the first back on another one.
    EXPECT_EQ(host.Ask("add"), "{\"ok\":1,\"instance\":2}");
    click(2, kValueY);
    EXPECT_TRUE(ParamBecomes(host, 2, 9, 1.0));
    EXPECT_EQ(host.Ask("@0 open"), "{\"ok\":1}");
    click(0, kEnableY);
    EXPECT_TRUE(ParamBecomes(host, 0, 0, 0.0));

    // Removing the first instance leaves the others as they were.
    EXPECT_EQ(host.Ask("@0 remove"), "{\"ok\":1}");
    click(1, kChannelY);
    EXPECT_TRUE(ParamBecomes(host, 1, 3, 0.0));
    click(2, kChannelY);
    EXPECT_TRUE(ParamBecomes(host, 2, 3, 1.0));
    EXPECT_EQ(ParamOf(host, 2, 6), 0.0);
    ExpectCleanFinish(host);
}

// One shared connection (Ardour's way), three editors closed and reopened in every order:
// the others stay shown, and at the end each still takes its own clicks.
TEST(InstancesOnOneConnection, EditorsCloseAndReopenInEveryOrder) {
    guihost::PrivateServer server;
    guihost::GuiHost host;
    ASSERT_TRUE(server.Start()) << "Xvfb did not start";
    ASSERT_TRUE(host.Start(server.Name(), {"--host-model", "1", "--instances", "3", "--commands",
                                           "--at", "0,0"}))
        << host.State();
    Display* d = server.D();
    Placed panels[3];
    for (int k = 0; k < 3; k++) panels[k] = PanelOf(host, k);
    int order[3] = {0, 1, 2};
    do {
        bool open[3] = {true, true, true};
        const auto othersShown = [&] {
            for (int k = 0; k < 3; k++)
                if (open[k] != guihost::Viewable(d, panels[k].panel)) return false;
            return true;
        };
        for (int k : order) {
            EXPECT_EQ(host.Ask(At(k) + "close"), "{\"ok\":1}");
            open[k] = false;
            EXPECT_TRUE(Eventually(othersShown)) << "closing " << k;
        }
        for (int k : order) {
            EXPECT_EQ(host.Ask(At(k) + "open"), "{\"ok\":1}");
            open[k] = true;
            EXPECT_TRUE(Eventually(othersShown)) << "opening " << k;
        }
    } while (std::next_permutation(order, order + 3));
    guihost::Input input(d);
    const int toggles[3] = {kChannelY, kNumberY, kValueY};
    const int params[3] = {3, 6, 9};
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(PanelOf(host, k).panel, panels[k].panel) << "the panel is kept on one connection";
        input.Click(panels[k].x + kToggleX, panels[k].y + toggles[k]);
        EXPECT_TRUE(ParamBecomes(host, k, params[k], 1.0)) << k;
    }
    for (int k = 0; k < 3; k++)
        for (int other = 0; other < 3; other++)
            if (other != k) {
                EXPECT_EQ(ParamOf(host, k, params[other]), 0.0) << k << ' ' << other;
            }
    // The events still queued for a removed instance's windows are dropped quietly.
    EXPECT_EQ(host.Ask("@1 remove"), "{\"ok\":1}");
    input.Click(panels[2].x + kToggleX, panels[2].y + kChannelY);
    EXPECT_TRUE(ParamBecomes(host, 2, 3, 1.0));
    EXPECT_TRUE(guihost::Viewable(d, panels[0].panel));
    ExpectCleanFinish(host);
}

// Two editors on two connections reopened over and over while audio and automation run on
// their own threads (the sanitizer builds look for races here), and both keep playing.
TEST(InstancesOnTheirOwnConnections, ReopenWhileProcessingAndAutomating) {
    guihost::PrivateServer server;
    guihost::GuiHost host;
    ASSERT_TRUE(server.Start()) << "Xvfb did not start";
    ASSERT_TRUE(host.Start(server.Name(), {"--host-model", "2", "--reconnect", "--instances", "2",
                                           "--process", "--notes", "--automate", "--cycles",
                                           "30", "--at", "0,0"}))
        << host.State();
    std::string rest, errors;
    EXPECT_EQ(host.Finish(rest, errors), 0) << errors;
    EXPECT_EQ(errors.find("XError"), std::string::npos) << errors;
    const size_t report = rest.find("{\"report\":");
    ASSERT_NE(report, std::string::npos) << rest;
    EXPECT_EQ(Field(rest.substr(report), "count"), 60) << rest;
    for (int k = 0; k < 2; k++) {
        const size_t at = rest.find("{\"instance\":" + std::to_string(k) + ",", report);
        ASSERT_NE(at, std::string::npos) << rest;
        EXPECT_GT(Field(rest.substr(at), "note_on"), 0) << rest;
    }
}

INSTANTIATE_TEST_SUITE_P(HostModels, InstancesInHost, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Model" + std::to_string(info.param);
                         });

} // namespace
