#include "GUI/tooltip.h"

#include <algorithm>
#include <cstring>

#include "GUI/colour.h"
#include "GUI/globals.h"
#include "GUI/label.h"
#include "GUI/staticdata.h"
#include "GUI/window.h"

namespace velk::gui {

namespace {
int PaletteColour(int slot) {
    return statdata ? statdata->Colour(slot) : 0;
}
} // namespace

SToolTipData::~SToolTipData() {
    if (tip) {
        tip->Forget(this);
        tip->Unregister(control);
    }
    for (SDrawObject* object : objects) delete object;
}

void SToolTipData::AddLabel(const char* newText, unsigned) {
    context::SDrawFont* font = tip ? tip->RegularFont() : nullptr;
    if (!font || !font->Info()) return;
    lines.clear();
    lineRects.clear();
    LabelText text;
    text.Append(newText);
    const STextSize size = MeasureLines(font, text.Text());
    boxWidth = size.width + 48;
    boxHeight = size.height + 20;
    if (strchr(text.Text(), '\n'))
        text.Tokenize(lines, "\n\t\r");
    else
        lines.push_back(text);

    // The block sits in the middle of the box, pushed away from an arrow at the side.
    const int blockHeight = size.height + 4;
    int left = (boxWidth - size.width) >> 1;
    if (placement == 1) left += 4;
    if (placement == 3) left -= 4;
    const int top = (boxHeight - blockHeight - 4) >> 1;
    const int n = static_cast<int>(lines.size());
    const int band = n > 0 ? blockHeight / n : 0;
    for (int i = 0; i < n; ++i) {
        const int bottom = i == n - 1 ? top + blockHeight : top + (i + 1) * band;
        lineRects.push_back(Rect(left, top + i * band, left + size.width, bottom));
    }

    const size_t first = objects.size();
    for (int i = 0; i < n; ++i) {
        AddObject(new STextObjectX(lineRects[static_cast<size_t>(i)], Point(0, 0),
                                   tip->GetBackgroundColour(), tip->GetForegroundColour(),
                                   lines[static_cast<size_t>(i)].Text(), Point(0, 0),
                                   tip->TipTextColour(), tip->TextAlignment(), font),
                  0);
    }
    if (tip->TitleColourOn() && objects.size() > first)
        static_cast<STextObject*>(objects[first])->textColour = tip->TipTitleColour();
    if (tip->BoldSecondLine() && n >= 2)
        static_cast<STextObjectX*>(objects[first + 1])->font = tip->BoldFont();
    lines.clear();
    lineRects.clear();
    Calculate();
}

void SToolTipData::AddText(const char* newText, unsigned) {
    context::SDrawFont* font = tip ? tip->RegularFont() : nullptr;
    if (!font) return;
    AddObject(new STextObjectX(Rect(0, 0, boxWidth, boxHeight), Point(0, 0),
                               tip->GetBackgroundColour(), tip->GetForegroundColour(), newText,
                               Point(0, 0), tip->TipTextColour(), tip->TextAlignment(), font),
              0);
}

void SToolTipData::AddObject(SDrawObject* object, unsigned) {
    if (!object) return;
    objects.push_back(object);
    Calculate();
}

void SToolTipData::Calculate() {
    if (objects.empty()) return;
    const int before = bounds.Width();
    Rect all = objects.front()->rect;
    for (const SDrawObject* object : objects) all.Union(object->rect);
    bounds = all;
    if (bounds.Width() <= before) return;
    for (SDrawObject* object : objects) object->rect.right = object->rect.left + bounds.Width();
}

const Point& SToolTipData::GetOffset() const {
    return tip && tip->flipped ? flippedOffset : offset;
}

void SToolTipData::Close() {
    if (tip) tip->Close();
}

SToolTip::SToolTip(SWindow* owner, bool)
    : owner(owner), textColour(SCOL(0, 0, 0)), titleColour(SCOL(255, 0, 0)),
      arrowColour(SCOL(255, 128, 0)) {
    SGlobals* shared = owner ? owner->GetGlobals() : nullptr;
    velk::data::datastring<32, char> title(64, "%s (Tooltip)", owner ? owner->GetLabel() : "");
    const unsigned newId = shared ? static_cast<unsigned>(shared->NextId()) : 0;
    Create(shared, owner, newId, title.Text(), STYLE_ROOT_DIALOG | STYLE_DIALOG, 100, 100, 200, 32,
           owner ? owner->GetWindow() : 0, false);
    const int white = SCOL(255, 255, 255);
    const int black = SCOL(0, 0, 0);
    SetColours(white, white, white, black, black, white, white);
    if (GetWindow()) {
        regularFont = new context::SDrawFont(10, false, false, false, nullptr);
        boldFont = new context::SDrawFont(10, true, false, false, nullptr);
    }
    indicatorColour = PaletteColour(COLOUR_BLUE);
    if (owner) owner->Add(this);
}

SToolTip::~SToolTip() {
    for (SControl* control : registered)
        if (control->GetTooltip() && control->GetTooltip()->tip == this)
            control->GetTooltip()->tip = nullptr;
    CleanUp();
    delete regularFont;
    delete boldFont;
}

void SToolTip::Draw(const Rect& r) {
    context::SDrawing* d = GetDrawing();
    if (!d || !statdata) return;
    const int black = statdata->Colour(COLOUR_BLACK);
    if (rounded) {
        const int background = d->GetBackgroundColour();
        d->SetPen(statdata->FindPen(background));
        d->SetBrush(statdata->FindBrush(background));
        d->FillRoundedRect(r, 7, 7);
        d->SetPen(statdata->FindPen(black));
        d->DrawRoundedRect(r, 7, 7);
    } else {
        d->DrawBackground(r, false);
        d->SetPen(statdata->FindPen(black));
        d->DrawRect(r);
    }
    if (!data || data->objects.empty()) return;
    for (SDrawObject* object : data->objects) object->Draw(d);
    DrawArrow(r.Width(), r.Height());
}

// A small triangle on the side that faces the control.
void SToolTip::DrawArrow(int W, int H) {
    context::SDrawing* d = GetDrawing();
    enum { kDown, kUp, kLeft, kRight } side;
    switch (data->placement) {
    case 0: side = flipped ? kUp : kDown; break;
    case 1: side = flipped ? kRight : kLeft; break;
    case 2: side = flipped ? kDown : kUp; break;
    case 3: side = flipped ? kLeft : kRight; break;
    default: return;
    }
    const int h = H / 2;
    const int m = W / 2;
    Point points[4];
    switch (side) {
    case kDown:
        points[0] = {m, H - 1}, points[1] = {m + 3, H - 5}, points[2] = {m - 3, H - 5};
        break;
    case kUp: points[0] = {m, 1}, points[1] = {m + 3, 5}, points[2] = {m - 3, 5}; break;
    case kLeft: points[0] = {1, h}, points[1] = {5, h - 3}, points[2] = {5, h + 3}; break;
    case kRight:
        points[0] = {W - 1, h}, points[1] = {W - 5, h - 3}, points[2] = {W - 5, h + 3};
        break;
    }
    points[3] = points[0];
    d->SetPen(statdata->FindPen(arrowColour));
    d->SetBrush(statdata->FindBrush(arrowColour));
    d->FillPoly(points, 4);
}

void SToolTip::MouseStateChanged(bool* state, int code) {
    SControl::MouseStateChanged(state, code);
    if (code == MOUSE_LEAVE || (state && !state[MOUSE_INSIDE])) Close();
}

bool SToolTip::SetData(SToolTipData* contents) {
    if (!contents) return false;
    data = contents;
    if (contents->HasBounds())
        SetSize(contents->bounds.Width() + 48, contents->bounds.Height() + 16);
    return true;
}

void SToolTip::Open(SToolTipData* contents, const Point& screenPosition) {
    if (!contents || !contents->HasBounds()) return;
    Close();
    data = contents;
    SetSize(contents->bounds.Width() + 48, contents->bounds.Height() + 16);
    if (rounded) {
        // Shaped anew for the new size.
        SetRoundShape(false);
        SetRoundShape(true);
    }
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

void SToolTip::Unregister(SControl* control) {
    registered.erase(std::remove(registered.begin(), registered.end(), control), registered.end());
}

void SToolTip::EnableTooltips(bool on) {
    enabled = on;
    for (SControl* control : registered) control->EnableTooltip(on);
    indicatorColour = PaletteColour(on ? COLOUR_RED : COLOUR_BLUE);
}

void SToolTip::DrawTiprect(context::SDrawing* target) {
    if (!target || !statdata) return;
    target->SetBrush(statdata->FindBrush(indicatorColour));
    target->FillRect(indicatorRect);
}

} // namespace velk::gui
