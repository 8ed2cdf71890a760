// The dispatcher driven with real events sent through the X server.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <memory>

#include "GUI/input.h"
#include "GUI/tooltip.h"
#include "GUI/tooltipplace.h"
#include "GUI/xerror.h"
#include "gui_test_util.h"

using namespace velk::gui;
using guitest::Pump;
using guitest::Send;
using guitest::SRecorder;

namespace {

class Dispatcher : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(guitest::D(), nullptr) << "the toolkit tests need an X server (DISPLAY)";
        control = std::make_unique<SRecorder>(nullptr, 0, 10, 10, 60, 40);
        control->Show();
        Pump();
        control->Clear();
    }
    void TearDown() override {
        control.reset();
        Pump();
    }
    void Press(unsigned button, unsigned long time, SRecorder* to = nullptr) {
        SRecorder* target = to ? to : control.get();
        Send(target->GetWindow(), guitest::Button(ButtonPress, button, time));
        Send(target->GetWindow(), guitest::Button(ButtonRelease, button, time + 1));
    }

    std::unique_ptr<SRecorder> control;
};

TEST_F(Dispatcher, DoubleClicksNeedTheSameButtonWithin359Milliseconds) {
    struct Case {
        unsigned first;
        unsigned second;
        unsigned long gap;
        int expected; // code of the second press
    } cases[] = {
        {Button1, Button1, 359, MOUSE_LEFT_DOUBLE},  {Button1, Button1, 360, MOUSE_LEFT_DOWN},
        {Button3, Button3, 100, MOUSE_RIGHT_DOUBLE}, {Button2, Button2, 0, MOUSE_MIDDLE_DOUBLE},
        {Button1, Button3, 100, MOUSE_RIGHT_DOWN},   {Button3, Button1, 10, MOUSE_LEFT_DOWN},
    };
    unsigned long time = 100000;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "->" << c.second << " after " << c.gap);
        time += 10000;
        Press(c.first, time);
        Press(c.second, time + c.gap);
        control->Clear();
        Pump();
        // press, release (up), press, release: the second press reports one code only.
        const std::vector<int> codes = control->Codes();
        ASSERT_EQ(codes.size(), 4u);
        EXPECT_EQ(codes[2], c.expected);
        EXPECT_EQ(codes[1], MOUSE_UP);
    }
}

TEST_F(Dispatcher, TheVeryFirstPressIsNeverADoubleClick) {
    // Time 0 after a fresh record: the last press time is still 0.
    Press(Button1, 0);
    Press(Button1, 100);
    Pump();
    EXPECT_EQ(control->Codes(),
              (std::vector<int>{MOUSE_LEFT_DOWN, MOUSE_UP, MOUSE_LEFT_DOWN, MOUSE_UP}));
}

TEST_F(Dispatcher, EnterIsReportedOnceAndMoveOncePerEntry) {
    const Window w = control->GetWindow();
    Send(w, guitest::Crossing(EnterNotify));
    Send(w, guitest::Crossing(EnterNotify));
    Send(w, guitest::Motion(6, 6));
    Send(w, guitest::Motion(7, 6));
    Send(w, guitest::Motion(8, 6));
    Send(w, guitest::Crossing(LeaveNotify));
    Send(w, guitest::Crossing(EnterNotify));
    Send(w, guitest::Motion(9, 6));
    Pump();
    EXPECT_EQ(control->Codes(),
              (std::vector<int>{MOUSE_ENTER, MOUSE_MOVE, MOUSE_LEAVE, MOUSE_ENTER, MOUSE_MOVE}));
    // Later motion reaches MousePosChanged only.
    EXPECT_GE(control->Count("MousePosChanged"), 4);
    EXPECT_TRUE(control->MouseState()[MOUSE_INSIDE]);
}

TEST_F(Dispatcher, AnUnchangedPositionClearsTheDeltasAndCallsNothing) {
    control->MousePosition(5, 5);
    control->Clear();
    control->MousePosition(5, 5);
    EXPECT_EQ(control->Count("MousePosChanged"), 0);
    EXPECT_FALSE(control->MouseState()[MOUSE_MOVE]);
    EXPECT_EQ(control->GetInput()->deltaX, 0);
}

