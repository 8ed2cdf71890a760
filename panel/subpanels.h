// The two views that share one rectangle of the panel: the normal view with the
// randomizing switches and ranges, and the advanced options. "ADV" swaps them.
#pragma once

#include "GUI/label.h"

namespace velk::gui::context {
class SDrawBitmap;
class SDrawMemoryDevice;
} // namespace velk::gui::context

// Its fixed drawing (texts, the divider, the rotated column titles) is made once into
// an off-screen bitmap and copied on every paint.
class SControlPanel : public velk::gui::SLabel<false> {
public:
    SControlPanel(SGlobals* globals, velk::gui::SControl* parent, unsigned id, const char* title,
                  int style, int x, int y, int width, int height, Window parentWindow, bool flag);
    ~SControlPanel() override;

    void Draw(const velk::gui::Rect& r) override;
    // Paints the fixed drawing into the bitmap.
    void Redraw();

private:
    velk::gui::context::SDrawBitmap* bitmap = nullptr;
    velk::gui::context::SDrawMemoryDevice* device = nullptr;
};

// Draws its heading, divider and the names left of each control at every paint.
class SOptionsPanel : public velk::gui::SLabel<false> {
public:
    SOptionsPanel(SGlobals* globals, velk::gui::SControl* parent, unsigned id, const char* title,
                  int style, int x, int y, int width, int height, Window parentWindow, bool flag)
        : SLabel<false>(globals, parent, id, title, style, x, y, width, height, parentWindow,
                        flag) {}

    void Draw(const velk::gui::Rect& r) override;

    // The names drawn left of the controls, top to bottom, and where each row starts.
    static constexpr int kRows = 6;
    static const char* const kRowNames[kRows];
    static const int kRowTops[kRows];
};
