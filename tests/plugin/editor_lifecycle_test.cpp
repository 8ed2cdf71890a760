// The editor in this process, on the library's own X connection (a host that passes
// none): opening, closing, the idle tick and its batching, sizing, and tear-down.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "GUI/button.h"
#include "GUI/dial.h"
#include "engine/program/parameter_table.h"
#include "engine/vstplugin.h"
#include "support/wait.h"
#include "panel/pluginpanel.h"
#include "plugin/entry/application.h"
#include "plugin/editor.h"

namespace {

using Clock = std::chrono::steady_clock;

using support::Eventually;

// What our host answers, per test.
std::atomic<int> sizeWindowAnswer{1};
std::atomic<int> sizeWindowCalls{0};

VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterCanDo:
        return ptr && strcmp(static_cast<char*>(ptr), "sizeWindow") == 0 ? sizeWindowAnswer.load()
                                                                         : 0;
    case audioMasterSizeWindow: sizeWindowCalls++; return 1;
    default: return 0;
    }
}

// A plug-in whose parameter reads can be made slow, to catch an idle tick in the act.
class SlowPlugin : public VSTPlugin {
public:
    SlowPlugin(int& status) : VSTPlugin(Master, status) {}
    float getParameter(VstInt32 index) override {
        if (slow.load()) {
            inside = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            reads++;
            inside = false;
        }
        return VSTPlugin::getParameter(index);
    }
    std::atomic<bool> slow{false};
    std::atomic<bool> inside{false};
    std::atomic<int> reads{0};
};

class EditorLifecycle : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadTimeInit(); }
    static void TearDownTestSuite() { UnloadTeardown(); }

    void SetUp() override {
        ASSERT_NE(dps, nullptr) << "no X display";
        sizeWindowAnswer = 1;
        sizeWindowCalls = 0;
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        hostWindow =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
        XSelectInput(display, hostWindow, SubstructureNotifyMask);
        XMapWindow(display, hostWindow);
        XSync(display, False);
        int status = 0;
        plugin = new SlowPlugin(status);
        editor = plugin->Editor();
    }
    void TearDown() override {
        // As a host closes a plug-in: the editor goes while the whole object is there.
        if (plugin) {
            AEffect* effect = plugin->getAeffect();
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        }
        XDestroyWindow(display, hostWindow);
        XCloseDisplay(display);
    }

    void* Parent() const { return reinterpret_cast<void*>(hostWindow); }
    Window ParentOf(Window w) {
        XSync(dps, False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, w, &root, &parent, &children, &count);
        if (children) XFree(children);
        return parent;
    }
    Window PanelWindow() { return editor->Panel() ? editor->Panel()->GetWindow() : 0; }

    Display* display = nullptr;
    Window hostWindow = 0;
    SlowPlugin* plugin = nullptr;
    SPluginEditor* editor = nullptr;
};

TEST_F(EditorLifecycle, ReopeningShowsTheSamePanelAndBuildsItOnce) {
    ASSERT_EQ(editor->open(Parent()), 1);
    SPluginPanel* first = editor->Panel();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ParentOf(PanelWindow()), hostWindow);
    EXPECT_FALSE(plugin->EditorClosed());
    editor->close();
    EXPECT_TRUE(plugin->EditorClosed());
    EXPECT_EQ(ParentOf(PanelWindow()), editor->HolderWindow());
    ASSERT_EQ(editor->open(Parent()), 1);
    EXPECT_EQ(editor->Panel(), first);
    EXPECT_EQ(ParentOf(PanelWindow()), hostWindow);
    EXPECT_EQ(editor->LoadCount(), 1);
}

// A host that only takes the event procedure from a child it sees reparented into its
// window must see that at the first open too.
TEST_F(EditorLifecycle, FirstOpenReparentsThePanelIntoTheHostWindow) {
    ASSERT_EQ(editor->open(Parent()), 1);
    XSync(dps, False);
    XSync(display, False);
    bool reparented = false;
    XEvent event;
    while (XCheckWindowEvent(display, hostWindow, SubstructureNotifyMask, &event))
        if (event.type == ReparentNotify && event.xreparent.parent == hostWindow &&
            event.xreparent.window == PanelWindow())
            reparented = true;
    EXPECT_TRUE(reparented);
}

TEST_F(EditorLifecycle, HostWindowIsResizedByUsOnlyWhenTheHostCannot) {
    for (int answer : {1, 0}) {
        sizeWindowAnswer = answer;
        sizeWindowCalls = 0;
        XResizeWindow(display, hostWindow, 100, 100);
        XSync(display, False);
        ASSERT_EQ(editor->open(Parent()), 1);
        XSync(dps, False);
        XWindowAttributes a;
        XGetWindowAttributes(display, hostWindow, &a);
        EXPECT_EQ(a.width, answer ? 100 : 200) << "sizeWindow answer " << answer;
        EXPECT_EQ(a.height, answer ? 100 : 245);
        EXPECT_GE(sizeWindowCalls.load(), 1);
        EXPECT_EQ(plugin->EditorRect().right, 200);
        EXPECT_EQ(plugin->EditorRect().bottom, 245);
        editor->close();
    }
}

