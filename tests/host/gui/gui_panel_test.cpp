// The panel inside `moravox-host gui`, in each of the three ways hosts embed an editor,
// driven with real pointer and key input.
#include "gui_host_fixture.h"

#include <X11/keysym.h>

#include <cmath>

namespace {

using guihost::Eventually;

// Where things are on the panel (its own coordinates).
constexpr int kNormalX = 20, kNormalY = 76;

class PanelInHost : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << "Xvfb did not start";
        input = std::make_unique<guihost::Input>(server.D());
        ASSERT_TRUE(host.Start(server.Name(), {"--host-model", std::to_string(GetParam()),
                                               "--commands", "--process", "--at", "0,0"}))
            << host.State();
        // Ready for input once the server shows the panel.
        ASSERT_TRUE(Eventually([&] { return guihost::Viewable(server.D(), host.Panel()); }));
    }
    void TearDown() override {
        std::string rest, errors;
        EXPECT_EQ(host.Finish(rest, errors), 0) << errors;
        EXPECT_EQ(errors.find("XError"), std::string::npos) << errors;
    }

    // A point of the panel on the screen.
    int X(int x) const { return host.X() + x; }
    int Y(int y) const { return host.Y() + y; }
    bool ParamBecomes(int index, double expected) {
        return Eventually([&] { return std::fabs(host.Param(index) - expected) < 1e-6; });
    }
    bool MidiBecomes(const std::string& kind, double expected) {
        return Eventually([&] { return host.Midi(kind) == expected; });
    }
    Window Child(int x, int y, int width, int height) {
        return guihost::ChildAt(server.D(), host.Panel(), x, y, width, height);
    }

    guihost::PrivateServer server;
    guihost::GuiHost host;
    std::unique_ptr<guihost::Input> input;
};

// One user action on one control and the parameter value it must lead to.
struct Action {
    const char* control;
    int x, y; // centre of the control on the panel
    enum { Click, WheelUp, WheelDown, DragDown } kind;
    int steps;
    int parameter;
    double expected;
};

TEST_P(PanelInHost, EveryControlDrivesItsParameterWithItsScaling) {
    const int nx = kNormalX, ny = kNormalY;
    const Action normal[] = {
        {"E", nx + 20, ny + 25, Action::Click, 1, 0, 0.0},
        {"C", nx + 20, ny + 67, Action::Click, 1, 3, 1.0},
        {"N", nx + 20, ny + 92, Action::Click, 1, 6, 1.0},
        {"V", nx + 20, ny + 117, Action::Click, 1, 9, 1.0},
        {"input type", nx + 69, ny + 27, Action::WheelUp, 5, 1, 5.0 / 22},
        {"output type", nx + 129, ny + 27, Action::WheelUp, 1, 2, 1.0},
        {"channel min", nx + 80, ny + 67, Action::WheelUp, 3, 4, 3.0 / 15},
        {"channel max", nx + 138, ny + 67, Action::WheelDown, 1, 5, 14.0 / 15},
        {"number min", nx + 80, ny + 92, Action::WheelUp, 2, 7, 2.0 / 127},
        {"number max", nx + 138, ny + 92, Action::WheelDown, 2, 8, 125.0 / 127},
        {"value min", nx + 80, ny + 117, Action::WheelUp, 7, 10, 7.0 / 127},
        // Left drags step once per 5 pixels.
        {"value max", nx + 138, ny + 115, Action::DragDown, 2, 11, 125.0 / 127},
        {"preset switching", 168, 66, Action::Click, 1, 15, 1.0},
    };
    const Action advanced[] = {
        {"every nth", nx + 138, ny + 39, Action::WheelUp, 2, 17, 0.3},
        {"offset", nx + 138, ny + 55, Action::WheelUp, 4, 18, 0.04},
        {"event count", nx + 138, ny + 71, Action::WheelUp, 1, 19, 0.2},
        {"randomizer", nx + 138, ny + 87, Action::WheelUp, 1, 20, 1.0},
        {"in-thru", nx + 137, ny + 103, Action::Click, 1, 13, 1.0},
        {"thru", nx + 137, ny + 119, Action::Click, 1, 12, 1.0},
    };
    auto run = [&](const Action& a) {
        switch (a.kind) {
        case Action::Click: input->Click(X(a.x), Y(a.y)); break;
        case Action::WheelUp: input->Wheel(X(a.x), Y(a.y), true, a.steps); break;
        case Action::WheelDown: input->Wheel(X(a.x), Y(a.y), false, a.steps); break;
        case Action::DragDown: input->Drag(X(a.x), Y(a.y), 6, a.steps); break;
        }
        EXPECT_TRUE(ParamBecomes(a.parameter, a.expected))
            << a.control << ": parameter " << a.parameter << " is " << host.Param(a.parameter)
            << ", expected " << a.expected;
    };
    for (const Action& a : normal) run(a);
    input->Click(X(102), Y(220)); // ADV
    for (const Action& a : advanced) run(a);
}

