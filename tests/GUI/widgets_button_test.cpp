// Buttons driven with the real pointer: push, toggle, command and menu types, the value
// rules, colours and images.
#include "widget_fixture.h"

#include "GUI/button.h"
#include "GUI/colour.h"
#include "GUI/imagedata.h"
#include "GUI/staticdata.h"

using namespace velk::gui;
using guitest::Pump;

namespace {

class Buttons : public guitest::WidgetTest {
protected:
    SButton<false>* NewButton(int type, int style = 0) {
        auto* button = new SButton<false>(globals.get(), holder.get(), 30, "button", style, 20, 20,
                                          60, 24, holder->GetWindow(), false);
        button->SetType(type);
        button->SetLabel("Press", statdata->FindFont(10, false, false), 0);
        return Own(button);
    }
};

TEST_F(Buttons, PushButtonDraggedOutReturnsToZeroWithoutAnEvent) {
    SButton<false>* button = NewButton(BUTTON_PUSH);
    guitest::PointerAt(button, 30, 12);
    guitest::ButtonDown(Button1);
    EXPECT_EQ(button->GetValue(), 1);
    guitest::PointerTo(5, 700);
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_FALSE(button->Hovered());
    guitest::ButtonUp(Button1);
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_EQ(listener.Values(EVENT_BUTTON), std::vector<int>{1});
}

TEST_F(Buttons, PushButtonSpringsBackSilentlyOnRelease) {
    SButton<false>* button = NewButton(BUTTON_PUSH);
    guitest::PointerAt(button, 30, 12);
    guitest::Click(Button1);
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_TRUE(button->Hovered()); // the pointer test after the release
    EXPECT_EQ(listener.Values(EVENT_BUTTON), std::vector<int>{1});
}

TEST_F(Buttons, ToggleButtonsReportWhatTheirTypeAsks) {
    struct Case {
        int type;
        std::vector<int> sent;
    } cases[] = {
        {BUTTON_NOTIFY_OFF, {1, 0}},
        {BUTTON_NOTIFY_OFF2, {1, 0}},
        {0, {1}},
    };
    for (const Case& c : cases) {
        SButton<false>* button = NewButton(c.type);
        listener.Clear();
        guitest::PointerAt(button, 30, 12);
        guitest::Click(Button1);
        EXPECT_EQ(button->GetValue(), 1) << c.type;
        guitest::Click(Button1);
        EXPECT_EQ(button->GetValue(), 0) << c.type;
        EXPECT_EQ(listener.Values(EVENT_BUTTON), c.sent) << c.type;
        holder->Remove(button, true);
    }
}

TEST_F(Buttons, CommandButtonsReportTheMouseButtonAndNeverStayPressed) {
    for (int type : {0 | BUTTON_COMMAND, BUTTON_COMMAND | BUTTON_LEFT_INERT}) {
        SButton<false>* button = NewButton(type);
        listener.Clear();
        guitest::PointerAt(button, 30, 12);
        for (unsigned b : {Button1, Button3, Button2}) {
            guitest::ButtonDown(b);
            EXPECT_EQ(button->GetValue(), 0) << b;
            guitest::ButtonUp(b);
            EXPECT_EQ(button->GetValue(), 0) << b;
        }
        EXPECT_EQ(listener.Values(EVENT_BUTTON), (std::vector<int>{1, 3, 2})) << type;
        EXPECT_TRUE(button->Hovered());
        holder->Remove(button, true);
    }
}

TEST_F(Buttons, OtherButtonsIgnoreRightAndMiddlePresses) {
    SButton<false>* button = NewButton(BUTTON_NOTIFY_OFF);
    guitest::PointerAt(button, 30, 12);
    guitest::Click(Button3);
    guitest::Click(Button2);
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(Buttons, LeftInertButtonsIgnoreTheLeftButton) {
    SButton<false>* button = NewButton(BUTTON_LEFT_INERT | BUTTON_NOTIFY_OFF);
    guitest::PointerAt(button, 30, 12);
    guitest::Click(Button1);
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(Buttons, SetValueReportsOnlyChangesAndOnlyWhenAsked) {
    SButton<false>* button = NewButton(BUTTON_NOTIFY_OFF);
    EXPECT_FALSE(button->SetValue(0, true));
    EXPECT_TRUE(button->SetValue(1, false));
    EXPECT_TRUE(listener.heard.empty());
    EXPECT_TRUE(button->SetValue(0, true));
    // Through the value-holder base, the same override.
    SIValueHolder<int>* holderBase = button;
    EXPECT_TRUE(holderBase->SetValue(1, true));
    EXPECT_EQ(listener.Values(EVENT_BUTTON), (std::vector<int>{0, 1}));
    button->Reset();
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_TRUE(button->MenuSuppressed());
}

TEST_F(Buttons, LabelColoursFollowValueAndState) {
    SButton<false>* button = NewButton(BUTTON_NOTIFY_OFF);
    const int white = Colour(COLOUR_WHITE), grey = Colour(COLOUR_GREY),
              black = Colour(COLOUR_BLACK);
    button->SetLabelColourActive(black);
    button->SetLabelColours(white, grey); // also the active colour now
    button->SetValue(1, false);
    EXPECT_EQ(button->GetLabelColour(), white);
    button->SetLabelColourActive(black);
    EXPECT_EQ(button->GetLabelColour(), black);
    button->SetValue(0, false);
    EXPECT_EQ(button->GetLabelColour(), white);
    button->Enable(false);
    EXPECT_EQ(button->GetLabelColour(), grey);
}

TEST_F(Buttons, ClearStateReleasesAPressedPushButtonSilently) {
    SButton<false>* button = NewButton(BUTTON_PUSH);
    button->SetValue(1, false);
    guitest::PointerAt(button, 30, 12);
    ASSERT_TRUE(button->Hovered());
    button->ClearState();
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_FALSE(button->Hovered());
    EXPECT_FALSE(button->MouseState()[MOUSE_INSIDE]);
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(Buttons, HoverAndPressedColoursAreDrawn) {
    SButton<false>* button = NewButton(BUTTON_NOTIFY_OFF);
    const int grey = Colour(COLOUR_GREY22), orange = Colour(COLOUR_ORANGE),
              yellow = Colour(COLOUR_YELLOW), red = Colour(COLOUR_RED),
              black = Colour(COLOUR_BLACK);
    button->SetColours(grey, orange, black, grey, orange, grey, orange);
    button->SetHoverColours(yellow, red);
    auto at = [&](int x, int y) {
        button->Draw(button->GetClient());
        return guitest::Grab(button->GetWindow(), 60, 24).At(x, y);
    };
    // Away: the outline blends into the parent.
    EXPECT_EQ(at(30, 0), static_cast<unsigned long>(black));
    EXPECT_EQ(at(2, 12), static_cast<unsigned long>(grey));
    guitest::PointerAt(button, 30, 12);
    EXPECT_EQ(at(30, 0), static_cast<unsigned long>(yellow));
    guitest::Click(Button1);
    EXPECT_EQ(at(30, 0), static_cast<unsigned long>(red));
    EXPECT_EQ(at(2, 12), static_cast<unsigned long>(orange));
}

TEST_F(Buttons, ImagesNeedBothPixmaps) {
    SButton<false>* button = NewButton(BUTTON_NOTIFY_OFF);
    void* logo = const_cast<char**>(velk::images::text_logo);
    void* arrow = const_cast<char**>(velk::images::cursor_arrow_XOR);
    button->SetBitmaps(logo, nullptr, 60, 24);
    EXPECT_FALSE(button->GetType() & BUTTON_IMAGES);
    button->SetBitmaps(new context::SDrawBitmap(logo, 60, 24, false), new context::SDrawBitmap);
    EXPECT_FALSE(button->GetType() & BUTTON_IMAGES);
    button->SetBitmaps(logo, arrow, 60, 24);
    ASSERT_TRUE(button->GetType() & BUTTON_IMAGES);
    button->SetValue(1, false);
    button->Draw(button->GetClient());
    const guitest::SImage shown = guitest::Grab(button->GetWindow(), 24, 20);
    context::SDrawBitmap expected(arrow, 24, 24, false);
    // The on image, under the outline along the top edge.
    const guitest::SImage source = guitest::Grab(expected.GetPixmap(), 24, 20);
    for (int y = 1; y < 20; ++y)
        for (int x = 1; x < 24; ++x) ASSERT_EQ(shown.At(x, y), source.At(x, y)) << x << "," << y;
}

TEST_F(Buttons, MenuButtonsOpenTheirMenuBelowThemselves) {
    SButton<false>* button = NewButton(BUTTON_MENU);
    guitest::PointerAt(button, 30, 12);
    guitest::Click(Button1); // no menu: nothing
    EXPECT_EQ(button->GetValue(), 0);
    SMenu menu;
    button->SetMenu(&menu);
    guitest::Click(Button1);
    EXPECT_TRUE(menu.IsShown());
    EXPECT_EQ(button->GetValue(), 1);
    EXPECT_EQ(menu.Position(), Point(holderX + 20, holderY + 20 + 24));
    guitest::Click(Button2);
    EXPECT_FALSE(menu.IsShown());
    EXPECT_EQ(button->GetValue(), 0);
    EXPECT_EQ(listener.Values(EVENT_BUTTON), (std::vector<int>{1, 0}));
    button->SetMenu(nullptr);
}

} // namespace