TEST_F(Dispatcher, CaptureRoutesMotionAndReleaseAndIgnoresCrossings) {
    auto capturing = std::make_unique<SRecorder>(nullptr, STYLE_CAPTURE, 100, 10, 40, 40);
    capturing->Show();
    Pump();
    Send(capturing->GetWindow(), guitest::Button(ButtonPress, Button1, 5000));
    Pump();
    ASSERT_EQ(SControl::capture, capturing.get());
    EXPECT_TRUE(capturing->MouseState()[MOUSE_CAPTURE]);
    capturing->Clear();
    control->Clear();

    const Window other = control->GetWindow();
    Send(other, guitest::Crossing(EnterNotify));
    Send(other, guitest::Motion(3, 4));
    Send(other, guitest::Button(ButtonRelease, Button1, 5100));
    Pump();
    EXPECT_EQ(control->calls.size(), 0u) << "the other control saw events during the capture";
    ASSERT_GE(capturing->calls.size(), 4u);
    EXPECT_EQ(capturing->calls[0].what, "MousePosChanged"); // the motion, (5,5) -> (3,4)
    EXPECT_EQ(capturing->calls[0].a, -2);
    // The release frees the capture: code 6 (up), then 17 (capture changed). The real
    // crossing that the end of the grab causes may follow.
    const std::vector<int> codes = capturing->Codes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], MOUSE_UP);
    EXPECT_EQ(codes[1], MOUSE_CAPTURE);
    EXPECT_EQ(SControl::capture, nullptr);
    EXPECT_FALSE(capturing->MouseState()[MOUSE_CAPTURE]);
}

TEST_F(Dispatcher, WheelStepsGoToTheParentWhenTheStyleAsksForIt) {
    const int wheelStyle = STYLE_WHEEL_TO_PARENT | STYLE_WHEEL_TO_PARENT2;
    SRecorder* child = new SRecorder(control.get(), wheelStyle, 0, 0, 20, 20);
    control->Add(child);
    child->Show();
    Pump();
    control->Clear();
    Send(child->GetWindow(), guitest::Button(ButtonPress, Button4, 9000));
    Pump();
    EXPECT_EQ(child->Count("MouseStateChanged"), 0);
    EXPECT_EQ(control->Codes(), std::vector<int>{MOUSE_WHEEL});
    EXPECT_TRUE(control->MouseState()[MOUSE_WHEEL_UP]);

    // Without a parent the step is dropped, with result 1.
    auto orphan = std::make_unique<SRecorder>(nullptr, wheelStyle, 200, 10, 20, 20);
    XEvent wheel = guitest::Button(ButtonPress, Button5, 9100);
    wheel.xany.window = orphan->GetWindow();
    wheel.xany.display = guitest::D();
    EXPECT_EQ(SControl::eventProc(&wheel), 1);
    EXPECT_EQ(orphan->Count("MouseStateChanged"), 0);
}

TEST_F(Dispatcher, KeysArriveWithTheirKindCodeAndModifierMask) {
    struct Case {
        KeySym keysym;
        unsigned state; // Mod2 is Num Lock, which turns the keypad into digits
        int kind;
        int code;
    } cases[] = {
        {XK_KP_5, Mod2Mask, KEYKIND_CHAR, '5'}, {XK_7, 0, KEYKIND_CHAR, '7'},
        {XK_KP_Add, 0, KEYKIND_CHAR, '+'},      {XK_space, 0, KEYKIND_CHAR, ' '},
        {XK_Return, 0, KEYKIND_SPECIAL, 0},     {XK_Escape, 0, KEYKIND_SPECIAL, 1},
        {XK_Left, 0, KEYKIND_SPECIAL, 8},       {XK_Next, 0, KEYKIND_SPECIAL, 11},
        {XK_F1, 0, KEYKIND_FUNCTION, XK_F1},    {XK_a, 0, KEYKIND_CHAR, XK_a},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "keysym " << c.keysym);
        ASSERT_NE(XKeysymToKeycode(guitest::D(), c.keysym), 0);
        control->Clear();
        XEvent key = guitest::Key(KeyPress, c.keysym);
        key.xkey.state = c.state;
        Send(control->GetWindow(), key);
        Pump();
        ASSERT_EQ(control->Count("KeyStateChanged"), 1);
        EXPECT_EQ(control->calls[0].a, c.code);
        EXPECT_EQ(control->calls[0].d, c.kind);
    }
}

TEST_F(Dispatcher, ShiftIsAModifierKeyAndItsPressAlreadyCarriesTheMask) {
    Send(control->GetWindow(), guitest::Key(KeyPress, XK_Shift_L));
    Pump();
    ASSERT_EQ(control->Count("KeyStateChanged"), 1);
    EXPECT_EQ(control->calls[0].a, 17);
    EXPECT_EQ(control->calls[0].c, KEYMOD_SHIFT);
    EXPECT_EQ(control->calls[0].d, KEYKIND_MODIFIER);
    EXPECT_TRUE(control->MouseState()[MOUSE_SHIFT]);
    Send(control->GetWindow(), guitest::Key(KeyRelease, XK_Shift_L));
    Pump();
    EXPECT_FALSE(control->MouseState()[MOUSE_SHIFT]);
    EXPECT_EQ(control->calls.back().c, 0);
}

