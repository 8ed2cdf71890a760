// Labels and image labels: text layout, drawing, and the click report.
#include "widget_fixture.h"

#include <X11/Xlib.h>

#include <cstring>

#include "GUI/colour.h"
#include "GUI/imagedata.h"
#include "GUI/imagelabel.h"
#include "GUI/label.h"
#include "GUI/staticdata.h"

using namespace velk::gui;
using namespace velk::gui::context;
using guitest::Pump;

namespace {

class Labels : public guitest::WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        font = statdata->FindFont(10, false, false);
        ASSERT_NE(font->Info(), nullptr);
        h = font->Ascent() + font->Descent();
    }
    SLabel<false>* NewLabel(int style, int x, int y, int w, int height) {
        return Own(new SLabel<false>(globals.get(), holder.get(), 20, "label", style, x, y, w,
                                     height, holder->GetWindow(), false));
    }
    int Width(const char* text) const {
        return XTextWidth(font->Info(), text, static_cast<int>(strlen(text)));
    }

    context::SDrawFont* font = nullptr;
    int h = 0;
};

TEST_F(Labels, MeasuringCountsEmptyLinesWithThePreviousHeight) {
    struct Case {
        const char* text;
        int lines; // heights counted
        const char* widest;
    } cases[] = {
        {"one\n\ntwo", 3, "one"}, {"\nab", 2, "ab"}, {"abc\nx", 2, "abc"},
        {"a\n", 1, "a"},          {"", 0, ""},       {"wide line\n\n\nw", 4, "wide line"},
    };
    for (const Case& c : cases) {
        const STextSize size = MeasureLines(font, c.text);
        EXPECT_EQ(size.height, c.lines * h) << c.text;
        EXPECT_EQ(size.width, Width(c.widest)) << c.text;
    }
    EXPECT_EQ(MeasureLines(nullptr, "text").width, 0);
}

TEST_F(Labels, OneLineTakesTheWholeClientArea) {
    SLabel<false>* label = NewLabel(0, 10, 10, 120, 40);
    label->SetLabel("Hello", font, ALIGN_RIGHT);
    ASSERT_EQ(label->Lines().size(), 1u);
    EXPECT_STREQ(label->GetLabel(), "Hello");
    EXPECT_EQ(label->LineRects()[0], Rect(0, 0, 120, 40));
}

TEST_F(Labels, MultiLineBlocksArePlacedByTheAlignment) {
    const int W = 120, H = 60;
    const int tw = Width("second"); // the widest line
    struct Case {
        int align;
        int x; // expected block left
        int y; // expected block top (three line heights)
    } cases[] = {
        {0, (W - tw) >> 1, (H - 3 * h) >> 1},      {ALIGN_RIGHT | ALIGN_BOTTOM, W - tw, H - 3 * h},
        {ALIGN_RIGHT | ALIGN_TOP, W - tw, 0},      {ALIGN_LEFT, 0, (H - 3 * h) >> 1},
        {ALIGN_LEFT | ALIGN_BOTTOM, 0, H - 3 * h},
    };
    SLabel<false>* label = NewLabel(0, 10, 10, W, H);
    for (const Case& c : cases) {
        label->SetLabel("first\n\nsecond", font, c.align);
        // Two lines share the three line heights equally.
        ASSERT_EQ(label->Lines().size(), 2u) << c.align;
        EXPECT_EQ(label->TextHeight(), 3 * h);
        const int band = 3 * h / 2;
        EXPECT_EQ(label->LineRects()[0], Rect(c.x, c.y, c.x + tw, c.y + band)) << c.align;
        EXPECT_EQ(label->LineRects()[1], Rect(c.x, c.y + band, c.x + tw, c.y + 3 * h)) << c.align;
    }
}

TEST_F(Labels, ResizingPlacesTheLinesAgain) {
    SLabel<false>* label = NewLabel(0, 10, 10, 100, 50);
    label->SetLabel("ab\ncd", font, ALIGN_RIGHT | ALIGN_BOTTOM);
    label->SetSize(200, 80);
    const int tw = label->TextWidth();
    EXPECT_EQ(label->LineRects().back().right, 200);
    EXPECT_EQ(label->LineRects().back().bottom, 80);
    EXPECT_EQ(label->LineRects().front().left, 200 - tw);
}

