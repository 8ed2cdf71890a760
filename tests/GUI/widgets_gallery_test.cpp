// Every widget kind drawn the way the panel uses it. Each picture is checked for text
// inside its box; with MORAVOX_GUI_SHOTS set the pictures are also written there (PPM)
// for a person to look at.
#include "widget_fixture.h"

#include "GUI/button.h"
#include "GUI/colour.h"
#include "GUI/dial.h"
#include "GUI/imagedata.h"
#include "GUI/imagelabel.h"
#include "GUI/label.h"
#include "GUI/messagedialog.h"
#include "GUI/staticdata.h"
#include "GUI/tooltip.h"

using namespace velk::gui;
using namespace velk::gui::context;
using guitest::Pump;

namespace {

class Gallery : public guitest::WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        const int surface = Colour(COLOUR_GREY22);
        holder->SetColours(surface, surface, surface, surface, surface, surface, surface);
        holder->Refresh();
    }
    context::SDrawFont* Font(int size, bool bold = false) {
        return statdata->FindFont(size, bold, false);
    }
    // Lets the dispatcher paint everything, then grabs the holder with its children.
    guitest::SImage Picture(const char* name, int width, int height) {
        Pump();
        for (const SWindow::SChild& child : holder->Children())
            child.control->Draw(child.control->GetClient());
        XSync(guitest::D(), False);
        guitest::SImage image = guitest::Grab(holder->GetWindow(), width, height);
        guitest::SaveShot(image, name);
        return image;
    }
    // Pixels of the text colour inside the rectangle, and outside it.
    static void Ink(const guitest::SImage& image, int colour, const Rect& box, int& in, int& out) {
        in = out = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (image.At(x, y) == static_cast<unsigned long>(colour))
                    ++(box.ContainsInclusive(Point(x, y)) ? in : out);
    }
    SLabel<false>* NewLabel(int style, const Rect& r, const char* text, int align) {
        auto* label = new SLabel<false>(globals.get(), holder.get(), 60, "label", style, r.left,
                                        r.top, r.Width(), r.Height(), holder->GetWindow(), false);
        const int slate = Colour(COLOUR_SLATE);
        label->SetColours(slate, slate, Colour(COLOUR_GREY22), Colour(COLOUR_ORANGE),
                          Colour(COLOUR_ORANGE), Colour(COLOUR_WHITE), Colour(COLOUR_WHITE));
        label->SetFrameColour(Colour(COLOUR_GREY66), Colour(COLOUR_ORANGE), Colour(COLOUR_GREY44));
        label->SetLabel(text, Font(8), align);
        label->SetLabelColours(Colour(COLOUR_WHITE), Colour(COLOUR_GREY));
        return Own(label);
    }
    SButton<false>* NewButton(const Rect& r, const char* text, int type, int value) {
        auto* button = new SButton<false>(globals.get(), holder.get(), 61, "button",
                                          kStyleRounded | STYLE_FRAME, r.left, r.top, r.Width(),
                                          r.Height(), holder->GetWindow(), false);
        button->SetType(type);
        button->SetColours(Colour(COLOUR_GREY44), Colour(COLOUR_ORANGE), Colour(COLOUR_GREY22),
                           Colour(COLOUR_GREY66), Colour(COLOUR_ORANGE), Colour(COLOUR_WHITE),
                           Colour(COLOUR_BLACK));
        button->SetFrameColour(Colour(COLOUR_GREY66), Colour(COLOUR_ORANGE), Colour(COLOUR_GREY44));
        button->SetLabel(text, Font(8), 0);
        button->SetLabelColours(Colour(COLOUR_WHITE), Colour(COLOUR_GREY));
        button->SetLabelColourActive(Colour(COLOUR_BLACK));
        button->SetHoverColours(Colour(COLOUR_ORANGE), Colour(COLOUR_YELLOW));
        button->SetValue(value, false);
        return Own(button);
    }
    SDial<int>* NewDial(const Rect& r, int value, int max) {
        auto* dial = new SDial<int>(globals.get(), holder.get(), 62, "dial", kStyleRounded | 0x20,
                                    r.left, r.top, r.Width(), r.Height(), false, true,
                                    holder->GetWindow(), value, 0, max, 0);
        const int black = Colour(COLOUR_BLACK);
        dial->SetColours(black, black, Colour(COLOUR_GREY22), Colour(COLOUR_WHITE),
                         Colour(COLOUR_WHITE), Colour(COLOUR_WHITE), Colour(COLOUR_WHITE));
        dial->SetHandleColours(black, Colour(COLOUR_WHITE));
        dial->SetValueFont(Font(7));
        dial->SetLabelColours(Colour(COLOUR_WHITE), Colour(COLOUR_GREY));
        dial->SetHoverColours(Colour(COLOUR_GREY66), Colour(COLOUR_ORANGE));
        return Own(dial);
    }
};

