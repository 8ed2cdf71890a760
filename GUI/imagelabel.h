// A child window showing one image; clicks are reported like a label's.
#pragma once

#include "GUI/window.h"

namespace velk::gui {

class SImageLabel : public SWindow {
public:
    SImageLabel(SGlobals* globals, SControl* parent, int id, const char* title, int style, int x,
                int y, int width, int height, Window parentWindow);
    ~SImageLabel() override;

    void Draw(const Rect& r) override;
    // EVENT_BUTTON with b = 1, 3 or 2 for a left, right or middle press.
    void MouseStateChanged(bool* state, int code) override;
    // Replaces the image with XPM data of the given size.
    virtual void LoadBackground(void* image, int width, int height);

    context::SDrawBitmap* Image() const { return image; }

private:
    void FreeImage();

    context::SDrawBitmap* image = nullptr;
    context::SDrawMemoryDevice* device = nullptr;
};

} // namespace velk::gui