TEST_P(PanelInHost, HostAutomationReachesTheDialWithoutAnEventBack) {
    const double automatedBefore = host.Midi("automated");
    const int dialX = kNormalX + 80, dialY = kNormalY + 67;
    const std::string before = guihost::Painted(server.D(), host.Panel(), dialX, dialY);
    EXPECT_EQ(host.Ask("set 4 0.2"), "{\"ok\":1}");
    // The idle tick redraws the dial; that refresh must not call back into the host.
    EXPECT_TRUE(Eventually(
        [&] { return guihost::Drawn(server.D(), host.Panel(), dialX, dialY) != before; }));
    EXPECT_EQ(host.Midi("automated"), automatedBefore);
    // The dial now holds 4: one step up from there is channel 5.
    input->Wheel(X(kNormalX + 80), Y(kNormalY + 67), true, 1);
    EXPECT_TRUE(ParamBecomes(4, 4.0 / 15)) << host.Param(4);
}

TEST_P(PanelInHost, ProgramChangeRefreshesEveryControl) {
    // Program 2 gets other settings while program 1 is shown.
    // E's face beside its letter, against C's (off in both programs): equal while E is off.
    const int left = kNormalX + 20 - 9, enableY = kNormalY + 25, channelY = kNormalY + 67;
    const auto eIsOff = [&] {
        return guihost::Drawn(server.D(), host.Panel(), left, enableY) ==
               guihost::Drawn(server.D(), host.Panel(), left, channelY);
    };
    ASSERT_TRUE(Eventually([&] { return !eIsOff(); })) << "E is on in program 1";
    host.Ask("program 1");
    host.Ask("set 7 " + std::to_string(40.0 / 127));
    host.Ask("set 17 0.5");
    host.Ask("set 0 0");
    // Each step turns E over, so each wait ends with the refresh of that very step; a whole
    // refresh has set every control by the time E is drawn anew.
    EXPECT_TRUE(Eventually(eIsOff));
    host.Ask("program 0");
    EXPECT_TRUE(Eventually([&] { return !eIsOff(); }));
    host.Ask("program 1");
    EXPECT_TRUE(Eventually(eIsOff));
    input->Wheel(X(kNormalX + 80), Y(kNormalY + 92), true, 1);
    EXPECT_TRUE(ParamBecomes(7, 41.0 / 127)) << host.Param(7);
    input->Click(X(kNormalX + 20), Y(kNormalY + 25)); // E was off in program 2
    EXPECT_TRUE(ParamBecomes(0, 1.0));
    input->Click(X(102), Y(220));
    input->Wheel(X(kNormalX + 138), Y(kNormalY + 39), false, 1);
    EXPECT_TRUE(ParamBecomes(17, 0.4)) << host.Param(17);
}

TEST_P(PanelInHost, AdvButtonSwapsTheTwoViewsInOneRectangle) {
    Display* d = server.D();
    // Both views share one rectangle; only one is shown at a time.
    std::vector<Window> views;
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(d, host.Panel(), &root, &up, &children, &count));
    for (unsigned i = 0; i < count; i++) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.x == 20 && a.y == 76 && a.width == 160 &&
            a.height == 132)
            views.push_back(children[i]);
    }
    XFree(children);
    ASSERT_EQ(views.size(), 2u);
    auto shown = [&] {
        return std::make_pair(guihost::Viewable(d, views[0]), guihost::Viewable(d, views[1]));
    };
    const auto before = shown();
    EXPECT_NE(before.first, before.second);
    input->Click(X(102), Y(220));
    EXPECT_TRUE(Eventually([&] { return shown() == std::make_pair(before.second, before.first); }));
    input->Click(X(102), Y(220));
    EXPECT_TRUE(Eventually([&] { return shown() == before; }));
}

