// Controls and windows: their X windows and properties, lifetime, listeners, timers,
// shape, and what happens without any display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <dirent.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "GUI/globals.h"
#include "support/wait.h"
#include "GUI/registry.h"
#include "GUI/world.h"
#include "GUI/xerror.h"
#include "gui_test_util.h"
#include "system/thread.h"

using namespace velk::gui;
using guitest::Pump;
using guitest::SRecorder;

namespace {

std::vector<long> Property(Window w, const char* name, Atom* type = nullptr) {
    Display* d = guitest::D();
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 16, False, AnyPropertyType,
                           &actual, &format, &count, &remaining, &data) == Success &&
        data && format == 32) {
        const long* items = reinterpret_cast<const long*>(data);
        out.assign(items, items + count);
    }
    if (data) XFree(data);
    if (type) *type = actual;
    return out;
}

// Threads of ours (they carry SThread's name), so a sanitizer's own do not count.
int ThreadCount() {
    return support::ThreadCount(velk::threading::SThread::kThreadName);
}

class Controls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(guitest::D(), nullptr) << "the toolkit tests need an X server (DISPLAY)";
    }
    void TearDown() override { Pump(); }
    SGlobals globals;
};

TEST_F(Controls, PublishTheirKeyAndAnEventProcedureAHostCanCall) {
    SRecorder control(nullptr, 0, 0, 0, 30, 30);
    Atom type = 0;
    const std::vector<long> self = Property(control.GetWindow(), "_ZOVUZOZ", &type);
    ASSERT_EQ(self.size(), 1u);
    EXPECT_EQ(type, XInternAtom(guitest::D(), "_ZOVUZOZ", False));
    EXPECT_EQ(registry::Find(static_cast<std::uint32_t>(self[0])), &control);
    const std::vector<long> proc = Property(control.GetWindow(), "_XEventProc");
    ASSERT_EQ(proc.size(), 1u);
    ASSERT_NE(proc[0], 0);
    // A host keeps the 32-bit item only, and calls it with the event.
    const std::uintptr_t address = static_cast<std::uint32_t>(proc[0]);
    EXPECT_LT(address, 0x80000000u);
    using Procedure = int (*)(XEvent*);
    Procedure call = reinterpret_cast<Procedure>(address);
    XEvent press = guitest::Button(ButtonPress, Button1, 1000);
    press.xany.window = control.GetWindow();
    press.xany.display = guitest::D();
    EXPECT_EQ(call(&press), 0);
    EXPECT_EQ(control.Codes(), std::vector<int>{MOUSE_LEFT_DOWN});
}

TEST_F(Controls, TopLevelWindowsCarryFixedSizeHintsAndUndecoratedOnesTheirHints) {
    Display* d = guitest::D();
    XInternAtom(d, "_MOTIF_WM_HINTS", False); // the hint is set only where the atom exists
    SControl main(&globals, nullptr, 1, "Moravox main", STYLE_MAIN, 0, 0, 200, 245, 0, false);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(d, main.GetWindow(), &hints, &supplied));
    EXPECT_EQ(hints.min_width, 200);
    EXPECT_EQ(hints.max_width, 200);
    EXPECT_EQ(hints.min_height, 245);
    EXPECT_EQ(hints.max_height, 245);
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(d, main.GetWindow(), &name));
    EXPECT_STREQ(name, "Moravox main");
    XFree(name);
    EXPECT_EQ(Property(main.GetWindow(), "_MOTIF_WM_HINTS"), (std::vector<long>{2, 0, 0, 0}));
    XWindowAttributes attributes;
    XGetWindowAttributes(d, main.GetWindow(), &attributes);
    EXPECT_TRUE(attributes.override_redirect);

    SControl bordered(&globals, nullptr, 2, "bordered", STYLE_MAIN | STYLE_BORDER, 0, 0, 50, 50, 0,
                      false);
    EXPECT_TRUE(Property(bordered.GetWindow(), "_MOTIF_WM_HINTS").empty());
    XGetWindowAttributes(d, bordered.GetWindow(), &attributes);
    EXPECT_FALSE(attributes.override_redirect);
    EXPECT_EQ(attributes.border_width, 3);
}

// Hint atoms are asked for once per top-level window and reused for its children, so one
// the server learns later (a window manager starting) reaches the next top-level window.
TEST_F(Controls, HintAtomsAreAskedForEachTopLevelWindowAndServeItsChildren) {
    Display* d = guitest::D();
    const bool known = XInternAtom(d, "_WIN_HINTS", True) != 0;
    SControl first(&globals, nullptr, 1, "first", STYLE_MAIN, 0, 0, 50, 50, 0, false);
    // Reading the property interns the name: the server knows it from here on.
    EXPECT_EQ(Property(first.GetWindow(), "_WIN_HINTS").empty(), !known);
    SControl second(&globals, nullptr, 2, "second", STYLE_MAIN, 0, 0, 50, 50, 0, false);
    SControl child(&globals, &second, 3, "child", 0, 5, 5, 20, 20, second.GetWindow(), false);
    EXPECT_EQ(Property(second.GetWindow(), "_WIN_HINTS"), std::vector<long>{0});
    EXPECT_EQ(Property(child.GetWindow(), "_WIN_HINTS"), std::vector<long>{0});
}

