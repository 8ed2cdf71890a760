// A child window showing a text of one or more lines; the base of every widget, so
// its layout and drawing rules hold for buttons, dials, dialogs and panels alike.
// A click on a plain label reports the mouse button to its listeners.
#pragma once

#include <vector>

#include "GUI/window.h"
#include "data/datastring.h"

namespace velk::gui {

using LabelText = velk::data::datastring<32, char>;

// Style bit: rounded background and outline.
constexpr int kStyleRounded = 0x10;

// Size of a text block as labels, tooltips and dialogs measure it.
struct STextSize {
    int width = 0;  // the widest line
    int height = 0; // the sum of the line heights
};

// Walks the lines (ended by a line feed or the end): a non-empty line counts its
// width and the font's ascent + descent; an empty one the height of the previous
// measured line, or of "W" when none came before. Zero without a font or text.
STextSize MeasureLines(context::SDrawFont* font, const char* text);

// The EVENT_BUTTON value a press or double click reports: 1 left, 3 right, 2 middle;
// 0 for any other mouse-state code.
int PressedButton(int code);

template <bool Flag> class SLabel : public SWindow {
public:
    SLabel(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style, int x,
           int y, int width, int height, Window parentWindow, bool flag);
    ~SLabel() override = default;

    void Draw(const Rect& r) override;
    void DrawOutlines(const Rect& r) override;
    void MouseStateChanged(bool* state, int code) override;
    const char* GetLabel() override { return text.Text(); }
    // Takes effect at the next layout.
    void SetAlignment(int align) override { alignment = align; }
    void Highlight(bool on, int colour, int, int) override;
    void SetSize(int width, int height) override;
    void SetLabelOffset(Point& offset) override { labelOffset = offset; }

    virtual void SetLabelColours(int enabled, int disabled);
    virtual int GetLabelColour();
    // Without a font nothing is stored or shown.
    virtual void SetLabel(const char* newText);
    virtual void SetLabel(const LabelText& newText) { SetLabel(newText.Text()); }
    virtual void SetLabel(const char* newText, context::SDrawFont* newFont, int align);
    virtual void SetLabel(const LabelText& newText, context::SDrawFont* newFont, int align);
    // Places the lines again from the last measured size.
    virtual void RedrawLabel();
    virtual void SetLabelOffset(const Point& offset) { labelOffset = offset; }
    virtual void SetLabelRounding(int radius) { rounding = radius; }
    virtual void DrawLabel();

    void SetVertical(bool on) { vertical = on; }
    context::SDrawFont* GetFont() const { return font; }
    int GetAlignment() const { return alignment; }
    const std::vector<LabelText>& Lines() const { return lines; }
    const std::vector<Rect>& LineRects() const { return lineRects; }
    int TextWidth() const { return textWidth; }
    int TextHeight() const { return textHeight; }
    bool Highlighted() const { return highlighted; }

protected:
    bool Rounded() const { return GetStyle() & kStyleRounded; }
    // Selects the shared pen and brush of one colour.
    void SelectColour(int colour);
    // Draws one line of text (or the whole text) in r with the label's alignment.
    void DrawLine(const LabelText& line, const Rect& r);
    // The rounded or plain outline in a colour.
    void DrawFrame(const Rect& r, int colour, int radius);

    context::SDrawFont* font = nullptr;
    LabelText text;
    std::vector<LabelText> lines;
    std::vector<Rect> lineRects;
    int textWidth = 1;
    int textHeight = 1;
    int labelColour = 0;
    int disabledColour = 0;
    Point labelOffset;
    int alignment = 0;
    bool vertical = false;
    int rounding = 7;
    bool highlighted = false;
    int highlightColour = 0;

private:
    void PlaceLines();
};

extern template class SLabel<false>;

} // namespace velk::gui
