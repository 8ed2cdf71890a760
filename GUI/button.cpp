#include "GUI/button.h"

#include "GUI/colour.h"
#include "GUI/staticdata.h"

namespace velk::gui {

template <bool Flag>
SButton<Flag>::SButton(SGlobals* globals, SControl* parent, unsigned id, const char* title,
                       int style, int x, int y, int width, int height, Window parentWindow,
                       bool flag)
    : SLabel<Flag>(globals, parent, id, title, style, x, y, width, height, parentWindow, flag),
      activeColour(SCOL(255, 255, 255)) {
    this->SetStyleBits(STYLE_OUTLINES_ON_HOVER, true);
}

template <bool Flag> SButton<Flag>::~SButton() {
    FreeImages();
}

template <bool Flag> bool SButton<Flag>::SetValue(int v, bool notify) {
    if (v == value) return false;
    value = v;
    this->SetDrawingMode(v != 0);
    this->Refresh();
    if (notify) this->SendEvent(EVENT_BUTTON, 1, GetValue(), 0.0f, nullptr, this, nullptr);
    return true;
}

template <bool Flag> void SButton<Flag>::Reset() {
    SetValue(0, true);
    this->Run();
}

template <bool Flag> void SButton<Flag>::Toggle() {
    if (value != 0) {
        if (type & BUTTON_MENU) CloseMenu();
        SetValue(0, (type & (BUTTON_NOTIFY_OFF | BUTTON_NOTIFY_OFF2)) != 0);
        return;
    }
    if (!(type & BUTTON_MENU)) {
        SetValue(1, true);
        return;
    }
    // A menu button without a menu does nothing.
    SMenu* menu = this->GetMenu();
    if (!menu) return;
    if (!menu->IsShown()) {
        Point corner(0, 0);
        this->GetClient2Screen(corner);
        corner.y += this->Height();
        ShowMenu(corner);
        SetValue(1, true);
    } else {
        this->Stop();
        menu->Hide();
        CloseMenu();
    }
}

template <bool Flag> void SButton<Flag>::ShowMenu(const Point& screenPosition) {
    if (SMenu* menu = this->GetMenu()) menu->Show(screenPosition);
}

template <bool Flag> void SButton<Flag>::CloseMenu() {
    if (SMenu* menu = this->GetMenu()) menu->Hide();
}

template <bool Flag> void SButton<Flag>::ClearState() {
    this->CloseTip();
    if ((this->GetStyle() & STYLE_CAPTURE) && SControl::capture == this)
        this->MouseReleaseCapture();
    if (this->input) this->input->Reset();
    this->MouseTracker(false);
    hovered = false;
    if (type & BUTTON_PUSH) SetValue(0, false);
    Draw(this->GetClient());
}

template <bool Flag> void SButton<Flag>::SetLabelColours(int enabled, int disabled) {
    SLabel<Flag>::SetLabelColours(enabled, disabled);
    activeColour = enabled;
}

template <bool Flag> int SButton<Flag>::GetLabelColour() {
    if (!this->Enabled()) return this->disabledColour;
    return value == 1 ? activeColour : this->labelColour;
}

template <bool Flag> void SButton<Flag>::SetLabelAlternative(const char* text, bool use) {
    alternative = LabelText();
    alternative.Append(text);
    useAlternative = use;
}

template <bool Flag> void SButton<Flag>::FreeImages() {
    delete deviceOff;
    delete deviceOn;
    delete imageOff;
    delete imageOn;
    deviceOff = deviceOn = nullptr;
    imageOff = imageOn = nullptr;
}

template <bool Flag>
void SButton<Flag>::TakeImages(context::SDrawBitmap* off, context::SDrawBitmap* on) {
    FreeImages();
    const bool usable = off && on && off->GetPixmap() && on->GetPixmap() && this->drawing;
    if (!usable) {
        type &= ~static_cast<unsigned>(BUTTON_IMAGES);
        delete off;
        if (on != off) delete on;
        return;
    }
    imageOff = off;
    imageOn = on;
    type |= BUTTON_IMAGES;
    deviceOff = new context::SDrawMemoryDevice(this->drawing->GetDevice(), imageOff);
    deviceOn = new context::SDrawMemoryDevice(this->drawing->GetDevice(), imageOn);
}

template <bool Flag>
void SButton<Flag>::SetBitmaps(void* dataOff, void* dataOn, int width, int height) {
    FreeImages();
    if (!dataOff || !dataOn) {
        type &= ~static_cast<unsigned>(BUTTON_IMAGES);
        return;
    }
    TakeImages(new context::SDrawBitmap(dataOff, width, height, false),
               new context::SDrawBitmap(dataOn, width, height, false));
}

template <bool Flag>
void SButton<Flag>::SetBitmaps(context::SDrawBitmap* off, context::SDrawBitmap* on) {
    TakeImages(off, on);
}

template <bool Flag> void SButton<Flag>::Draw(const Rect& r) {
    context::SDrawing* d = this->drawing;
    if (!d) return;
    if (type & BUTTON_IMAGES) {
        context::SDrawMemoryDevice* device = value ? deviceOn : deviceOff;
        if (device) d->DrawMemory(device, Point(0, 0), r);
    } else {
        d->SetBackgroundColour(value > 0);
        if (this->Rounded()) {
            d->DrawBackground(r, true);
            this->SelectColour(d->GetBackgroundColour());
            d->FillRoundedRect(r, this->rounding, this->rounding);
        } else {
            d->DrawBackground(r, false);
        }
        DrawLabel();
    }
    DrawOutlines(r);
}

template <bool Flag> void SButton<Flag>::DrawLabel() {
    context::SDrawing* d = this->drawing;
    if (!d || !this->font || this->lines.empty()) return;
    d->SetFont(this->font);
    d->SetTextColour(GetLabelColour(), value > 0);
    if (value == 1 && useAlternative) {
        this->DrawLine(alternative, this->GetClient());
        return;
    }
    for (size_t i = 0; i < this->lines.size() && i < this->lineRects.size(); ++i)
        this->DrawLine(this->lines[i], this->lineRects[i]);
}

template <bool Flag> void SButton<Flag>::DrawOutlines(const Rect& r) {
    context::SDrawing* d = this->drawing;
    if (!d) return;
    int colour;
    if (this->highlighted)
        colour = this->highlightColour;
    else if (hovered)
        colour = value > 0 ? hoverColourOn : hoverColourOff;
    else if (this->GetStyle() & STYLE_FRAME)
        colour = d->GetFrameColour(this->Enabled(), value > 0);
    else
        colour = d->GetParentBackgroundColour();
    this->DrawFrame(r, colour, this->rounding);
}

template <bool Flag> bool SButton<Flag>::PointerTest() {
    Display* display = this->GetDisplay();
    const Window window = this->GetWindow();
    bool inside = false;
    if (display && window) {
        Window root, child;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned mask = 0;
        if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x,
                          &y, &mask)) {
            int cx = rootX, cy = rootY;
            this->GetScreen2Client(&cx, &cy);
            inside = cx >= 0 && cx <= this->Width() && cy >= 0 && cy <= this->Height();
        }
    }
    if (this->input) this->input->flags[MOUSE_INSIDE] = inside;
    hovered = inside;
    return inside;
}

