// Tooltips: layout of the help texts, drawing with the arrow, switching on and off, and
// opening and closing with the real pointer.
#include "widget_fixture.h"

#include <cstring>

#include "GUI/colour.h"
#include "GUI/label.h"
#include "GUI/staticdata.h"
#include "GUI/tooltip.h"

using namespace velk::gui;
using guitest::Pump;

namespace {

class Tooltips : public guitest::WidgetTest {
protected:
    void SetUp() override {
        holderY = 0; // at the top edge of the screen
        WidgetTest::SetUp();
        tip = new SToolTip(holder.get(), false);
        ASSERT_NE(tip->RegularFont(), nullptr);
        ASSERT_NE(tip->RegularFont()->Info(), nullptr);
        h = tip->RegularFont()->Ascent() + tip->RegularFont()->Descent();
    }
    SLabel<false>* NewControl(int x, int y) {
        return Own(new SLabel<false>(globals.get(), holder.get(), 50, "control", 0, x, y, 40, 20,
                                     holder->GetWindow(), false));
    }
    int Width(const char* text, context::SDrawFont* font) const {
        return XTextWidth(font->Info(), text, static_cast<int>(strlen(text)));
    }
    STextObjectX* Object(SControl* control, size_t i) {
        return static_cast<STextObjectX*>(control->GetTooltip()->objects.at(i));
    }