TEST_F(Gallery, Labels) {
    const Rect plain(10, 10, 130, 30), rounded(140, 10, 260, 30), lines(10, 40, 130, 100),
        corner(140, 40, 260, 100);
    NewLabel(STYLE_FRAME, plain, "Plain label", 0);
    NewLabel(kStyleRounded | STYLE_FRAME, rounded, "Rounded", 0);
    NewLabel(STYLE_FRAME, lines, "Three lines\n\ncentred", 0);
    SLabel<false>* right =
        NewLabel(kStyleRounded, corner, "bottom\nright", ALIGN_RIGHT | ALIGN_BOTTOM);
    right->Highlight(true, Colour(COLOUR_RED), 0, 0);
    const guitest::SImage image = Picture("widgets-label", 270, 110);
    int in = 0, out = 0;
    for (const Rect& box : {plain, rounded, lines, corner}) {
        Ink(image, Colour(COLOUR_WHITE), box, in, out);
        EXPECT_GT(in, 20) << box.left << "," << box.top;
    }
    Ink(image, Colour(COLOUR_WHITE), Rect(0, 0, 270, 110), in, out);
    EXPECT_EQ(out, 0) << "no text outside the labels";
}

TEST_F(Gallery, ButtonsAndImageLabel) {
    NewButton(Rect(10, 10, 60, 30), "PUSH", BUTTON_PUSH, 0);
    NewButton(Rect(70, 10, 120, 30), "ON", BUTTON_NOTIFY_OFF, 1);
    SButton<false>* alternative = NewButton(Rect(130, 10, 180, 30), "ADV", BUTTON_NOTIFY_OFF, 1);
    alternative->SetLabelAlternative("BACK", true);
    SButton<false>* hovered = NewButton(Rect(190, 10, 240, 30), "Hover", BUTTON_COMMAND, 0);
    SImageLabel* logo = Own(new SImageLabel(globals.get(), holder.get(), 63, "logo", 0, 10, 40, 180,
                                            45, holder->GetWindow()));
    logo->LoadBackground(const_cast<char**>(velk::images::text_logo), 180, 45);
    guitest::PointerAt(hovered, 25, 10);
    EXPECT_TRUE(hovered->Hovered());
    const guitest::SImage image = Picture("widgets-button", 250, 95);
    int in = 0, out = 0;
    Ink(image, Colour(COLOUR_WHITE), Rect(10, 10, 60, 30), in, out);
    EXPECT_GT(in, 10) << "released: white text";
    Ink(image, Colour(COLOUR_BLACK), Rect(70, 10, 120, 30), in, out);
    EXPECT_GT(in, 10) << "pressed: black text on the active colour";
    EXPECT_EQ(image.At(95, 20 - 8), static_cast<unsigned long>(Colour(COLOUR_ORANGE)));
    EXPECT_EQ(image.At(215, 10), static_cast<unsigned long>(Colour(COLOUR_ORANGE)))
        << "the hover outline";
}