TEST_F(Labels, WithoutAFontNothingIsStored) {
    SLabel<false>* label = NewLabel(0, 10, 10, 100, 20);
    label->SetLabel("ignored");
    EXPECT_STREQ(label->GetLabel(), "");
    EXPECT_TRUE(label->Lines().empty());
    label->Draw(label->GetClient()); // draws no text and does not fail
}

TEST_F(Labels, TextIsDrawnInsideItsLineInTheLabelColour) {
    SLabel<false>* label = NewLabel(0, 10, 10, 140, 60);
    const int black = Colour(COLOUR_BLACK), yellow = Colour(COLOUR_YELLOW);
    label->SetColours(black, black, black, black, black, black, black);
    label->SetLabel("top line\nsecond", font, 0);
    label->SetLabelColours(yellow, Colour(COLOUR_GREY));
    label->Draw(label->GetClient());
    const guitest::SImage image = guitest::Grab(label->GetWindow(), 140, 60);
    int l, t, r, b;
    ASSERT_TRUE(image.InkBox(static_cast<unsigned long>(black), l, t, r, b));
    const Rect& first = label->LineRects().front();
    const Rect& last = label->LineRects().back();
    EXPECT_GE(l, first.left);
    EXPECT_LE(r, first.right + 1);
    EXPECT_GE(t, first.top);
    EXPECT_LE(b, last.bottom + 1);
    for (unsigned long p : image.pixels)
        EXPECT_TRUE(p == static_cast<unsigned long>(black) ||
                    p == static_cast<unsigned long>(yellow));
    // Disabled: the disabled colour.
    label->Enable(false);
    label->Draw(label->GetClient());
    EXPECT_GT(
        guitest::Grab(label->GetWindow(), 140, 60).CountNot(static_cast<unsigned long>(black)), 0);
    EXPECT_EQ(label->GetLabelColour(), Colour(COLOUR_GREY));
}

TEST_F(Labels, HighlightOutlinesTheLabel) {
    SLabel<false>* label = NewLabel(kStyleRounded, 10, 10, 80, 30);
    const int blue = Colour(COLOUR_BLUE), red = Colour(COLOUR_RED);
    label->SetColours(blue, blue, blue, blue, blue, blue, blue);
    label->Highlight(true, red, 0, 0);
    EXPECT_TRUE(label->Highlighted());
    label->Draw(label->GetClient());
    const guitest::SImage image = guitest::Grab(label->GetWindow(), 80, 30);
    // The outline runs along the edges, the rounded corners stay out of it.
    EXPECT_EQ(image.At(40, 0), static_cast<unsigned long>(red));
    EXPECT_EQ(image.At(0, 15), static_cast<unsigned long>(red));
    EXPECT_EQ(image.At(40, 15), static_cast<unsigned long>(blue));
    EXPECT_NE(image.At(0, 0), static_cast<unsigned long>(red));
}

TEST_F(Labels, ClicksReportTheMouseButton) {
    SLabel<false>* label = NewLabel(0, 10, 10, 80, 30);
    SImageLabel* image = Own(new SImageLabel(globals.get(), holder.get(), 21, "image", 0, 100, 10,
                                             80, 30, holder->GetWindow()));
    for (SControl* control : {static_cast<SControl*>(label), static_cast<SControl*>(image)}) {
        listener.Clear();
        guitest::PointerAt(control, 20, 15);
        for (unsigned button : {Button1, Button3, Button2}) guitest::Click(button);
        EXPECT_EQ(listener.Values(EVENT_BUTTON), (std::vector<int>{1, 3, 2}));
        for (const guitest::SHeard& h : listener.heard) {
            EXPECT_EQ(h.a, 1);
            EXPECT_EQ(h.sender, control);
        }
    }
}

TEST_F(Labels, ImageLabelShowsItsImage) {
    SImageLabel* image = Own(new SImageLabel(globals.get(), holder.get(), 21, "image", 0, 10, 10,
                                             60, 20, holder->GetWindow()));
    image->LoadBackground(const_cast<char**>(velk::images::text_logo), 60, 20);
    ASSERT_NE(image->Image(), nullptr);
    ASSERT_NE(image->Image()->GetPixmap(), 0u);
    image->Draw(image->GetClient());
    const guitest::SImage shown = guitest::Grab(image->GetWindow(), 60, 20);
    const guitest::SImage source = guitest::Grab(image->Image()->GetPixmap(), 60, 20);
    EXPECT_EQ(shown.pixels, source.pixels);
}

} // namespace
