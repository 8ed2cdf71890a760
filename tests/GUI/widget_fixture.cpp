#include <gtest/gtest.h>

#include "widget_fixture.h"

#include <X11/extensions/XTest.h>

#include "GUI/staticdata.h"

namespace guitest {

namespace {
void Settle() {
    XSync(D(), False);
    Pump();
}
} // namespace

bool HaveXTest() {
    int event, error, major, minor;
    return D() && XTestQueryExtension(D(), &event, &error, &major, &minor);
}

void PointerTo(int x, int y) {
    XTestFakeMotionEvent(D(), -1, x, y, CurrentTime);
    Settle();
}

void PointerAt(velk::gui::SControl* control, int x, int y) {
    Window child;
    int sx = 0, sy = 0;
    XTranslateCoordinates(D(), control->GetWindow(), DefaultRootWindow(D()), x, y, &sx, &sy,
                          &child);
    PointerTo(sx, sy);
}

void PointerBy(int dx, int dy) {
    XTestFakeRelativeMotionEvent(D(), dx, dy, CurrentTime);
    Settle();
}

void ButtonDown(unsigned button) {
    XTestFakeButtonEvent(D(), button, True, CurrentTime);
    Settle();
}

void ButtonUp(unsigned button) {
    XTestFakeButtonEvent(D(), button, False, CurrentTime);
    Settle();
}

void Click(unsigned button) {
    ButtonDown(button);
    ButtonUp(button);
}

void KeyDown(KeySym keysym) {
    XTestFakeKeyEvent(D(), XKeysymToKeycode(D(), keysym), True, CurrentTime);
    Settle();
}

void KeyUp(KeySym keysym) {
    XTestFakeKeyEvent(D(), XKeysymToKeycode(D(), keysym), False, CurrentTime);
    Settle();
}

std::vector<int> SListener::Values(int type) const {
    std::vector<int> out;
    for (const SHeard& h : heard)
        if (h.type == type) out.push_back(h.b);
    return out;
}

void WidgetTest::SetUp() {
    ASSERT_NE(D(), nullptr) << "the widget tests need an X server (DISPLAY)";
    ASSERT_TRUE(HaveXTest()) << "the widget tests need the XTest extension";
    globals = std::make_unique<SGlobals>();
    holder = std::make_unique<velk::gui::SWindow>(globals.get(), nullptr, 1, "holder", 0, holderX,
                                                  holderY, 400, 300, 0, false);
    holder->SetColours(Colour(velk::gui::COLOUR_BLACK), Colour(velk::gui::COLOUR_BLACK),
                       Colour(velk::gui::COLOUR_BLACK), Colour(velk::gui::COLOUR_WHITE),
                       Colour(velk::gui::COLOUR_WHITE), Colour(velk::gui::COLOUR_WHITE),
                       Colour(velk::gui::COLOUR_WHITE));
    holder->Show();
    // Park the pointer away from every widget.
    PointerTo(5, 700);
    Pump();
}

void WidgetTest::TearDown() {
    PointerTo(5, 700);
    holder.reset();
    Pump();
}

int WidgetTest::Colour(int slot) {
    return statdata ? statdata->Colour(slot) : 0;
}

} // namespace guitest
