#include "panel/subpanels.h"

#include "GUI/colour.h"
#include "GUI/device.h"
#include "GUI/staticdata.h"

using velk::gui::Rect;
namespace gui = velk::gui;

namespace {

int Pixel(int slot) {
    return statdata ? statdata->Colour(slot) : 0;
}

gui::context::SDrawFont* PanelFont(int size, bool bold) {
    return statdata ? statdata->FindFont(size, bold, false) : nullptr;
}

// A text at (x, y) in a palette colour: its top at y.
void Text(gui::context::SDrawing* d, const char* text, int x, int y, int slot) {
    d->SetTextColour(Pixel(slot), false);
    d->SetColour(Pixel(slot));
    d->DrawText(text, x, y);
}

} // namespace

SControlPanel::SControlPanel(SGlobals* globals, gui::SControl* parent, unsigned id,
                             const char* title, int style, int x, int y, int width, int height,
                             Window parentWindow, bool flag)
    : SLabel<false>(globals, parent, id, title, style, x, y, width, height, parentWindow, flag) {
    if (!GetDrawing() || !GetDrawing()->GetDevice()) return;
    bitmap = new gui::context::SDrawBitmap(nullptr, width, height, false);
    device = new gui::context::SDrawMemoryDevice(GetDrawing()->GetDevice(), bitmap);
}

SControlPanel::~SControlPanel() {
    delete device;
    delete bitmap;
}

void SControlPanel::Redraw() {
    gui::context::SDrawing* d = GetDrawing();
    if (!d || !device || !statdata) return;
    gui::context::SDrawDevice* window = d->GetDevice();
    d->SetDevice(device);
    const int black = Pixel(gui::COLOUR_BLACK);
    d->SetPen(statdata->FindPen(black));
    d->SetBrush(statdata->FindBrush(black));
    d->SetBackgroundColour(black);
    d->DrawBackground(GetClient(), false);

    d->SetFont(PanelFont(7, false));
    Text(d, "IN", 64, 4, gui::COLOUR_GREY);
    Text(d, "OUT", 120, 4, gui::COLOUR_GREY);
    Text(d, "RANDOMIZE", 7, 45, gui::COLOUR_GREY);
    d->SetPen(statdata->FindPen(Pixel(gui::COLOUR_WHITE)));
    d->DrawLine(5, 40, 155, 40);

    // The column titles read upwards beside the minimum and maximum dials.
    d->SetFont(PanelFont(11, true));
    d->SetTextColour(Pixel(gui::COLOUR_BLUE), false);
    d->SetColour(Pixel(gui::COLOUR_BLUE));
    d->DrawRotatedText("M I N", Rect(43, 64, 43 + 22, 124), 90, 0, gui::Point());
    d->SetColour(Pixel(gui::COLOUR_BLUE));
    d->DrawRotatedText("M A X", Rect(101, 64, 101 + 22, 124), 90, 0, gui::Point());
    d->SetDevice(window);
    Refresh();
}

void SControlPanel::Draw(const Rect& r) {
    if (!device) return;
    GetDrawing()->DrawMemory(device, 0, 0, r.left, r.top, r.right, r.bottom);
}

const char* const SOptionsPanel::kRowNames[kRows] = {
    "Process Every Nth", "Random Offset (%)", "Event Count", "Randomizer", "In-Thru", "Thru"};
const int SOptionsPanel::kRowTops[kRows] = {32, 48, 64, 80, 96, 112};

void SOptionsPanel::Draw(const Rect& r) {
    SLabel<false>::Draw(r);
    gui::context::SDrawing* d = GetDrawing();
    if (!d || !statdata) return;
    d->SetPen(statdata->FindPen(Pixel(gui::COLOUR_STEEL)));
    d->DrawLine(5, 24, 155, 24);
    d->SetFont(PanelFont(7, false));
    d->SetTextColour(Pixel(gui::COLOUR_GREY), false);
    d->SetColour(Pixel(gui::COLOUR_GREY));
    // Each name is centred on the height of the 14-pixel row of its control.
    for (int row = 0; row < kRows; row++) {
        const int top = kRowTops[row];
        d->DrawLabel(kRowNames[row], Rect(7, top, 117, top + 14), gui::context::ALIGN_LEFT,
                     gui::Point());
    }
}
