// The value interfaces and the dial, driven with the real pointer and keyboard.
#include "widget_fixture.h"

#include <X11/keysym.h>

#include "GUI/colour.h"
#include "GUI/dial.h"
#include "GUI/staticdata.h"

using namespace velk::gui;
using guitest::Pump;

namespace {

TEST(ValueRange, RangeDefaultMiddleAndScale) {
    struct Case {
        int min, max, def;
        int expectedDef, expectedMed;
        float scale;
    } cases[] = {
        {0, 10, 20, 10, 5, 0.1f},
        {0, 127, -3, 0, 63, 1.0f / 127},
        {3, 3, 0, 3, 3, 1.0f},
        {-10, 5, 0, 0, -3, 1.0f / 15},
    };
    for (const Case& c : cases) {
        SIControllable<int> v;
        v.SetValue(42, false);
        v.SetValueRange(c.min, c.max, c.def);
        EXPECT_EQ(v.GetValue(), 42) << "the value itself is not clamped";
        EXPECT_EQ(v.GetValueDef(), c.expectedDef) << c.min << ".." << c.max;
        EXPECT_EQ(v.GetValueMed(), c.expectedMed) << c.min << ".." << c.max;
        EXPECT_FLOAT_EQ(v.GetScale(), c.scale);
        EXPECT_EQ(v.GetValueRange(), c.max - c.min);
    }
}

TEST(ValueRange, ClippingResettingAndBounds) {
    SIControllable<int> v;
    v.SetValueRange(1, 16, 16);
    EXPECT_TRUE(v.SetValueClipped(40));
    EXPECT_EQ(v.GetValue(), 16);
    EXPECT_FALSE(v.SetValueClipped(17));
    EXPECT_TRUE(v.SetValueClipped(-3));
    EXPECT_EQ(v.GetValue(), 1);
    v.SetValueMax(9); // pulls the default inside
    EXPECT_EQ(v.GetValueDef(), 9);
    EXPECT_EQ(v.GetValueMed(), 5);
    v.SetValueMin(12);
    EXPECT_EQ(v.GetValueDef(), 12);
    v.SetValueRange(0, 100, 30);
    v.Reset();
    EXPECT_EQ(v.GetValue(), 30);
    EXPECT_TRUE(v.SetValueMed());
    EXPECT_EQ(v.GetValue(), 50);
    EXPECT_FALSE(v.SetValueMed());
    EXPECT_EQ(v.ScaleValue(0.25f, false), 25);
    EXPECT_EQ(v.ScaleValue(0.25f, true), 75);
    EXPECT_EQ(v.GetValueStep(), 1);
}

class Dials : public guitest::WidgetTest {
protected:
    SDial<int>* NewDial(int value, int min, int max, int def, bool wholeZone = true) {
        auto* dial =
            new SDial<int>(globals.get(), holder.get(), 40, "dial", kStyleRounded, 20, 20, 48, 16,
                           false, wholeZone, holder->GetWindow(), value, min, max, def);
        dial->SetValueFont(statdata->FindFont(7, false, false));
        return Own(dial);
    }
    // Presses a button on the dial, drags by the steps and releases.
    void Drag(SDial<int>* dial, unsigned button, std::initializer_list<int> steps) {
        guitest::PointerAt(dial, 24, 8);
        guitest::ButtonDown(button);
        for (int dy : steps) guitest::PointerBy(0, dy);
        guitest::ButtonUp(button);
    }
    std::vector<int> Values() const { return listener.Values(EVENT_VALUE); }
};

TEST_F(Dials, AtItsBoundsADialSendsNothing) {
    SDial<int>* top = NewDial(10, 0, 10, 0);
    Drag(top, Button1, {-8, -8, -8});
    Drag(top, Button3, {-20});
    guitest::PointerAt(top, 24, 8);
    guitest::Click(Button4);
    EXPECT_EQ(top->GetValue(), 10);
    top->SetValue(0, false);
    Drag(top, Button1, {8, 8, 8});
    guitest::PointerAt(top, 24, 8);
    guitest::Click(Button5);
    EXPECT_EQ(top->GetValue(), 0);
    EXPECT_TRUE(Values().empty());
}

TEST_F(Dials, AFastDragInPixelModeStopsAtTheMaximumWithOneEvent) {
    SDial<int>* dial = NewDial(17, 0, 20, 0);
    dial->thresholdMode = false;
    Drag(dial, Button1, {-7});
    EXPECT_EQ(dial->GetValue(), 20);
    EXPECT_EQ(Values(), std::vector<int>{20});
    listener.Clear();
    Drag(dial, Button1, {2, 3});
    EXPECT_EQ(Values(), (std::vector<int>{18, 15}));
}

TEST_F(Dials, DragsStepOncePerThreshold) {
    struct Case {
        unsigned button;
        int threshold;
    } cases[] = {{Button3, 12}, {Button1, 5}};
    for (const Case& c : cases) {
        SDial<int>* dial = NewDial(50, 0, 100, 0);
        listener.Clear();
        guitest::PointerAt(dial, 24, 8);
        guitest::ButtonDown(c.button);
        guitest::PointerBy(0, c.threshold); // not past it yet
        EXPECT_EQ(dial->GetValue(), 50) << c.threshold;
        guitest::PointerBy(0, 1);
        EXPECT_EQ(dial->GetValue(), 49) << c.threshold;
        // The anchor moved with the step: slow movement accumulates again.
        for (int i = 0; i < c.threshold; ++i) guitest::PointerBy(0, -1);
        EXPECT_EQ(dial->GetValue(), 49) << c.threshold;
        guitest::PointerBy(0, -1);
        EXPECT_EQ(dial->GetValue(), 50) << c.threshold;
        guitest::ButtonUp(c.button);
        EXPECT_EQ(Values(), (std::vector<int>{49, 50})) << c.threshold;
        // Released: movement changes nothing.
        guitest::PointerBy(0, -30);
        EXPECT_EQ(dial->GetValue(), 50);
        holder->Remove(dial, true);
        guitest::PointerTo(5, 700);
    }
}

TEST_F(Dials, TheWheelStepsByOne) {
    SDial<int>* dial = NewDial(5, 0, 9, 0);
    guitest::PointerAt(dial, 24, 8);
    guitest::Click(Button4);
    guitest::Click(Button4);
    guitest::Click(Button5);
    EXPECT_EQ(dial->GetValue(), 6);
    EXPECT_EQ(Values(), (std::vector<int>{6, 7, 6}));
}

TEST_F(Dials, AMiddleClickStepsTowardsTheClickedHalf) {
    SDial<int>* dial = NewDial(5, 0, 9, 0);
    guitest::PointerAt(dial, 40, 8);
    guitest::Click(Button2);
    EXPECT_EQ(dial->GetValue(), 6);
    guitest::PointerAt(dial, 5, 8);
    guitest::Click(Button2);
    guitest::Click(Button2);
    EXPECT_EQ(dial->GetValue(), 4);
    EXPECT_EQ(Values(), (std::vector<int>{6, 5, 4}));
    // Every press also reports the middle button.
    EXPECT_EQ(listener.Values(EVENT_BUTTON), (std::vector<int>{2, 2, 2}));
}

TEST_F(Dials, CtrlClickResetsWithoutAValueEvent) {
    SDial<int>* dial = NewDial(7, 0, 20, 3);
    guitest::PointerAt(dial, 24, 8);
    guitest::KeyDown(XK_Control_L);
    guitest::Click(Button1);
    guitest::KeyUp(XK_Control_L);
    EXPECT_EQ(dial->GetValue(), 3);
    EXPECT_TRUE(Values().empty());
    EXPECT_EQ(listener.Values(EVENT_BUTTON), std::vector<int>{1});
}

TEST_F(Dials, PressesOutsideTheHandleZoneChangeNothing) {
    SDial<int>* dial = NewDial(7, 0, 20, 3, false);
    dial->SetHandleZone(Rect(0, 0, 20, 16));
    guitest::PointerAt(dial, 40, 8);
    guitest::KeyDown(XK_Control_L);
    guitest::Click(Button1);
    guitest::KeyUp(XK_Control_L);
    guitest::Click(Button2);
    EXPECT_EQ(SControl::capture, nullptr);
    guitest::PointerAt(dial, 10, 8);
    guitest::ButtonDown(Button1);
    EXPECT_EQ(SControl::capture, dial) << "inside the zone the dial holds the mouse";
    guitest::ButtonUp(Button1);
    EXPECT_EQ(SControl::capture, nullptr);
    guitest::PointerAt(dial, 40, 8);
    guitest::ButtonDown(Button1);
    EXPECT_EQ(SControl::capture, nullptr) << "a press outside the zone gives the capture back";
    guitest::PointerBy(0, -30);
    guitest::ButtonUp(Button1);
    EXPECT_EQ(dial->GetValue(), 7);
    EXPECT_TRUE(Values().empty());
    EXPECT_EQ(listener.Values(EVENT_BUTTON), (std::vector<int>{1, 2, 1, 1}));
}

TEST_F(Dials, ValuesOutsideTheTableShowTheirNumber) {
    SDial<int>* dial = NewDial(1, 0, 2, 0);
    EXPECT_EQ(dial->entryCount, 3);
    dial->tableB = new LabelText[3];
    dial->tableB[0].Append("STD");
    dial->tableB[1].Append("MERS");
    dial->tableB[2].Append("P/M");
    dial->ownsTableB = true;
    dial->useTableB = true;
    struct Case {
        int value;
        const char* shown;
    } cases[] = {{1, "MERS"}, {2, "P/M"}, {3, "3"}, {-1, "-1"}, {1000000, "1000000"}};
    for (const Case& c : cases) {
        dial->SetValue(c.value, false);
        EXPECT_STREQ(dial->ValueText().Text(), c.shown) << c.value;
        dial->Draw(dial->GetClient()); // never reads past the table
    }
    LabelText names[3];
    names[2].Append("two");
    dial->tableA = names;
    dial->useTableA = true;
    dial->SetValue(2, false);
    EXPECT_STREQ(dial->ValueText().Text(), "two") << "table A wins";
    dial->useTableA = false;
    dial->tableA = nullptr;
    dial->useTableB = false;
    EXPECT_STREQ(dial->ValueText().Text(), "2");
    // An empty range has one entry.
    SDial<int>* single = NewDial(4, 4, 4, 4);
    EXPECT_EQ(single->entryCount, 1);
    EXPECT_FLOAT_EQ(single->GetScale(), 1.0f);
}

TEST_F(Dials, DrawingGoesThroughTheBufferInOneCopy) {
    SDial<int>* dial = NewDial(42, 0, 127, 0);
    const int black = Colour(COLOUR_BLACK), grey = Colour(COLOUR_GREY22),
              white = Colour(COLOUR_WHITE), orange = Colour(COLOUR_ORANGE);
    dial->SetColours(black, black, black, white, white, white, white);
    dial->SetHandleColours(grey, white);
    dial->SetLabelColours(white, Colour(COLOUR_GREY));
    dial->SetHoverColours(black, orange);
    ASSERT_NE(dial->BufferDevice(), nullptr);
    dial->Draw(dial->GetClient());
    const guitest::SImage shown = guitest::Grab(dial->GetWindow(), 48, 16);
    const guitest::SImage buffer = guitest::Grab(dial->BufferDevice()->GetDrawable(), 48, 16);
    EXPECT_EQ(shown.pixels, buffer.pixels);
    // The handle fills the box; the number is written in white in its middle.
    int ink = 0;
    for (int y = 3; y < 13; ++y)
        for (int x = 5; x < 43; ++x) ink += shown.At(x, y) == static_cast<unsigned long>(white);
    EXPECT_GT(ink, 10);
    EXPECT_EQ(shown.At(24, 1), static_cast<unsigned long>(grey));
    // Hovered: the outline in the hover colour.
    guitest::PointerAt(dial, 24, 8);
    EXPECT_TRUE(dial->Hovered());
    dial->Draw(dial->GetClient());
    EXPECT_EQ(guitest::Grab(dial->GetWindow(), 48, 16).At(24, 0),
              static_cast<unsigned long>(orange));
    // Without a value font no text is drawn.
    dial->SetValueFont(nullptr);
    dial->Draw(dial->GetClient());
    const guitest::SImage plain = guitest::Grab(dial->GetWindow(), 48, 16);
    for (int y = 3; y < 13; ++y)
        for (int x = 5; x < 43; ++x) ASSERT_EQ(plain.At(x, y), static_cast<unsigned long>(grey));
}

} // namespace
