#include "GUI/imagelabel.h"

#include "GUI/label.h"

namespace velk::gui {

SImageLabel::SImageLabel(SGlobals* globals, SControl* parent, int id, const char* title, int style,
                         int x, int y, int width, int height, Window parentWindow)
    : SWindow(globals, parent, static_cast<unsigned>(id), title, style, x, y, width, height,
              parentWindow, false) {}

SImageLabel::~SImageLabel() {
    FreeImage();
}

void SImageLabel::FreeImage() {
    delete device;
    device = nullptr;
    delete image;
    image = nullptr;
}

void SImageLabel::LoadBackground(void* data, int width, int height) {
    FreeImage();
    image = new context::SDrawBitmap(data, width, height, false);
    if (drawing) device = new context::SDrawMemoryDevice(drawing->GetDevice(), image);
}

void SImageLabel::Draw(const Rect&) {
    if (drawing && device) drawing->DrawMemory(device, Point(0, 0), GetClient());
}

void SImageLabel::MouseStateChanged(bool* state, int code) {
    SWindow::MouseStateChanged(state, code);
    const int button = PressedButton(code);
    if (button) SendEvent(EVENT_BUTTON, 1, button, 0.0f, nullptr, this, nullptr);
}

} // namespace velk::gui