TEST_F(EditorLifecycle, TicksBatchRefreshesAndAFullRefreshTakesThePendingOnes) {
    ASSERT_EQ(editor->open(Parent()), 1);
    // The first tick after opening refreshes everything.
    ASSERT_TRUE(Eventually([&] { return editor->RefreshCount() == 1; }));
    auto settle = [&](int expected) {
        const bool reached = Eventually([&] { return editor->RefreshCount() >= expected; });
        std::this_thread::sleep_for(std::chrono::milliseconds(80)); // a few more ticks
        return reached && editor->RefreshCount() == expected;
    };
    {
        // Holding the lock keeps ticks out while we post.
        std::lock_guard<std::recursive_mutex> hold(velk::gui::GuiLock());
        editor->postUpdateIndexed(3);
        editor->postUpdateIndexed(3);
    }
    EXPECT_TRUE(settle(2)) << editor->RefreshCount();
    {
        std::lock_guard<std::recursive_mutex> hold(velk::gui::GuiLock());
        editor->postUpdate();
        editor->postUpdateIndexed(3);
        editor->postUpdateIndexed(200);
    }
    EXPECT_TRUE(settle(3)) << editor->RefreshCount();
    editor->postUpdateIndexed(256); // out of range: ignored
    editor->postUpdateIndexed(-1);
    EXPECT_TRUE(settle(3));
}

// A click that comes before the first tick must act on what the program holds.
TEST_F(EditorLifecycle, ControlsShowTheProgramAsSoonAsTheEditorOpens) {
    using namespace velk::engine;
    // No tick runs while the lock is held: what the controls show comes from the opening.
    std::lock_guard<std::recursive_mutex> hold(velk::gui::GuiLock());
    for (float channel : {1.0f, 0.0f}) {
        plugin->setParameter(P_CHANNEL, channel);
        plugin->setParameter(P_NUMBER_MAX, 100.0f / 127);
        ASSERT_EQ(editor->open(Parent()), 1);
        SPluginPanel* panel = editor->Panel();
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->ButtonFor(P_FORMAT)->GetValue(), 1);
        EXPECT_EQ(panel->ButtonFor(P_CHANNEL)->GetValue(), static_cast<int>(channel));
        EXPECT_EQ(panel->DialFor(P_NUMBER_MAX)->GetValue(), 100);
        EXPECT_EQ(editor->RefreshCount(), 0) << "a tick ran";
        editor->close();
    }
}

TEST_F(EditorLifecycle, ClosedEditorKeepsPostsForTheNextOpenAndDoesNothingMeanwhile) {
    ASSERT_EQ(editor->open(Parent()), 1);
    ASSERT_TRUE(Eventually([&] { return editor->RefreshCount() == 1; }));
    editor->close();
    editor->postUpdateIndexed(5);
    editor->update();
    editor->updateIndexed();
    editor->updateAtIndex(5);
    editor->idle();
    EXPECT_EQ(editor->RefreshCount(), 1);
    EXPECT_EQ(editor->TakeUpdatedIndices(), uint64_t{1} << 5);
}

TEST_F(EditorLifecycle, CloseReturnsOnlyAfterARunningTickAndNoneStartsLater) {
    ASSERT_EQ(editor->open(Parent()), 1);
    ASSERT_TRUE(Eventually([&] { return editor->RefreshCount() == 1; }));
    plugin->slow = true;
    editor->postUpdateIndexed(4);
    ASSERT_TRUE(Eventually([&] { return plugin->inside.load(); }));
    editor->close();
    EXPECT_FALSE(plugin->inside.load()) << "the tick was still running when close returned";
    const int reads = plugin->reads;
    editor->postUpdate();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(plugin->reads.load(), reads);
    plugin->slow = false;
}

TEST_F(EditorLifecycle, ClosingThePluginWithItsEditorOpenReleasesEveryWindow) {
    // Only the plug-in connection's own top-level windows: other test programs share the server.
    auto childrenOfRoot = [&] {
        XSync(dps, False);
        const auto* own = reinterpret_cast<_XPrivDisplay>(dps);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0, ours = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i)
            if ((children[i] & ~own->private4) == own->private3) ++ours; // id mask, id base
        if (children) XFree(children);
        return ours;
    };
    const unsigned before = childrenOfRoot();
    ASSERT_EQ(editor->open(Parent()), 1);
    EXPECT_GT(childrenOfRoot(), before); // the holder and the dialog
    AEffect* effect = plugin->getAeffect();
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    plugin = nullptr;
    EXPECT_EQ(childrenOfRoot(), before);
}

TEST_F(EditorLifecycle, ReleasingTheWindowsRebuildsThemAtTheNextOpen) {
    ASSERT_EQ(editor->open(Parent()), 1);
    SPluginEditor::ReleaseGuis(dps);
    EXPECT_FALSE(editor->IsOpen());
    EXPECT_EQ(editor->Panel(), nullptr);
    ASSERT_EQ(editor->open(Parent()), 1);
    EXPECT_NE(editor->Panel(), nullptr);
    EXPECT_EQ(editor->LoadCount(), 2);
}

TEST_F(EditorLifecycle, AWindowThatDoesNotExistIsRefused) {
    EXPECT_EQ(editor->open(reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ffffff0))), 0);
    EXPECT_FALSE(editor->IsOpen());
    EXPECT_TRUE(plugin->EditorClosed());
    EXPECT_EQ(editor->open(nullptr), 0);
    EXPECT_EQ(editor->open(Parent()), 1);
}

} // namespace