TEST_F(Controls, StartHiddenAndEnabledAndCleanUpOnce) {
    SRecorder control(nullptr, STYLE_CAPTURE, 0, 0, 30, 30);
    EXPECT_FALSE(control.IsMapped());
    EXPECT_TRUE(control.Enabled());
    control.CreateTimer(1000, false);
    control.CleanUp();
    EXPECT_TRUE(control.CleanedUp());
    EXPECT_TRUE(control.CleaningUp());
    EXPECT_EQ(control.GetDrawing(), nullptr);
    EXPECT_EQ(control.GetTimer(), nullptr);
    control.CleanUp();
    EXPECT_TRUE(control.CleanedUp());
}

TEST_F(Controls, WindowsOwnTheirChildrenAndDeleteThemInReverse) {
    std::vector<int> destroyed;
    auto window =
        std::make_unique<SWindow>(&globals, nullptr, 1, "owner", 0, 0, 0, 100, 100, 0, false);
    std::vector<SRecorder*> children;
    for (unsigned id : {10u, 11u, 12u}) {
        SRecorder* child = new SRecorder(window.get(), 0, 0, 0, 10, 10);
        // The recorder's id is fixed; re-create with its own so the list can tell them apart.
        child->Create(&globals, window.get(), id, "child", 0, 0, 0, 10, 10, 0, false);
        child->destroyed = &destroyed;
        window->Add(child);
        children.push_back(child);
    }
    window->Add(nullptr);
    EXPECT_EQ(window->Children().size(), 3u);
    EXPECT_TRUE(window->GetStyle() & STYLE_CHILDREN);
    EXPECT_TRUE(window->IsSubcontrol(11u));
    EXPECT_FALSE(window->IsSubcontrol(13u));
    window->Remove(children[1], false);
    EXPECT_TRUE(destroyed.empty()) << "removed, not deleted";
    delete children[1];
    destroyed.clear();
    window.reset();
    EXPECT_EQ(destroyed, (std::vector<int>{12, 10}));

    SWindow single(&globals, nullptr, 2, "single", 0, 0, 0, 10, 10, 0, false);
    SControl* only = new SControl(&globals, &single, 3, "only", 0, 0, 0, 5, 5, 0, false);
    single.Add(only);
    single.Remove(only, true);
    EXPECT_FALSE(single.GetStyle() & STYLE_CHILDREN);
}

TEST_F(Controls, ListenersAreRegisteredOnceAndBadTypesDeliverNothing) {
    SRecorder panel(nullptr, 0, 0, 0, 10, 10);
    SRecorder button(nullptr, 0, 0, 0, 10, 10);
    button.AddEventListener(&panel, EVENT_BUTTON);
    button.AddEventListener(&panel, EVENT_BUTTON);
    button.AddEventListener(nullptr, EVENT_BUTTON);
    button.AddEventListener(&panel, 13);
    EXPECT_EQ(button.SendEvent(EVENT_BUTTON, 1, 2, 0.0f, nullptr, &button, nullptr), 1);
    EXPECT_EQ(button.SendEvent(13, 1, 2, 0.0f, nullptr, &button, nullptr), 0);
    EXPECT_EQ(button.SendEvent(-1, 1, 2, 0.0f, nullptr, &button, nullptr), 0);
    ASSERT_EQ(panel.Count("ParseEvent"), 1);
    EXPECT_EQ(panel.calls[0].a, EVENT_BUTTON);
    button.RemoveEventListener(&panel, EVENT_BUTTON);
    EXPECT_EQ(button.SendEvent(EVENT_BUTTON, 1, 2, 0.0f, nullptr, &button, nullptr), 0);
}

TEST_F(Controls, TimersTickOnTheirOwnThreadAndStopWithTheControl) {
    struct STicks : public SControl {
        using SControl::SControl;
        void ParseEvent(SEvent* event) override {
            if (event->type != EVENT_TIMER || event->sender != this) return;
            // A tick carries a = 1 and the timer's id in b.
            if (event->a != 1 || (event->b != 1 && event->b != 2)) wrong.fetch_add(1);
            ticks.fetch_add(1);
        }
        std::atomic<int> ticks{0};
        std::atomic<int> wrong{0};
    };
    const int before = ThreadCount();
    auto control =
        std::make_unique<STicks>(&globals, nullptr, 1, "ticks", 0, 0, 0, 10, 10, 0, false);
    std::unique_ptr<velk::threading::STimer> added(control->AddTimer(5, true));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Id(), 1u);
    control->CreateTimer(5, true);
    EXPECT_EQ(control->GetTimerId(), 2);
    EXPECT_TRUE(control->GetStyle() & STYLE_TIMER);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (control->ticks.load() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(control->ticks.load(), 3);
    EXPECT_EQ(control->wrong.load(), 0);
    added.reset();
    control.reset();
    EXPECT_EQ(ThreadCount(), before);
}

