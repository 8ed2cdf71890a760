// Message dialogs: sizing, the modal loop ended by OK or by the window manager, and the
// process-wide message box. A second connection plays the person clicking, since the
// modal loop holds the test's thread.
#include "widget_fixture.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "GUI/info.h"
#include "GUI/messagedialog.h"
#include "GUI/registry.h"
#include "GUI/staticdata.h"

using namespace velk::gui;
using guitest::Pump;

namespace {

// Drives the pointer from a connection of its own.
class SRemoteHand {
public:
    SRemoteHand() : display(XOpenDisplay(nullptr)) {}
    ~SRemoteHand() {
        if (display) XCloseDisplay(display);
    }
    SRemoteHand(const SRemoteHand&) = delete;
    SRemoteHand& operator=(const SRemoteHand&) = delete;

    bool Viewable(Window w) {
        XWindowAttributes a;
        return XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable;
    }
    // Waits up to five seconds for the window to become (or stop being) viewable.
    bool WaitViewable(Window w, bool viewable) {
        for (int i = 0; i < 500; ++i) {
            if (Viewable(w) == viewable) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void ClickAt(Window w, int x, int y, unsigned button) {
        Window child;
        int sx = 0, sy = 0;
        XTranslateCoordinates(display, w, DefaultRootWindow(display), x, y, &sx, &sy, &child);
        XTestFakeMotionEvent(display, -1, sx, sy, CurrentTime);
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        XSync(display, False);
    }
    // What a window manager sends when the user closes the window.
    void AskToClose(Window w) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        XSendEvent(display, w, False, 0, &e);
        XSync(display, False);
    }

    Display* display;
};

class SRecordingDialog : public SMessageDialog {
public:
    void ParseEvent(SEvent* event) override {
        if (event->type == EVENT_BUTTON) buttons.push_back(event->b);
        SMessageDialog::ParseEvent(event);
    }
    std::vector<int> buttons;
};

class Dialogs : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(guitest::D(), nullptr);
        ASSERT_TRUE(guitest::HaveXTest());
        guitest::PointerTo(5, 700);
    }
    void TearDown() override { Pump(); }
    static int Width(context::SDrawFont* font, const char* text) {
        return MeasureLines(font, text).width;
    }
    static int LineHeight(int size, bool bold) {
        context::SDrawFont font(size, bold, false, false, nullptr);
        return font.Ascent() + font.Descent();
    }
};

TEST_F(Dialogs, TheBoxIsSizedToMessageAndTitle) {
    SMessageDialog dialog;
    context::SDrawFont message(7, false, false, false, nullptr);
    context::SDrawFont title(10, true, false, false, nullptr);
    const int h = LineHeight(7, false);
    struct Case {
        const char* message;
        const char* title;
        int lines;
    } cases[] = {
        {"Short", "A much wider title than the message", 1},
        {"Failed to load bank\n(Reason: Saved with newer version", "Moravox", 2},
        {"line one\n\nline three", "T", 3},
        {"", "Title only", 0},
        {nullptr, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message ? c.message : "(null)");
        dialog.SetMessage(c.message, c.title);
        const int M = std::max(Width(&message, c.message), Width(&title, c.title));
        const int C = c.lines * h;
        EXPECT_EQ(dialog.TitleLabel()->Width(), M + 44);
        EXPECT_EQ(dialog.TitleLabel()->Height(), 20);
        EXPECT_EQ(dialog.MessageLabel()->Width(), M + 44);
        EXPECT_EQ(dialog.MessageLabel()->Height(), C + 38);
        EXPECT_EQ(dialog.OkButton()->GetRect().TopLeft(), Point(((M + 64) >> 1) - 20, C + 88));
        EXPECT_EQ(dialog.Width(), M + 64);
        EXPECT_EQ(dialog.Height(), C + 128);
        EXPECT_STREQ(dialog.Message(), c.message ? c.message : "");
    }
    EXPECT_FALSE(dialog.IsShown());
}

