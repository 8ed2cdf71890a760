#include "GUI/controllable.h"

#include <cmath>

#include "GUI/colour.h"
#include "GUI/staticdata.h"

namespace velk::gui {

namespace {
int PaletteColour(int slot) {
    return statdata ? statdata->Colour(slot) : 0;
}
} // namespace

template <typename T, bool Flag>
SControllable<T, Flag>::SControllable(SGlobals* globals, SControl* parent, unsigned id,
                                      const char* title, int style, int x, int y, int width,
                                      int height, bool labelBackground, bool wholeHandleZone,
                                      Window parentWindow)
    : SLabel<Flag>(globals, parent, id, title, style | STYLE_OUTLINES_ON_HOVER | STYLE_CAPTURE, x,
                   y, width, height, parentWindow, false),
      valueColour(SCOL(0, 255, 255)), colours{PaletteColour(COLOUR_RED), PaletteColour(COLOUR_RED),
                                              PaletteColour(COLOUR_WHITE),
                                              PaletteColour(COLOUR_BLUE)},
      type((labelBackground ? CONTROL_LABEL_BACKGROUND : 0) |
           (wholeHandleZone ? CONTROL_WHOLE_ZONE : 0)),
      bufferWidth(width), bufferHeight(height), handleRect(0, 0, width, height),
      handleZone(wholeHandleZone ? Rect(0, 0, width, height) : Rect()) {
    SetDoubleBuffer();
}

template <typename T, bool Flag> SControllable<T, Flag>::~SControllable() {
    FreeImages();
    FreeBuffer();
}

template <typename T, bool Flag> void SControllable<T, Flag>::FreeImages() {
    delete backgroundDevice;
    delete handleDevice;
    delete backgroundImage;
    delete handleImage;
    backgroundDevice = handleDevice = nullptr;
    backgroundImage = handleImage = nullptr;
}

template <typename T, bool Flag> void SControllable<T, Flag>::FreeBuffer() {
    delete bufferDevice;
    delete bufferBitmap;
    bufferDevice = nullptr;
    bufferBitmap = nullptr;
}

template <typename T, bool Flag> void SControllable<T, Flag>::SetDoubleBuffer() {
    FreeBuffer();
    if (!this->drawing || bufferWidth <= 0 || bufferHeight <= 0) return;
    bufferBitmap = new context::SDrawBitmap(nullptr, bufferWidth, bufferHeight, false);
    if (!bufferBitmap->GetPixmap()) {
        FreeBuffer();
        return;
    }
    bufferDevice = new context::SDrawMemoryDevice(this->drawing->GetDevice(), bufferBitmap);
}

template <typename T, bool Flag>
void SControllable<T, Flag>::SetBitmaps(context::SDrawBitmap* background,
                                        context::SDrawBitmap* handle) {
    FreeImages();
    const bool usable =
        background && handle && background->GetPixmap() && handle->GetPixmap() && this->drawing;
    if (!usable) {
        type &= ~CONTROL_IMAGES;
        delete background;
        if (handle != background) delete handle;
        return;
    }
    backgroundImage = background;
    handleImage = handle;
    type |= CONTROL_IMAGES;
    backgroundDevice = new context::SDrawMemoryDevice(this->drawing->GetDevice(), background);
    handleDevice = new context::SDrawMemoryDevice(this->drawing->GetDevice(), handle);
    handleRect = Rect(0, 0, handle->Width(), handle->Height());
}

template <typename T, bool Flag>
void SControllable<T, Flag>::SetControlColours(int c1, int c2, int c3, int c4) {
    colours[0] = c1;
    colours[1] = c2;
    colours[2] = c3;
    colours[3] = c4;
}

template <typename T, bool Flag>
void SControllable<T, Flag>::SetHandleColours(int fill, int other) {
    colours[3] = fill;
    colours[2] = other;
}

template <typename T, bool Flag> void SControllable<T, Flag>::SetValueZone(const Rect& zone) {
    valueZone = zone;
    type |= CONTROL_VALUE_ZONE;
}

template <typename T, bool Flag> int SControllable<T, Flag>::CalcHandleOffset() {
    const double travel = static_cast<double>(handleZone.Width() - handleRect.Width());
    const double position = static_cast<double>(this->value) - static_cast<double>(this->valueMin);
    return handleZone.left + static_cast<int>(std::lround(travel * position * this->scale));
}

template <typename T, bool Flag> void SControllable<T, Flag>::ValueChange(bool up, T step) {
    // Stepped in a wider type: a long drag must not wrap around.
    long long v = this->value;
    if (up && this->value < this->valueMax) v += step;
    if (!up && this->value > this->valueMin) v -= step;
    if (v == static_cast<long long>(this->value)) return;
    if (step == 1) {
        this->SetValue(static_cast<T>(v), false);
    } else {
        if (v > this->valueMax) v = this->valueMax;
        if (v < this->valueMin) v = this->valueMin;
        if (!this->SetValueClipped(static_cast<T>(v))) return;
    }
    this->Refresh();
    SendControlEvent();
}

template <typename T, bool Flag> void SControllable<T, Flag>::SendControlEvent() {
    this->SendEvent(EVENT_VALUE, 1, static_cast<int>(this->value), 0.0f, nullptr, this, nullptr);
}

template <typename T, bool Flag>
void SControllable<T, Flag>::QueryPointer(Point& client, Point& screen) {
    Display* display = this->GetDisplay();
    client = screen = Point(-1, -1);
    if (!display || !this->GetWindow()) return;
    Window root, child;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                       &mask))
        return;
    screen = Point(rootX, rootY);
    client = screen;
    this->GetScreen2Client(client);
}

