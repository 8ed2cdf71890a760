#include "GUI/label.h"

#include <X11/Xlib.h>

#include <cstring>

#include "GUI/staticdata.h"

namespace velk::gui {

namespace {

int LineHeight(const XFontStruct* info) {
    return info->ascent + info->descent;
}

} // namespace

STextSize MeasureLines(context::SDrawFont* font, const char* text) {
    STextSize size;
    XFontStruct* info = font ? font->Info() : nullptr;
    if (!info || !text || !*text) return size;
    int previous = -1;
    const char* line = text;
    while (*line) {
        const char* end = strchr(line, '\n');
        const int length = static_cast<int>(end ? end - line : static_cast<long>(strlen(line)));
        if (length > 0) {
            int direction, ascent, descent;
            XCharStruct overall{};
            XTextExtents(info, line, length, &direction, &ascent, &descent, &overall);
            if (overall.width > size.width) size.width = overall.width;
            previous = LineHeight(info);
            size.height += previous;
        } else if (previous >= 0) {
            size.height += previous;
        } else {
            // Measured like any text line; the font's height does not depend on the glyph.
            size.height += LineHeight(info);
        }
        if (!end) break;
        line = end + 1;
    }
    return size;
}

int PressedButton(int code) {
    switch (code) {
    case MOUSE_LEFT_DOWN:
    case MOUSE_LEFT_DOUBLE: return 1;
    case MOUSE_RIGHT_DOWN:
    case MOUSE_RIGHT_DOUBLE: return 3;
    case MOUSE_MIDDLE_DOWN:
    case MOUSE_MIDDLE_DOUBLE: return 2;
    default: return 0;
    }
}

template <bool Flag>
SLabel<Flag>::SLabel(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style,
                     int x, int y, int width, int height, Window parentWindow, bool flag)
    : SWindow(globals, parent, id, title, style, x, y, width, height, parentWindow, flag) {}

template <bool Flag> void SLabel<Flag>::SetLabelColours(int enabled, int disabled) {
    labelColour = enabled;
    disabledColour = disabled;
}

template <bool Flag> int SLabel<Flag>::GetLabelColour() {
    return Enabled() ? labelColour : disabledColour;
}

template <bool Flag>
void SLabel<Flag>::SetLabel(const char* newText, context::SDrawFont* newFont, int align) {
    font = newFont;
    alignment = align;
    SetLabel(newText);
}

template <bool Flag>
void SLabel<Flag>::SetLabel(const LabelText& newText, context::SDrawFont* newFont, int align) {
    SetLabel(newText.Text(), newFont, align);
}

template <bool Flag> void SLabel<Flag>::SetLabel(const char* newText) {
    if (!font) return;
    text = LabelText();
    text.Append(newText);
    lines.clear();
    lineRects.clear();
    if (!strchr(text.Text(), '\n')) {
        // One line: the drawing context aligns it in the whole client area.
        lines.push_back(text);
        lineRects.push_back(Rect(0, 0, Width(), Height()));
        return;
    }
    const STextSize size = MeasureLines(font, text.Text());
    textWidth = size.width;
    textHeight = size.height;
    text.Tokenize(lines, "\n\t\r");
    PlaceLines();
}

template <bool Flag> void SLabel<Flag>::RedrawLabel() {
    if (!font || lines.empty()) return;
    if (lines.size() == 1) {
        lineRects.assign(1, Rect(0, 0, Width(), Height()));
        return;
    }
    PlaceLines();
}

// The block goes where the alignment says; bottom alignment puts it at the bottom
// whatever the horizontal alignment is.
template <bool Flag> void SLabel<Flag>::PlaceLines() {
    lineRects.clear();
    if (lines.empty()) return;
    const int W = Width();
    const int H = Height();
    int x;
    if (alignment & context::ALIGN_RIGHT)
        x = W - textWidth;
    else if (alignment & context::ALIGN_LEFT)
        x = 0;
    else
        x = (W - textWidth) >> 1;
    int y;
    if (alignment & context::ALIGN_TOP)
        y = 0;
    else if (alignment & context::ALIGN_BOTTOM)
        y = H - textHeight;
    else
        y = (H - textHeight) >> 1;
    const int n = static_cast<int>(lines.size());
    const int band = textHeight / n;
    for (int i = 0; i < n; ++i) {
        const int bottom = i == n - 1 ? y + textHeight : y + (i + 1) * band;
        lineRects.push_back(Rect(x, y + i * band, x + textWidth, bottom));
    }
}

template <bool Flag> void SLabel<Flag>::SetSize(int width, int height) {
    SControl::SetSize(width, height);
    RedrawLabel();
}

template <bool Flag> void SLabel<Flag>::Highlight(bool on, int colour, int, int) {
    highlightColour = colour;
    if (on == highlighted) return;
    highlighted = on;
    RefreshOutlines();
}

template <bool Flag> void SLabel<Flag>::MouseStateChanged(bool* state, int code) {
    SWindow::MouseStateChanged(state, code);
    const int button = PressedButton(code);
    if (button) SendEvent(EVENT_BUTTON, 1, button, 0.0f, nullptr, this, nullptr);
}

template <bool Flag> void SLabel<Flag>::SelectColour(int colour) {
    if (!drawing || !statdata) return;
    drawing->SetPen(statdata->FindPen(colour));
    drawing->SetBrush(statdata->FindBrush(colour));
}

template <bool Flag> void SLabel<Flag>::Draw(const Rect& r) {
    if (!drawing) return;
    if (!Rounded()) {
        SControl::Draw(r);
        DrawLabel();
        return;
    }
    drawing->DrawBackground(r, true);
    SelectColour(drawing->GetBackgroundColour());
    drawing->FillRoundedRect(r, rounding, rounding);
    DrawLabel();
    DrawOutlines(r);
}

template <bool Flag> void SLabel<Flag>::DrawLine(const LabelText& line, const Rect& r) {
    if (vertical)
        drawing->DrawVerticalLabel(line, r, 8, alignment, labelOffset, false, false, nullptr);
    else
        drawing->DrawLabel(line, r, alignment, labelOffset);
}

template <bool Flag> void SLabel<Flag>::DrawLabel() {
    if (!drawing || !font || lines.empty()) return;
    drawing->SetFont(font);
    drawing->SetTextColour(GetLabelColour(), false);
    if (statdata) drawing->SetPen(statdata->FindPen(drawing->GetTextColour(false)));
    for (size_t i = 0; i < lines.size() && i < lineRects.size(); ++i)
        DrawLine(lines[i], lineRects[i]);
}

template <bool Flag> void SLabel<Flag>::DrawFrame(const Rect& r, int colour, int radius) {
    if (!drawing || !statdata) return;
    drawing->SetPen(statdata->FindPen(colour));
    if (Rounded())
        drawing->DrawRoundedRect(r, radius, radius);
    else
        drawing->DrawRect(r);
}

template <bool Flag> void SLabel<Flag>::DrawOutlines(const Rect& r) {
    if (!drawing) return;
    if (highlighted)
        DrawFrame(r, highlightColour, rounding);
    else if (GetStyle() & STYLE_FRAME)
        DrawFrame(r, drawing->GetFrameColour(Enabled(), false), rounding);
}

template class SLabel<false>;

} // namespace velk::gui