TEST_F(Dispatcher, AHotkeySendsItsEventBeforeTheKeyAndOnlyOnPress) {
    control->AddHotkey(0, XK_F2, 0);
    control->AddEventListener(control.get(), EVENT_KEY);
    Send(control->GetWindow(), guitest::Key(KeyPress, XK_F2));
    Send(control->GetWindow(), guitest::Key(KeyRelease, XK_F2));
    Pump();
    ASSERT_EQ(control->calls.size(), 3u);
    EXPECT_EQ(control->calls[0].what, "ParseEvent");
    EXPECT_EQ(control->calls[0].a, EVENT_KEY);
    EXPECT_EQ(control->calls[0].b, 4);
    EXPECT_EQ(control->calls[0].c, static_cast<int>(XK_F2));
    EXPECT_EQ(control->calls[1].what, "KeyStateChanged");
    EXPECT_EQ(control->calls[2].what, "KeyStateChanged");
}

TEST_F(Dispatcher, AnExposeBurstDrawsOnceOverTheClientInsideTheDisplayLock) {
    for (int i = 0; i < 5; ++i) control->Refresh();
    control->RefreshRectangle(Rect(1, 1, 5, 5));
    Pump();
    ASSERT_EQ(control->Count("Draw"), 1);
    EXPECT_EQ(control->calls[0].c, 60);
    EXPECT_EQ(control->calls[0].d, 40);
    EXPECT_GE(control->drawLockDepth, 1);
    EXPECT_EQ(guitest::DisplayLockDepth(), 0);
}

TEST_F(Dispatcher, RefreshOnAHiddenControlSendsNothing) {
    control->Hide();
    Pump();
    control->Clear();
    control->Refresh();
    control->RefreshOutlines();
    control->RefreshArea(3);
    Pump();
    EXPECT_TRUE(control->calls.empty());
    // Show maps it and asks for one paint; showing it again does nothing.
    control->Show();
    control->Show();
    Pump();
    EXPECT_EQ(control->Count("Draw"), 1);
}

TEST_F(Dispatcher, PaintMessagesDrawTheOutlinesInsideTheLock) {
    control->RefreshOutlines();
    Pump();
    ASSERT_EQ(control->Count("DrawOutlines"), 1);
    EXPECT_EQ(control->calls[0].c, 60);
    EXPECT_EQ(control->calls[0].d, 40);
}

TEST_F(Dispatcher, OnlyTheLastGeometryOfABurstCounts) {
    // Hidden, so that resizing exposes nothing and only the geometry events arrive.
    control->Hide();
    Pump();
    control->SetSize(70, 50);
    control->SetPosition(30, 20);
    control->SetSize(90, 30);
    EXPECT_EQ(Pump(), 1) << "three ConfigureNotify events were not taken as one";
    EXPECT_EQ(control->GetClient(), Rect(0, 0, 90, 30));
    EXPECT_EQ(control->GetRect(), Rect(30, 20, 120, 50));
}

