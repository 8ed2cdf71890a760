// What the widget tests share: real pointer and key input through the XTest extension
// (the server generates the events as for a person), a listener that records the
// toolkit events it receives, and a mapped holder window for the widgets.
#pragma once

// gtest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <memory>
#include <vector>

#include "GUI/globals.h"
#include "GUI/window.h"
#include "gui_test_util.h"

namespace guitest {

// Moves the pointer to a screen point, resp. to a client point of a control.
void PointerTo(int x, int y);
void PointerAt(velk::gui::SControl* control, int x, int y);
// Relative movement of the pointer.
void PointerBy(int dx, int dy);
void ButtonDown(unsigned button);
void ButtonUp(unsigned button);
void Click(unsigned button);
void KeyDown(KeySym keysym);
void KeyUp(KeySym keysym);
// Whether the server offers the XTest extension.
bool HaveXTest();

struct SHeard {
    int type;
    int a;
    int b;
    velk::gui::SControl* sender;
};

// A windowless control that records the events its controls send it.
class SListener : public velk::gui::SControl {
public:
    void ParseEvent(velk::gui::SEvent* event) override {
        heard.push_back({event->type, event->a, event->b, event->sender});
    }
    // The b values of the events of one type, in order.
    std::vector<int> Values(int type) const;
    void Clear() { heard.clear(); }

    std::vector<SHeard> heard;
};

class WidgetTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Adds the widget to the holder, listens to it for both event types and shows it.
    template <typename W> W* Own(W* widget) {
        holder->Add(widget);
        widget->AddEventListener(&listener, velk::gui::EVENT_BUTTON);
        widget->AddEventListener(&listener, velk::gui::EVENT_VALUE);
        widget->Show();
        Pump();
        return widget;
    }
    // Pixels of a palette slot.
    static int Colour(int slot);

    std::unique_ptr<SGlobals> globals;
    std::unique_ptr<velk::gui::SWindow> holder;
    SListener listener;
    // Holder position on the screen.
    int holderX = 100;
    int holderY = 100;
};

} // namespace guitest