    SToolTip* tip = nullptr; // owned by the holder
    int h = 0;
};

TEST_F(Tooltips, OneLineTextMakesATitleColouredBox) {
    SLabel<false>* control = NewControl(20, 100);
    control->SetTooltip(tip, "Help text", 2);
    SToolTipData* data = control->GetTooltip();
    ASSERT_EQ(data->objects.size(), 1u);
    const int w = Width("Help text", tip->RegularFont());
    EXPECT_EQ(data->bounds.Width(), w);
    EXPECT_EQ(data->bounds.Height(), h + 4);
    EXPECT_EQ(data->boxWidth, w + 48);
    EXPECT_EQ(data->boxHeight, h + 20);
    EXPECT_EQ(Object(control, 0)->textColour, tip->TipTitleColour());
    EXPECT_TRUE(data->lines.empty() && data->lineRects.empty());
    tip->Open(data, Point(300, 300));
    EXPECT_TRUE(tip->IsShown());
    EXPECT_EQ(tip->Width(), data->bounds.Width() + 48);
    EXPECT_EQ(tip->Height(), data->bounds.Height() + 16);
}

TEST_F(Tooltips, SecondLineInBoldAndTheTextColour) {
    tip->SetBoldSecondLine(true);
    tip->SetTipTextColour(Colour(COLOUR_WHITE));
    tip->SetTipTitleColour(Colour(COLOUR_ORANGE));
    SLabel<false>* control = NewControl(20, 100);
    control->SetTooltip(tip, "Option:\nSelect Input Type\n   \nN | Note-On", 0);
    ASSERT_EQ(control->GetTooltip()->objects.size(), 4u);
    EXPECT_EQ(Object(control, 0)->textColour, Colour(COLOUR_ORANGE));
    EXPECT_EQ(Object(control, 0)->font, tip->RegularFont());
    EXPECT_EQ(Object(control, 1)->textColour, Colour(COLOUR_WHITE));
    EXPECT_EQ(Object(control, 1)->font, tip->BoldFont());
    EXPECT_EQ(Object(control, 2)->font, tip->RegularFont());
    // Every line is as wide as the widest, and the lines share the block's height.
    const Rect& bounds = control->GetTooltip()->bounds;
    EXPECT_EQ(bounds.Height(), 4 * h + 4);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(Object(control, i)->rect.Width(), bounds.Width());
    EXPECT_EQ(Object(control, 3)->rect.bottom, bounds.bottom);
}

TEST_F(Tooltips, TheTextMovesAwayFromAnArrowAtTheSide) {
    SLabel<false>* control = NewControl(20, 100);
    control->SetTooltip(tip, "Side", 0);
    const int centred = control->GetTooltip()->bounds.left;
    const struct {
        int placement;
        int shift;
    } cases[] = {{1, 4}, {2, 0}, {3, -4}};
    for (const auto& c : cases) {
        control->SetTooltip(tip, "Side", c.placement);
        EXPECT_EQ(control->GetTooltip()->bounds.left, centred + c.shift) << c.placement;
    }
    EXPECT_EQ(tip->Registered().size(), 1u) << "registering again keeps one entry";
}

TEST_F(Tooltips, ToggledTwiceTheyAreAsBefore) {
    SLabel<false>* control = NewControl(20, 100);
    control->SetTooltip(tip, "Help", 0);
    EXPECT_FALSE(tip->TooltipsEnabled());
    EXPECT_EQ(tip->IndicatorColour(), Colour(COLOUR_BLUE));
    tip->ToggleTooltips();
    EXPECT_TRUE(control->GetState() & STATE_TOOLTIP);
    EXPECT_EQ(tip->IndicatorColour(), Colour(COLOUR_RED));
    tip->ToggleTooltips();
    EXPECT_FALSE(control->GetState() & STATE_TOOLTIP);
    EXPECT_EQ(tip->IndicatorColour(), Colour(COLOUR_BLUE));
    // The indicator square is filled in its colour.
    holder->Draw(holder->GetClient());
    tip->DrawTiprect(holder->GetDrawing());
    const guitest::SImage image = guitest::Grab(holder->GetWindow(), 12, 12);
    EXPECT_EQ(image.At(5, 5), static_cast<unsigned long>(Colour(COLOUR_BLUE)));
    EXPECT_NE(image.At(11, 11), static_cast<unsigned long>(Colour(COLOUR_BLUE)));
}

TEST_F(Tooltips, ContentsWithoutObjectsAreNeverOpened) {
    SLabel<false>* control = NewControl(20, 100);
    SToolTipData empty(tip, control, 0);
    EXPECT_FALSE(empty.HasBounds());
    tip->Open(&empty, Point(10, 10));
    EXPECT_FALSE(tip->IsShown());
    control->SetTooltip(tip, "\n\n", 0); // only empty lines
    EXPECT_FALSE(control->GetTooltip()->HasBounds());
    tip->EnableTooltips(true);
    guitest::PointerAt(control, 10, 10);
    EXPECT_FALSE(tip->IsShown());
    // Without a tip nothing is laid out.
    SToolTipData orphan(nullptr, control, 0);
    orphan.AddLabel("text", 0);
    EXPECT_TRUE(orphan.objects.empty());
}

TEST_F(Tooltips, ThePointerOpensThemOnlyWhenEnabled) {
    SLabel<false>* control = NewControl(100, 120);
    control->SetTooltip(tip, "Help", 2);
    guitest::PointerAt(control, 10, 10);
    EXPECT_FALSE(tip->IsShown());
    guitest::PointerTo(5, 700);
    tip->EnableTooltips(true);
    guitest::PointerAt(control, 10, 10);
    ASSERT_TRUE(tip->IsShown());
    EXPECT_EQ(tip->Data(), control->GetTooltip());
    EXPECT_FALSE(tip->flipped);
    // Below the control, centred on it.
    const Point at = tip->GetScreenPosition();
    EXPECT_EQ(at.y, holderY + 120 + 20 + 3);
    EXPECT_EQ(at.x, holderX + 100 + ((40 - tip->Width()) >> 1));
    guitest::PointerTo(5, 700);
    EXPECT_FALSE(tip->IsShown());
}

TEST_F(Tooltips, AtTheScreenEdgeTheyFlipAndTheArrowFollows) {
    tip->SetArrowColour(Colour(COLOUR_RED));
    tip->SetRounded(true);
    SLabel<false>* control = NewControl(100, 0);
    control->SetTooltip(tip, "Above if there is room", 0);
    tip->EnableTooltips(true);
    guitest::PointerAt(control, 10, 10);
    ASSERT_TRUE(tip->IsShown());
    EXPECT_TRUE(tip->flipped);
    EXPECT_EQ(tip->GetScreenPosition().y, holderY + 0 + 20 + 3);
    guitest::PointerTo(5, 700);
    EXPECT_FALSE(tip->IsShown());
}

TEST_F(Tooltips, TheArrowPointsAtTheControl) {
    const int red = Colour(COLOUR_RED);
    tip->SetArrowColour(red);
    SLabel<false>* control = NewControl(100, 100);
    enum Side { kTop, kBottom, kLeft, kRight };
    const struct {
        int placement;
        bool flipped;
        Side side;
    } cases[] = {{0, false, kBottom}, {0, true, kTop},   {2, false, kTop},   {2, true, kBottom},
                 {1, false, kLeft},   {1, true, kRight}, {3, false, kRight}, {3, true, kLeft}};
    for (const auto& c : cases) {
        control->SetTooltip(tip, "Arrow", c.placement);
        tip->Open(control->GetTooltip(), Point(300, 300));
        tip->flipped = c.flipped;
        Pump();
        tip->Draw(tip->GetClient());
        const int W = tip->Width(), H = tip->Height();
        const guitest::SImage image = guitest::Grab(tip->GetWindow(), W, H);
        const Point inside[4] = {{W / 2, 3}, {W / 2, H - 3}, {3, H / 2}, {W - 3, H / 2}};
        for (int side = 0; side < 4; ++side) {
            const bool lit =
                image.At(inside[side].x, inside[side].y) == static_cast<unsigned long>(red);
            EXPECT_EQ(lit, side == c.side)
                << c.placement << (c.flipped ? " flipped" : "") << " side " << side;
        }
        tip->Close();
    }
}

TEST_F(Tooltips, EitherSideMayGoFirst) {
    SLabel<false>* control = NewControl(20, 100);
    control->SetTooltip(tip, "Help", 0);
    tip->EnableTooltips(true);
    holder->Remove(control, true); // its contents leave the tip
    EXPECT_TRUE(tip->Registered().empty());
    tip->ToggleTooltips();
    SLabel<false>* survivor = NewControl(20, 100);
    survivor->SetTooltip(tip, "Help", 0);
    holder->Remove(tip, true); // the tip goes first
    EXPECT_EQ(survivor->GetTooltip()->tip, nullptr);
    survivor->ShowTooltip(Point(0, 0));
    holder->Remove(survivor, true);
}

} // namespace
