#include "GUI/dial.h"

#include "GUI/staticdata.h"

namespace velk::gui {

template <typename T>
SDial<T>::SDial(SGlobals* globals, SControl* parent, int id, const char* title, int style, int x,
                int y, int width, int height, bool labelBackground, bool wholeHandleZone,
                Window parentWindow, T value, T minimum, T maximum, T defaultValue)
    : SControllable<T, false>(globals, parent, static_cast<unsigned>(id), title, style, x, y, width,
                              height, labelBackground, wholeHandleZone, parentWindow) {
    this->value = value;
    this->SetValueRange(minimum, maximum, defaultValue);
    const long long count = static_cast<long long>(maximum) - static_cast<long long>(minimum) + 1;
    entryCount = count > 0 && count <= 0x7FFFFFFF ? static_cast<int>(count) : 0;
}

template <typename T> SDial<T>::~SDial() {
    if (ownsTableA) delete[] tableA;
    if (ownsTableB && !(ownsTableA && tableB == tableA)) delete[] tableB;
}

template <typename T> bool SDial<T>::SetValue(T v, bool) {
    if (v == this->value) return false;
    this->value = v;
    this->Refresh();
    return true;
}

template <typename T> void SDial<T>::MouseStateChanged(bool* state, int code) {
    SControllable<T, false>::MouseStateChanged(state, code);
    if (code != MOUSE_WHEEL || !state) return;
    if (state[MOUSE_WHEEL_UP])
        this->ValueChange(true, 1);
    else if (state[MOUSE_WHEEL_DOWN])
        this->ValueChange(false, 1);
}

template <typename T> void SDial<T>::MousePosChanged(int, int dy) {
    if (SControl::capture != this || !this->input || dy == 0) return;
    const bool* state = this->input->flags;
    const bool left = state[MOUSE_LEFT_DOWN];
    const bool right = state[MOUSE_RIGHT_DOWN] && !left;
    if (!left && !right) return;
    Point client, screen;
    this->QueryPointer(client, screen);
    const int y = screen.y;
    int& anchor = this->anchor.y;
    if (right || thresholdMode) {
        const int threshold = right ? rightThreshold : leftThreshold;
        if (dy > 0 && y > anchor + threshold) {
            this->ValueChange(false, 1);
            anchor = y;
        } else if (dy < 0 && y < anchor - threshold) {
            this->ValueChange(true, 1);
            anchor = y;
        }
        return;
    }
    if (dy > 0 && y > anchor) {
        this->ValueChange(false, static_cast<T>(dy));
        anchor = y;
    } else if (dy < 0 && y < anchor) {
        this->ValueChange(true, static_cast<T>(-dy));
        anchor = y;
    }
}

template <typename T> void SDial<T>::Draw(const Rect& r) {
    context::SDrawing* d = this->drawing;
    if (!d || !this->bufferDevice) return;
    context::SDrawDevice* window = d->GetDevice();
    d->SetDevice(this->bufferDevice);
    if ((this->type & CONTROL_IMAGES) && this->backgroundImage &&
        this->backgroundImage->GetPixmap()) {
        d->DrawMemory(this->backgroundDevice, Point(0, 0), r);
    } else if (this->type & CONTROL_LABEL_BACKGROUND) {
        SLabel<false>::Draw(r);
    } else if (this->Rounded()) {
        d->DrawBackground(r, true);
        this->SelectColour(d->GetBackgroundColour());
        d->FillRoundedRect(r, 5, 5);
    } else {
        d->DrawBackground(r, false);
    }
    DrawHandle();
    DrawValue();
    DrawOutlines(r);
    d->SetDevice(window);
    d->DrawMemory(this->bufferDevice, Point(0, 0), r);
}

template <typename T> void SDial<T>::DrawHandle() {
    context::SDrawing* d = this->drawing;
    if (!d) return;
    const Rect& handle = this->handleRect;
    if (this->type & CONTROL_IMAGES) {
        if (this->backgroundImage && this->backgroundImage->GetPixmap() && this->handleDevice)
            d->DrawMemory(this->handleDevice, handle.TopLeft(),
                          Rect(0, 0, handle.Width(), handle.Height()));
        return;
    }
    this->SetBackgroundMode(true);
    this->SelectColour(this->colours[3]);
    if (this->Rounded())
        d->FillRoundedRect(handle, 5, 5);
    else
        d->FillRect(handle);
}

template <typename T> LabelText SDial<T>::ValueText() const {
    // A value from a bad chunk or a host may lie outside the table: show its number.
    const long long v = this->value;
    const bool inTable = v >= 0 && v < entryCount;
    const LabelText* table = useTableA ? tableA : useTableB ? tableB : nullptr;
    if ((useTableA || useTableB) && table && inTable) return table[v];
    return LabelText(16, "%i", static_cast<int>(this->value));
}

template <typename T> void SDial<T>::DrawValue() {
    context::SDrawing* d = this->drawing;
    if (!d || !this->valueFont) return;
    d->SetFont(this->valueFont);
    const int colour = marked && this->value == markedValue ? markedColour : this->GetLabelColour();
    d->SetTextColour(colour, false);
    if (statdata) d->SetPen(statdata->FindPen(colour));
    Rect r = this->handleRect;
    r.Offset(this->labelOffset);
    d->DrawLabel(ValueText(), r, 0, Point(0, 0));
}

template <typename T> void SDial<T>::DrawOutlines(const Rect& r) {
    context::SDrawing* d = this->drawing;
    if (!d || !statdata) return;
    d->SetPen(statdata->FindPen(this->hovered ? this->hoverColourOn : this->hoverColourOff));
    if (this->Rounded())
        d->DrawRoundedRect(r, 5, 5);
    else
        d->DrawRect(r);
}

template class SDial<int>;

} // namespace velk::gui
