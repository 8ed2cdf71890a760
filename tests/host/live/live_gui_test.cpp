// moravox-host live with its panel window: the plug-in's editor in a top-level window named after
// the client, which stops the tool when closed; without a panel the tool says why and goes on.
#include "host/core/host.h"
#include "host/core/plugin_library.h"
#include "live_fixture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

using livetest::ToolProcess;

#if defined(__SANITIZE_ADDRESS__)
// The probe's libjack opens its metadata database (Berkeley DB) and, as a 32-bit client of a
// 64-bit server, never frees what it allocated: not ours, as in the live tool itself.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libdb-\n";
}
#endif

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// The top-level window with this name, or 0.
Window FindWindow(Display* display, const std::string& name) {
    Window root = 0, parent = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return 0;
    }
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) != 0 && title != nullptr) {
            if (name == title) found = children[i];
            XFree(title);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

Window WaitForWindow(Display* display, const std::string& name) {
    const livetest::Clock::time_point end = livetest::Clock::now() + livetest::kStartLimit;
    while (livetest::Clock::now() < end) {
        if (const Window window = FindWindow(display, name)) return window;
        std::this_thread::sleep_for(livetest::milliseconds(20));
    }
    return 0;
}

// What a window manager sends when the user closes a window.
void SendClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

class LiveGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        LIVE_REQUIRE_SERVER(server);
        display.reset(XOpenDisplay(nullptr));
        ASSERT_NE(display, nullptr) << "the panel window tests need an X server (DISPLAY)";
        probe = std::make_unique<livetest::JackProbe>(server, livetest::UniqueName("probe"));
        ASSERT_TRUE(probe->Ok()) << probe->Why();
    }

    std::unique_ptr<ToolProcess> Start(const std::string& name, const char* plugin,
                                       std::vector<std::string> env = {}) {
        env.push_back("JACK_DEFAULT_SERVER=" + server);
        return std::make_unique<ToolProcess>(
            std::vector<std::string>{"live", plugin, "-C", "-j", name}, env);
    }

    std::string server;
    std::unique_ptr<Display, DisplayCloser> display;
    std::unique_ptr<livetest::JackProbe> probe;
};

} // namespace

TEST_F(LiveGuiTest, ThePanelWindowHasTheEditorsSizeAndClosingItOrCtrlCStopsTheTool) {
    moravox::host::PluginLibrary library(MORAVOX_PLUGIN_PATH);
    moravox::host::Host host(library);
    ASSERT_TRUE(host.Instantiate()) << host.Error();
    const std::optional<ERect> rect = host.EditorRect();
    ASSERT_TRUE(rect.has_value());
    for (const bool closeWindow : {true, false}) {
        SCOPED_TRACE(closeWindow ? "window closed" : "Ctrl-C");
        const std::string name = livetest::UniqueName("moravox-panel");
        auto tool = Start(name, MORAVOX_PLUGIN_PATH);
        ASSERT_TRUE(tool->WaitUntilRunning()) << tool->Err();
        const Window window = WaitForWindow(display.get(), name);
        ASSERT_NE(window, 0u) << tool->Err();
        XWindowAttributes attributes{};
        ASSERT_NE(XGetWindowAttributes(display.get(), window, &attributes), 0);
        EXPECT_EQ(attributes.width, rect->right - rect->left);
        EXPECT_EQ(attributes.height, rect->bottom - rect->top);
        if (closeWindow) {
            SendClose(display.get(), window);
            EXPECT_EQ(tool->Wait(), 0) << tool->Err();
        } else {
            EXPECT_EQ(tool->Stop(SIGINT), 0) << tool->Err();
        }
        EXPECT_EQ(tool->Err(), "");
        EXPECT_EQ(FindWindow(display.get(), name), 0u);
        EXPECT_TRUE(probe->Ports("^" + name + ":").empty());
    }
}

TEST_F(LiveGuiTest, WithoutAPanelItSaysWhyAndKeepsRunning) {
    struct Case {
        std::vector<std::string> env;
        const char* message;
    };
    // The fake plug-in says it has an editor, but its editor never opens.
    const std::vector<Case> cases = {
        {{},
         "moravox-host: the plug-in's editor did not open; running without the plug-in's "
         "panel"},
        {{"DISPLAY="}, "moravox-host: DISPLAY is not set; running without the plug-in's panel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string name = livetest::UniqueName("moravox-nopanel");
        auto tool = Start(name, FAKE_PLUGIN_PATH, c.env);
        ASSERT_TRUE(tool->WaitUntilRunning()) << tool->Err();
        // The message comes once the window could not be had; the client keeps running.
        const livetest::Clock::time_point end = livetest::Clock::now() + livetest::kStartLimit;
        while (tool->Err().empty() && livetest::Clock::now() < end) {
            std::this_thread::sleep_for(livetest::milliseconds(20));
        }
        EXPECT_EQ(livetest::Lines(tool->Err()), std::vector<std::string>{c.message});
        EXPECT_EQ(tool->Wait(livetest::milliseconds(0)), -1); // still running
        EXPECT_EQ(probe->Ports("^" + name + ":").size(), 6u);
        EXPECT_EQ(FindWindow(display.get(), name), 0u);
        EXPECT_EQ(tool->Stop(SIGINT), 0) << tool->Err();
    }
}