template <bool Flag> void SButton<Flag>::Command(int button) {
    this->SetDrawingMode(true);
    this->Refresh();
    this->SendEvent(EVENT_BUTTON, 1, button, 0.0f, nullptr, this, nullptr);
    SetValue(0, false);
    this->SetDrawingMode(false);
    this->Refresh();
    PointerTest();
    this->RefreshOutlines();
}

template <bool Flag> void SButton<Flag>::MouseStateChanged(bool* state, int code) {
    SControl::MouseStateChanged(state, code);
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
        this->Stop();
        break;
    case MOUSE_LEAVE:
        if ((type & BUTTON_PUSH) && value == 1) Toggle();
        hovered = false;
        this->RefreshOutlines();
        this->Stop();
        break;
    case MOUSE_LEFT_DOWN:
    case MOUSE_LEFT_DOUBLE:
        hovered = true;
        if (type & BUTTON_COMMAND) {
            Toggle();
            SetValue(0, false);
            this->SetDrawingMode(false);
            PointerTest();
            this->Refresh();
        } else if (type & BUTTON_MENU) {
            if (value != 0 || MenuSuppressed())
                this->Stop();
            else
                Toggle();
        } else if (!(type & BUTTON_LEFT_INERT)) {
            Toggle();
        }
        break;
    case MOUSE_RIGHT_DOWN:
    case MOUSE_RIGHT_DOUBLE:
        if (type & BUTTON_MENU) {
            if (value == 0 && !MenuSuppressed())
                Toggle();
            else
                this->Stop();
        }
        hovered = true;
        if (type & BUTTON_COMMAND) Command(3);
        break;
    case MOUSE_MIDDLE_DOWN:
    case MOUSE_MIDDLE_DOUBLE:
        if (type & BUTTON_MENU) {
            CloseMenu();
            SetValue(0, true);
            break;
        }
        hovered = true;
        if (type & BUTTON_COMMAND) Command(2);
        break;
    case MOUSE_UP:
        if ((type & BUTTON_PUSH) && value == 1) Toggle();
        PointerTest();
        this->RefreshOutlines();
        if ((type & BUTTON_MENU) && value == 0) this->Stop();
        break;
    default: break;
    }
}

template class SButton<false>;

} // namespace velk::gui