TEST_F(Dialogs, OnlyTheLeftButtonClosesItWithOk) {
    struct Case {
        unsigned first;
        std::vector<int> heard;
    } cases[] = {{Button3, {3, 1}}, {Button2, {2, 1}}, {Button1, {1}}};
    for (const Case& c : cases) {
        SRecordingDialog dialog;
        const Window ok = dialog.OkButton()->GetWindow();
        std::atomic<bool> gaveUp{false};
        std::thread person([&] {
            SRemoteHand hand;
            if (!hand.WaitViewable(ok, true)) return;
            hand.ClickAt(ok, 20, 10, c.first);
            if (c.first != Button1) hand.ClickAt(ok, 20, 10, Button1);
            if (!hand.WaitViewable(ok, false)) {
                gaveUp = true; // ends the loop, so a failure cannot hang the test
                hand.AskToClose(dialog.GetWindow());
            }
        });
        dialog.ShowModal("Failed to load plugin\n(Reason: Internal Error)", "Moravox");
        person.join();
        EXPECT_FALSE(gaveUp) << c.first;
        EXPECT_FALSE(dialog.IsShown()) << c.first;
        EXPECT_FALSE(dialog.IsModal());
        EXPECT_EQ(dialog.buttons, c.heard) << c.first;
        // The modal box was sized by the message alone.
        context::SDrawFont message(7, false, false, false, nullptr);
        EXPECT_EQ(dialog.Width(), Width(&message, "(Reason: Internal Error)") + 64);
        Pump();
    }
}

TEST_F(Dialogs, AWindowManagerCloseEndsTheLoopAndLeavesItShown) {
    SRecordingDialog dialog;
    std::thread person([&] {
        SRemoteHand hand;
        if (hand.WaitViewable(dialog.GetWindow(), true)) hand.AskToClose(dialog.GetWindow());
    });
    dialog.ShowModal("Message", "Title");
    person.join();
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.buttons.empty());
    dialog.CloseDialog();
    EXPECT_FALSE(dialog.IsShown());
}

TEST_F(Dialogs, TheMessageBoxWritesTheLineAndShowsTheDialog) {
    ReleaseInfoDialog(nullptr);
    const size_t before = registry::Count();
    testing::internal::CaptureStderr();
    SInfo("Failed to load bank\n(Reason: Saved with newer version", "Moravox");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Moravox: Failed to load bank\n(Reason: Saved with newer version\n");
    SMessageDialog* dialog = InfoDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_FALSE(dialog->IsModal());
    EXPECT_STREQ(dialog->Title(), "Moravox");
    // Centred on the screen (one monitor).
    Display* d = guitest::D();
    const Point at = dialog->GetScreenPosition();
    EXPECT_NEAR(at.x + dialog->Width() / 2, DisplayWidth(d, DefaultScreen(d)) / 2, 1);
    EXPECT_NEAR(at.y + dialog->Height() / 2, DisplayHeight(d, DefaultScreen(d)) / 2, 1);
    EXPECT_GT(registry::Count(), before);
    SInfo("Second", "Moravox"); // the same dialog again
    EXPECT_EQ(InfoDialog(), dialog);
    SRemoteHand other;
    ReleaseInfoDialog(other.display); // lives on another connection: kept
    EXPECT_EQ(InfoDialog(), dialog);
    ReleaseInfoDialog(dialog->Connection());
    EXPECT_EQ(InfoDialog(), nullptr);
    EXPECT_EQ(registry::Count(), before);
}

TEST(DialogUnload, TheMessageBoxGoesBeforeTheDisplay) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SInfo("Failed to load plugin", "Moravox");
            const bool made = InfoDialog() != nullptr;
            UnloadTeardown();
            exit(made && !InfoDialog() && registry::Count() == 0 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "Moravox: Failed to load plugin");
}

} // namespace