TEST_F(Dispatcher, WindowManagerCloseRequestsFollowTheStyle) {
    struct Case {
        int style;
        const char* expected;
        int result;
    } cases[] = {
        {STYLE_DIALOG, "CloseDialog", 1},
        {STYLE_DIALOG | STYLE_ROOT_DIALOG, nullptr, 0},
        {STYLE_MAIN, "Stop", 1},
        {0, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        SRecorder window(nullptr, c.style, 0, 0, 30, 30);
        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = window.GetWindow();
        message.xclient.display = guitest::D();
        message.xclient.message_type = XInternAtom(guitest::D(), "WM_PROTOCOLS", False);
        message.xclient.format = 32;
        EXPECT_EQ(SControl::eventProc(&message), c.result);
        EXPECT_EQ(window.calls.size(), c.expected ? 1u : 0u);
        if (c.expected && !window.calls.empty()) {
            EXPECT_EQ(window.calls[0].what, c.expected);
        }
    }
}

TEST_F(Dispatcher, ADisabledControlConsumesItsInputAndChangesNothing) {
    control->Enable(false);
    Pump();
    control->Clear();
    XEvent press = guitest::Button(ButtonPress, Button1, 777);
    press.xany.window = control->GetWindow();
    press.xany.display = guitest::D();
    EXPECT_EQ(SControl::eventProc(&press), 1);
    XEvent key = guitest::Key(KeyPress, XK_a);
    key.xany.window = control->GetWindow();
    key.xany.display = guitest::D();
    EXPECT_EQ(SControl::eventProc(&key), 1);
    EXPECT_TRUE(control->calls.empty());
    EXPECT_EQ(control->GetInput()->lastPressTime, 0);

    // A child of a disabled window is disabled too, unless it accepts input regardless.
    control->Enable(true);
    SRecorder* child = new SRecorder(control.get(), 0, 0, 0, 10, 10);
    control->Add(child);
    control->Enable(false);
    press.xany.window = child->GetWindow();
    EXPECT_EQ(SControl::eventProc(&press), 1);
    EXPECT_TRUE(child->calls.empty());
    child->SetAcceptInput(true);
    EXPECT_EQ(SControl::eventProc(&press), 0);
    EXPECT_EQ(child->Codes(), std::vector<int>{MOUSE_LEFT_DOWN});
}

TEST_F(Dispatcher, EventsForUnknownOrForgedWindowsAreDropped) {
    Display* d = guitest::D();
    const Atom self = XInternAtom(d, "_ZOVUZOZ", False);
    // A foreign window that names a live control, and one that names nothing.
    const Window forged = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    unsigned long liveItem = getProperty(control->GetWindow(), self);
    ASSERT_NE(liveItem, 0u);
    long item = static_cast<long>(liveItem);
    XChangeProperty(d, forged, self, self, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&item), 1);
    XEvent press = guitest::Button(ButtonPress, Button1, 4242);
    press.xany.display = d;
    press.xany.window = forged;
    EXPECT_EQ(SControl::eventProc(&press), 0);
    item = 0x1234567;
    XChangeProperty(d, forged, self, self, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&item), 1);
    EXPECT_EQ(SControl::eventProc(&press), 0);
    EXPECT_TRUE(control->calls.empty());

    // A late event for a destroyed control is dropped without asking the server about a
    // window it no longer has; a window destroyed by someone else costs an X error, told.
    const Window gone = control->GetWindow();
    control.reset();
    XDestroyWindow(d, forged);
    XSync(d, False);
    const struct {
        Window window;
        bool told;
    } late[] = {{gone, false}, {forged, true}};
    for (const auto& c : late) {
        press.xany.window = c.window;
        testing::internal::CaptureStderr();
        EXPECT_EQ(SControl::eventProc(&press), 0);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(errors.find("XError Message: ") != std::string::npos, c.told) << errors;
    }
}

TEST(TooltipPlacement, FlipsToTheOtherSideAtTheScreenEdge) {
    const Rect screen(0, 0, 1280, 1024);
    const Rect text(0, 0, 52, 14); // tooltip 100 x 30
    struct Case {
        int placement;
        Point origin;
        Point expected;
        bool flipped;
    } cases[] = {
        {0, Point(100, 100), Point(100 + (40 - 100) / 2, 100 - 30 - 3), false},
        {0, Point(100, 0), Point(100 - 30, 0 + 20 + 3 + 5), true},
        {1, Point(100, 100), Point(100 + 40 + 3, 100 + (20 - 30) / 2), false},
        {1, Point(1230, 100), Point(1230 - 100 - 3, 100 - 5 + 5), true},
        {2, Point(100, 100), Point(70, 100 + 20 + 3), false},
        {2, Point(100, 1000), Point(70, 1000 - 30 - 3 + 5), true},
        {3, Point(200, 100), Point(200 - 100 - 3, 95), false},
        {3, Point(10, 100), Point(10 + 40 + 3, 95 + 5), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "placement " << c.placement);
        STooltipPlacement p{c.placement, 40, 20, text, c.origin, Point(0, 0), Point(0, 5), screen};
        bool flipped = !c.flipped;
        EXPECT_EQ(PlaceTooltip(p, flipped), c.expected);
        EXPECT_EQ(flipped, c.flipped);
    }
}

TEST_F(Dispatcher, EnteringAControlOpensItsTooltipFlippedBelowAtTheTopEdge) {
    auto owner =
        std::make_unique<SWindow>(nullptr, nullptr, 1, "panel", 0, 0, 0, 300, 200, 0, false);
    SToolTip* tip = new SToolTip(owner.get(), false);
    SRecorder* top = new SRecorder(owner.get(), 0, 20, 0, 60, 20);
    owner->Add(top);
    owner->Show();
    top->Show();
    top->SetTooltip(tip, "Help text", 0);
    tip->EnableTooltips(true);
    ASSERT_TRUE(top->GetState() & STATE_TOOLTIP);
    Pump();
    Send(top->GetWindow(), guitest::Crossing(EnterNotify));
    Pump();
    ASSERT_TRUE(tip->IsShown());
    EXPECT_TRUE(tip->flipped);
    EXPECT_EQ(tip->GetRect().top, 20 + 3);
    Send(top->GetWindow(), guitest::Crossing(LeaveNotify));
    Pump();
    EXPECT_FALSE(tip->IsShown());
}

} // namespace
