#include "GUI/tooltip.h"

#include <algorithm>

#include "GUI/colour.h"
#include "GUI/globals.h"
#include "GUI/staticdata.h"
#include "GUI/window.h"

namespace velk::gui {

void SToolTipData::AddLabel(const char* newText, unsigned) {
    if (!tip || !tip->RegularFont() || !tip->GetDrawing()) return;
    text = velk::data::datastring<32, char>();
    text.Append(newText);
    int w = 0, h = 0;
    tip->GetDrawing()->GetTextDimensions(text.Text(), &w, &h, tip->RegularFont());
    const int blockHeight = h + 4;
    boxWidth = w + 48;
    boxHeight = h + 20;
    int left = (boxWidth - w) >> 1;
    if (placement == 1) left += 4;
    if (placement == 3) left -= 4;
    const int top = (boxHeight - blockHeight - 4) >> 1;
    bounds = Rect(left, top, left + w, top + blockHeight);
}

SToolTipData::~SToolTipData() {
    if (tip) tip->Forget(this);
}

const Point& SToolTipData::GetOffset() const {
    return tip && tip->flipped ? flippedOffset : offset;
}

void SToolTipData::Close() {
    if (tip) tip->Close();
}

SToolTip::SToolTip(SWindow* owner, bool) : owner(owner) {
    SGlobals* shared = owner ? owner->GetGlobals() : nullptr;
    velk::data::datastring<32, char> title(64, "%s (Tooltip)", owner ? owner->GetLabel() : "");
    const unsigned newId = shared ? static_cast<unsigned>(shared->NextId()) : 0;
    Create(shared, owner, newId, title.Text(), STYLE_ROOT_DIALOG | STYLE_DIALOG, 100, 100, 200, 32,
           owner ? owner->GetWindow() : 0, false);
    const int white = SCOL(255, 255, 255);
    const int black = SCOL(0, 0, 0);
    SetColours(white, white, white, black, black, white, white);
    if (GetWindow()) regularFont = new context::SDrawFont(10, false, false, false, nullptr);
    if (owner) owner->Add(this);
}

SToolTip::~SToolTip() {
    CleanUp();
    delete regularFont;
}

void SToolTip::Draw(const Rect& r) {
    context::SDrawing* d = GetDrawing();
    if (!d || !statdata) return;
    d->DrawBackground(r, false);
    d->SetPen(statdata->FindPen(statdata->Colour(COLOUR_BLACK)));
    d->DrawRect(r);
    if (!data || data->text.Length() <= 1) return;
    d->SetFont(regularFont);
    d->SetTextColour(statdata->Colour(COLOUR_BLACK), false);
    d->DrawLabel(data->text.Text(), data->bounds, 0, Point());
}

void SToolTip::MouseStateChanged(bool* state, int code) {
    if (code == MOUSE_LEAVE || (state && !state[MOUSE_INSIDE])) Close();
}

void SToolTip::Open(SToolTipData* contents, const Point& screenPosition) {
    if (!contents) return;
    Close();
    data = contents;
    SetSize(contents->bounds.Width() + 48, contents->bounds.Height() + 16);
    SetPosition(screenPosition.x, screenPosition.y);
    Show();
    shown = true;
}

void SToolTip::Close() {
    if (!shown) return;
    Hide();
    shown = false;
}

void SToolTip::Forget(SToolTipData* contents) {
    if (contents != data) return;
    Close();
    data = nullptr;
}

void SToolTip::Register(SControl* control) {
    if (control && std::find(registered.begin(), registered.end(), control) == registered.end())
        registered.push_back(control);
}

void SToolTip::EnableTooltips(bool on) {
    enabled = on;
    for (SControl* control : registered) control->EnableTooltip(on);
}

} // namespace velk::gui