TEST_F(Controls, TheRoundShapeCutsFourCornerNotches) {
    SControl control(&globals, nullptr, 1, "round", 0, 0, 0, 20, 10, 0, false);
    control.SetRoundShape(true);
    int count = 0, ordering = 0;
    XRectangle* rects =
        XShapeGetRectangles(guitest::D(), control.GetWindow(), ShapeBounding, &count, &ordering);
    auto inside = [&](int x, int y) {
        for (int i = 0; i < count; ++i)
            if (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
                y < rects[i].y + rects[i].height)
                return true;
        return false;
    };
    const int outside[][2] = {{0, 0},  {4, 0},  {0, 1},  {2, 1}, {0, 2}, {1, 2}, {0, 3},  {0, 4},
                              {19, 0}, {15, 0}, {19, 4}, {0, 9}, {4, 9}, {0, 5}, {19, 9}, {18, 7}};
    for (const auto& p : outside) EXPECT_FALSE(inside(p[0], p[1])) << p[0] << "," << p[1];
    const int kept[][2] = {{5, 0},  {3, 1},  {2, 2}, {1, 3},  {1, 4},  {1, 5}, {10, 5},
                           {14, 0}, {18, 3}, {5, 9}, {14, 9}, {16, 8}, {17, 7}};
    for (const auto& p : kept) EXPECT_TRUE(inside(p[0], p[1])) << p[0] << "," << p[1];
    if (rects) XFree(rects);
    control.SetRoundShape(false);
    rects =
        XShapeGetRectangles(guitest::D(), control.GetWindow(), ShapeBounding, &count, &ordering);
    EXPECT_EQ(count, 1);
    if (rects) XFree(rects);
}

TEST_F(Controls, MinimisingAsksTheWindowManagerForTheState) {
    Display* watcher = XOpenDisplay(nullptr);
    ASSERT_NE(watcher, nullptr);
    XSelectInput(watcher, DefaultRootWindow(watcher), SubstructureNotifyMask);
    XSync(watcher, False);
    SWindow window(&globals, nullptr, 1, "app", STYLE_MAIN, 0, 0, 20, 20, 0, false);
    const Atom changeState = XInternAtom(guitest::D(), "WM_CHANGE_STATE", False);
    for (bool normal : {false, true}) {
        window.WindowMinimize(normal);
        XSync(guitest::D(), False);
        XEvent event{};
        bool found = false;
        while (!found && XPending(watcher)) {
            XNextEvent(watcher, &event);
            found = event.type == ClientMessage && event.xclient.message_type == changeState;
        }
        if (!found) {
            XSync(watcher, False);
            while (!found && XCheckTypedEvent(watcher, ClientMessage, &event))
                found = event.xclient.message_type == changeState;
        }
        ASSERT_TRUE(found);
        EXPECT_EQ(event.xclient.window, window.GetWindow());
        EXPECT_EQ(event.xclient.data.l[0], normal ? 1 : 3);
    }
    XCloseDisplay(watcher);
}

TEST_F(Controls, WithoutADisplayNothingIsCreatedAndTheAbsenceIsReportedOnce) {
    Display* saved = dps;
    dps = nullptr;
    ResetNoDisplayReport();
    const int threadsBefore = ThreadCount();
    const size_t registered = registry::Count();
    testing::internal::CaptureStderr();
    {
        SRecorder first(nullptr, 0, 0, 0, 20, 20);
        SWindow second(&globals, nullptr, 2, "second", STYLE_DIALOG, 0, 0, 20, 20, 0, false);
        EXPECT_EQ(first.GetWindow(), 0u);
        EXPECT_EQ(first.Create(&globals, nullptr, 3, "again", 0, 0, 0, 5, 5, 0, false), 0);
        first.Show();
        first.Refresh();
        first.SetSize(40, 40);
        first.SetRoundShape(true);
        first.Focus(true);
        first.MouseSetCapture();
        first.MouseReleaseCapture();
        first.CreateTimer(5, true);
        first.CreateIdleTimer(22, false);
        EXPECT_EQ(first.AddTimer(5, true), nullptr);
        first.Draw(Rect(0, 0, 20, 20));
        velk::gui::context::SDrawFont font(10, false, false, false, nullptr);
        EXPECT_EQ(font.Info(), nullptr);
        EXPECT_EQ(ThreadCount(), threadsBefore);
        EXPECT_EQ(registry::Count(), registered);
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    dps = saved;
    EXPECT_EQ(errors, "Error: No X display; the interface is not available.\n");
    EXPECT_EQ(ThreadCount(), threadsBefore);
    SControl::capture = nullptr;
}

} // namespace