TEST_P(PanelInHost, InputTypeCGrabsExactlyThatKeyForOneTriggerPerPress) {
    host.Ask("set 2 1"); // triggers send program changes: nothing else does
    input->Wheel(X(kNormalX + 69), Y(kNormalY + 27), true, 5);
    ASSERT_TRUE(ParamBecomes(1, 5.0 / 22));
    // The grab request and our key travel to the server on different connections: until
    // the grab is in place a press goes elsewhere and triggers nothing.
    input->Move(X(100), Y(150)); // a grab takes keys while the pointer is over the panel
    EXPECT_TRUE(Eventually([&] {
        input->Key(XK_c);
        return support::Eventually([&] { return host.Midi("pc") >= 1; },
                                   std::chrono::milliseconds(300));
    }));
    EXPECT_EQ(host.Midi("pc"), 1);
    input->Key(XK_d);
    input->Key(XK_c);
    EXPECT_TRUE(MidiBecomes("pc", 2));
    // Time for a wrong trigger to show up, were there one.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(host.Midi("pc"), 2) << "only the grabbed key triggers, once per press";
    // Back to the note input type: the key is free again.
    input->Wheel(X(kNormalX + 69), Y(kNormalY + 27), false, 4);
    ASSERT_TRUE(ParamBecomes(1, 1.0 / 22));
    input->Move(X(100), Y(150));
    input->Key(XK_c);
    // Time for a wrong trigger to show up, were there one.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(host.Midi("pc"), 2);
}

TEST_P(PanelInHost, PanicAndTriggerButtonsPulseOncePerClick) {
    host.Ask("set 2 1"); // triggers send program changes: nothing else does
    input->Click(X(162), Y(220));
    input->Click(X(162), Y(220));
    EXPECT_TRUE(MidiBecomes("panic", 2)) << host.Midi("panic");
    input->Click(X(40), Y(220));
    EXPECT_TRUE(MidiBecomes("pc", 1));
    // Time for a second pulse to show up, were there one.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(host.Midi("panic"), 2);
    EXPECT_EQ(host.Midi("pc"), 1);
}

TEST_P(PanelInHost, TitleClickHidesItAndASecondClickShowsIt) {
    const Window title = Child(10, 10, 180, 45);
    ASSERT_TRUE(guihost::Viewable(server.D(), title));
    input->Click(X(100), Y(30));
    EXPECT_TRUE(Eventually([&] { return !guihost::Viewable(server.D(), title); }));
    input->Click(X(100), Y(30));
    EXPECT_TRUE(Eventually([&] { return guihost::Viewable(server.D(), title); }));
}

TEST_P(PanelInHost, TooltipSquareTogglesBetweenBlueAndRed) {
    Display* d = server.D();
    const unsigned long blue = 0x0000ff, red = 0xff0000;
    EXPECT_TRUE(Eventually([&] { return guihost::PixelAt(d, host.Panel(), 5, 5) == blue; }));
    input->Click(X(5), Y(5));
    EXPECT_TRUE(Eventually([&] { return guihost::PixelAt(d, host.Panel(), 5, 5) == red; }));
    input->Click(X(5), Y(5));
    EXPECT_TRUE(Eventually([&] { return guihost::PixelAt(d, host.Panel(), 5, 5) == blue; }));
}

TEST_P(PanelInHost, ReopenShowsTheSamePanelWithItsStateAndNoNewWindows) {
    input->Wheel(X(kNormalX + 80), Y(kNormalY + 67), true, 2);
    ASSERT_TRUE(ParamBecomes(4, 2.0 / 15));
    auto windows = [&] {
        int total = 0;
        std::function<void(Window)> count = [&](Window w) {
            total++;
            Window root = 0, up = 0, *children = nullptr;
            unsigned n = 0;
            if (XQueryTree(server.D(), w, &root, &up, &children, &n))
                for (unsigned i = 0; i < n; i++) count(children[i]);
            if (children) XFree(children);
        };
        count(DefaultRootWindow(server.D()));
        return total;
    };
    const int before = windows();
    EXPECT_EQ(host.Ask("close"), "{\"ok\":1}");
    EXPECT_FALSE(guihost::Viewable(server.D(), host.Panel()));
    EXPECT_EQ(host.Ask("open"), "{\"ok\":1}");
    const std::string state = host.Ask("state");
    EXPECT_EQ(static_cast<Window>(guihost::Field(state, "panel")), host.Panel()) << state;
    EXPECT_TRUE(Eventually([&] { return guihost::Viewable(server.D(), host.Panel()); }));
    EXPECT_EQ(windows(), before);
    input->Wheel(X(kNormalX + 80), Y(kNormalY + 67), true, 1);
    EXPECT_TRUE(ParamBecomes(4, 3.0 / 15));
}

TEST_P(PanelInHost, HostWindowTakesTheEditorSize) {
    const std::vector<double> top = guihost::Array(host.State(), "top");
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0], 200);
    EXPECT_EQ(top[1], 245);
    // Kinds 1 and 2 found the event procedure; kind 3 never looks for it.
    EXPECT_EQ(guihost::Field(host.State(), "procedure"), GetParam() == 3 ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(HostModels, PanelInHost, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Model" + std::to_string(info.param);
                         });

} // namespace
