#include "GUI/messagedialog.h"

#include "GUI/colour.h"
#include "GUI/cursor.h"
#include "GUI/globals.h"
#include "GUI/staticdata.h"

namespace velk::gui {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kStyle = STYLE_FULL_EVENTS | STYLE_MARKER | STYLE_DIALOG | 0x1;

int Pixel(int slot) {
    return statdata ? statdata->Colour(slot) : 0;
}

} // namespace

SMessageDialog::SMessageDialog() : ownGlobals(new SGlobals) {
    const unsigned id = static_cast<unsigned>(ownGlobals->counter.exchange(0));
    const LabelText name(64, "SDialog (ID %i)", static_cast<int>(ownGlobals->random.Integer()));
    Create(ownGlobals, nullptr, id, name.Text(), kStyle, 0, 0, kWidth, kHeight, 0, false);
    if (!GetWindow()) return;

    cursor = new SCursor();
    cursor->SetWindow(GetWindow());
    cursor->CreateDefault();
    ownGlobals->cursor = cursor;
    EnableEventHandler(EVENT_BUTTON);
    SetColours(Pixel(COLOUR_SLATE), Pixel(COLOUR_SLATE), Pixel(COLOUR_BLACK), Pixel(COLOUR_ORANGE),
               Pixel(COLOUR_WHITE), Pixel(COLOUR_WHITE), Pixel(COLOUR_WHITE));
    messageFont = new context::SDrawFont(7, false, false, false, nullptr);
    titleFont = new context::SDrawFont(10, true, false, false, nullptr);

    const LabelText titleName(128, "%s - TitleLabel", name.Text());
    titleLabel =
        new SLabel<false>(ownGlobals, this, static_cast<unsigned>(ownGlobals->NextId()),
                          titleName.Text(), 0, 10, 10, kWidth - 20, 30, GetWindow(), false);
    titleLabel->SetColours(Pixel(COLOUR_SLATE), Pixel(COLOUR_SLATE), Pixel(COLOUR_BLACK),
                           Pixel(COLOUR_ORANGE), Pixel(COLOUR_ORANGE), Pixel(COLOUR_ORANGE),
                           Pixel(COLOUR_ORANGE));
    titleLabel->SetLabel("", titleFont, 0);
    titleLabel->SetLabelColours(Pixel(COLOUR_WHITE), Pixel(COLOUR_WHITE));
    titleLabel->Show();
    Add(titleLabel);

    const LabelText messageName(128, "%s - MessageLabel", name.Text());
    messageLabel = new SLabel<false>(ownGlobals, this, static_cast<unsigned>(ownGlobals->NextId()),
                                     messageName.Text(), 0, 10, 40, kWidth - 20, kHeight - 90,
                                     GetWindow(), false);
    messageLabel->SetColours(Pixel(COLOUR_SLATE), Pixel(COLOUR_SLATE), Pixel(COLOUR_BLACK),
                             Pixel(COLOUR_ORANGE), Pixel(COLOUR_WHITE), Pixel(COLOUR_WHITE),
                             Pixel(COLOUR_WHITE));
    messageLabel->SetLabel("", messageFont, 0);
    messageLabel->SetLabelColours(Pixel(COLOUR_WHITE), Pixel(COLOUR_WHITE));
    messageLabel->Show();
    Add(messageLabel);

    const LabelText buttonName(128, "%s - MessageButton", name.Text());
    okButton = new SButton<false>(ownGlobals, this, static_cast<unsigned>(ownGlobals->NextId()),
                                  buttonName.Text(), kStyleRounded, kWidth / 2 - 20, kHeight - 40,
                                  40, 20, GetWindow(), false);
    okButton->SetColours(Pixel(COLOUR_GREY44), Pixel(COLOUR_STEEL), Pixel(COLOUR_SLATE),
                         Pixel(COLOUR_ORANGE), Pixel(COLOUR_BLACK), Pixel(COLOUR_WHITE),
                         Pixel(COLOUR_WHITE));
    okButton->SetLabel("OK", titleFont, 0);
    okButton->SetLabelColours(Pixel(COLOUR_WHITE), Pixel(COLOUR_GREY));
    okButton->SetType(BUTTON_COMMAND);
    okButton->SetHoverColours(Pixel(COLOUR_STEEL), Pixel(COLOUR_STEEL));
    okButton->AddEventListener(this, EVENT_BUTTON);
    okButton->Show();
    Add(okButton);
    Refresh();
}

// The children go before the fonts they draw with and the resources they share.
SMessageDialog::~SMessageDialog() {
    CleanUp();
    for (SControl* child : {static_cast<SControl*>(okButton), static_cast<SControl*>(messageLabel),
                            static_cast<SControl*>(titleLabel)})
        if (child) Remove(child, true);
    if (ownGlobals) ownGlobals->cursor = nullptr;
    delete cursor;
    delete titleFont;
    delete messageFont;
    delete ownGlobals;
}

void SMessageDialog::ParseEvent(SEvent* event) {
    if (!event || event->type != EVENT_BUTTON || !EventHandled(EVENT_BUTTON)) return;
    if (event->b != 1 || !okButton || event->sender != okButton) return;
    CloseDialog();
    if ((okButton->GetStyle() & STYLE_CAPTURE) && SControl::capture == okButton)
        okButton->MouseReleaseCapture();
    if (okButton->GetInput()) okButton->GetInput()->Reset();
}

void SMessageDialog::Store(const char* newMessage, const char* newTitle) {
    message = LabelText();
    message.Append(newMessage);
    title = LabelText();
    title.Append(newTitle);
    SetTitleText(title.Text());
    if (titleLabel) titleLabel->SetLabel(title);
    if (messageLabel) messageLabel->SetLabel(message.Text(), messageFont, 0);
}

void SMessageDialog::Layout(bool withTitle) {
    const STextSize text = MeasureLines(messageFont, message.Text());
    int M = text.width;
    const int C = text.height;
    if (withTitle) {
        const int T = MeasureLines(titleFont, title.Text()).width;
        if (T > M) M = T;
    }
    if (titleLabel) titleLabel->SetSize(M + 44, 20);
    if (messageLabel) messageLabel->SetSize(M + 44, C + 38);
    if (okButton) {
        okButton->SetPosition(((M + 64) >> 1) - 20, C + 88);
        okButton->Refresh();
    }
    SetSize(M + 64, C + 128);
}

void SMessageDialog::SetMessage(const char* newMessage, const char* newTitle) {
    Store(newMessage, newTitle);
    Layout(true);
}

void SMessageDialog::ShowMessage(const char* newMessage, const char* newTitle) {
    SetMessage(newMessage, newTitle);
    ShowDialog();
}

void SMessageDialog::ShowModal(const char* newMessage, const char* newTitle) {
    Store(newMessage, newTitle);
    Layout(false);
    SDialog::ShowModal();
}

} // namespace velk::gui