template <typename T, bool Flag>
void SControllable<T, Flag>::MouseStateChanged(bool* state, int code) {
    SLabel<Flag>::MouseStateChanged(state, code);
    Point pointer, screen;
    QueryPointer(pointer, screen);
    const bool inZone = handleZone.ContainsInclusive(pointer);
    switch (code) {
    case MOUSE_ENTER:
        hovered = true;
        this->RefreshOutlines();
        break;
    case MOUSE_MOVE:
        if (!hovered) {
            hovered = true;
            this->RefreshOutlines();
        }
        break;
    case MOUSE_LEAVE:
        hovered = false;
        this->RefreshOutlines();
        break;
    case MOUSE_LEFT_DOWN:
    case MOUSE_RIGHT_DOWN:
    case MOUSE_LEFT_DOUBLE:
    case MOUSE_RIGHT_DOUBLE:
    case MOUSE_MIDDLE_DOWN:
    case MOUSE_MIDDLE_DOUBLE: {
        if (!hovered) {
            hovered = true;
            this->RefreshOutlines();
        }
        if (!inZone) break;
        anchor = screen;
        if (code == MOUSE_MIDDLE_DOWN || code == MOUSE_MIDDLE_DOUBLE) {
            // One step towards the half that was clicked.
            T v = this->value;
            if (pointer.x > handleZone.left + handleZone.Width() / 2) {
                if (v < this->valueMax) ++v;
            } else if (v > this->valueMin) {
                --v;
            }
            if (this->SetValue(v, true)) {
                this->Refresh();
                SendControlEvent();
            }
        } else if (state && state[MOUSE_CONTROL]) {
            // The reset is not reported; only the press event above went out.
            if (this->ResetValue()) this->Refresh();
        }
        break;
    }
    case MOUSE_UP:
        hovered = state && state[MOUSE_INSIDE];
        this->RefreshOutlines();
        break;
    case MOUSE_CAPTURE:
        if (!inZone && SControl::capture == this) this->MouseReleaseCapture();
        break;
    default: break;
    }
}

template class SControllable<int, false>;

} // namespace velk::gui