TEST_F(Gallery, Dials) {
    NewDial(Rect(10, 10, 58, 26), 42, 127);
    SDial<int>* format = NewDial(Rect(70, 10, 118, 26), 1, 22);
    auto* texts = new LabelText[23];
    texts[1].Append("Note-On");
    format->tableB = texts;
    format->ownsTableB = true;
    format->useTableB = true;
    SDial<int>* hovered = NewDial(Rect(130, 10, 166, 24), 16, 16);
    guitest::PointerAt(hovered, 10, 7);
    const guitest::SImage image = Picture("widgets-dial", 180, 36);
    int in = 0, out = 0;
    for (const Rect& box : {Rect(10, 10, 58, 26), Rect(70, 10, 118, 26), Rect(130, 10, 166, 24)}) {
        Ink(image, Colour(COLOUR_WHITE),
            Rect(box.left + 2, box.top + 2, box.right - 3, box.bottom - 3), in, out);
        EXPECT_GT(in, 8) << box.left;
    }
    EXPECT_EQ(image.At(148, 10), static_cast<unsigned long>(Colour(COLOUR_ORANGE)));
}

TEST_F(Gallery, Tooltips) {
    SToolTip* tip = new SToolTip(holder.get(), false);
    tip->SetTipTextColour(Colour(COLOUR_WHITE));
    tip->SetTipTitleColour(Colour(COLOUR_ORANGE));
    tip->SetArrowColour(Colour(COLOUR_RED));
    tip->SetRounded(true);
    tip->SetBoldSecondLine(true);
    const int black = Colour(COLOUR_BLACK);
    tip->SetColours(black, black, black, black, black, Colour(COLOUR_WHITE), Colour(COLOUR_WHITE));
    SLabel<false>* control = NewLabel(0, Rect(150, 200, 198, 216), "IN", 0);
    control->SetTooltip(
        tip, "Option:\nSelect Output Type\n   \nCC | Control Change\nPC | Program Change\n", 0);
    tip->EnableTooltips(true);
    guitest::PointerAt(control, 20, 8);
    ASSERT_TRUE(tip->IsShown());
    Pump();
    tip->Draw(tip->GetClient());
    const guitest::SImage image = guitest::Grab(tip->GetWindow(), tip->Width(), tip->Height());
    guitest::SaveShot(image, "widgets-tooltip");
    int in = 0, out = 0;
    Ink(image, Colour(COLOUR_ORANGE), control->GetTooltip()->objects[0]->rect, in, out);
    EXPECT_GT(in, 10) << "the title line";
    EXPECT_EQ(out, 0);
    Ink(image, Colour(COLOUR_WHITE), control->GetTooltip()->bounds, in, out);
    EXPECT_GT(in, 50);
    EXPECT_EQ(out, 0);
    EXPECT_EQ(image.At(tip->Width() / 2, tip->Height() - 3),
              static_cast<unsigned long>(Colour(COLOUR_RED)));
}

TEST_F(Gallery, MessageDialog) {
    SMessageDialog dialog;
    dialog.ShowMessage("Failed to load bank\n(Reason: Saved with newer version\n"
                       "This version = 1.02\nSome settings will be lost !)",
                       "Moravox");
    Pump();
    for (SControl* c :
         {static_cast<SControl*>(&dialog), static_cast<SControl*>(dialog.TitleLabel()),
          static_cast<SControl*>(dialog.MessageLabel()), static_cast<SControl*>(dialog.OkButton())})
        c->Draw(c->GetClient());
    XSync(guitest::D(), False);
    const guitest::SImage image =
        guitest::Grab(dialog.GetWindow(), dialog.Width(), dialog.Height());
    guitest::SaveShot(image, "widgets-dialog");
    int in = 0, out = 0;
    Ink(image, Colour(COLOUR_WHITE), dialog.MessageLabel()->GetRect(), in, out);
    const int message = in;
    Ink(image, Colour(COLOUR_WHITE), dialog.TitleLabel()->GetRect(), in, out);
    EXPECT_GT(in, 20);
    EXPECT_GT(message, 100);
    Ink(image, Colour(COLOUR_WHITE), dialog.OkButton()->GetRect(), in, out);
    EXPECT_GT(in, 10) << "OK";
    dialog.CloseDialog();
}

} // namespace
