// Tooltips: the laid-out help text a control owns (one draw object per line) and the
// window that shows it next to the control. The dispatcher opens the window when the
// pointer enters a control whose tooltip bit is set and places it (tooltipplace.h).
#pragma once

#include <vector>

#include "GUI/control.h"
#include "GUI/drawobject.h"
#include "data/datastring.h"

namespace velk::gui {

class SWindow;

class SToolTipData {
public:
    SToolTipData(SToolTip* tip, SControl* control, int placement)
        : tip(tip), control(control), placement(placement) {}
    // Frees the objects; a tooltip still showing these contents is closed first.
    ~SToolTipData();
    SToolTipData(const SToolTipData&) = delete;
    SToolTipData& operator=(const SToolTipData&) = delete;

    // Lays the text out, one text object per line, with the tip's fonts and colours;
    // nothing without a tip or its font. The second argument is not used.
    void AddLabel(const char* text, unsigned);
    void AddLabel(const velk::data::datastring<32, char>& text, unsigned n) {
        AddLabel(text.Text(), n);
    }
    // Appends the object (owned from now on).
    void AddObject(SDrawObject* object, unsigned);
    // A single text object over the whole current box.
    void AddText(const char* text, unsigned);
    void AddText(const velk::data::datastring<32, char>& text, unsigned n) {
        AddText(text.Text(), n);
    }
    // Bounds := the union of the objects; when they grew wider, every object is
    // stretched to the new width so all lines fill the box.
    void Calculate();
    // Contents without objects have no bounds and are never shown.
    bool HasBounds() const { return !objects.empty(); }
    const Point& GetOffset() const;
    void SetOffset(const Point& p, bool flipped) { (flipped ? flippedOffset : offset) = p; }
    void Close();
    const std::vector<SDrawObject*>& Objects() const { return objects; }

    SToolTip* tip;
    SControl* control;
    std::vector<SDrawObject*> objects;
    // The text block inside the tooltip window.
    Rect bounds;
    Point offset;
    Point flippedOffset;
    // Work lists of a layout, empty outside it.
    std::vector<velk::data::datastring<32, char>> lines;
    std::vector<Rect> lineRects;
    // 0 above, 1 right, 2 below, 3 left of the control.
    int placement;
    int boxWidth = 16;
    int boxHeight = 16;
};

class SToolTip : public SControl {
public:
    // A hidden child dialog of the owner's window, added to the owner.
    SToolTip(SWindow* owner, bool flag);
    // Contents of registered controls no longer point here.
    ~SToolTip() override;

    void Draw(const Rect& r) override;
    void MouseStateChanged(bool* state, int code) override;
    // Sizes the window to the contents, moves it to the screen position and shows
    // it; contents without objects are not shown.
    virtual void Open(SToolTipData* contents, const Point& screenPosition);
    virtual void Close();
    // Takes the contents and their size, without moving or showing; false for null.
    bool SetData(SToolTipData* contents);

    // Drops contents that are going away; closes the window if it shows them.
    void Forget(SToolTipData* contents);
    // Registers a control once; unregistering forgets it (its contents went).
    void Register(SControl* control);
    void Unregister(SControl* control);
    const std::vector<SControl*>& Registered() const { return registered; }
    // Sets the tooltip bit of every registered control and the indicator colour.
    void EnableTooltips(bool on);
    void ToggleTooltips() { EnableTooltips(!enabled); }
    bool TooltipsEnabled() const { return enabled; }
    // Fills the on/off square, in the caller's coordinates.
    void DrawTiprect(context::SDrawing* target);

    void SetTipTextColour(int colour) { textColour = colour; }
    void SetTextAlignment(int align) { textAlignment = align; }
    void SetTipTitleColour(int colour) { titleColour = colour; }
    void SetTitleColourOn(bool on) { titleColourOn = on; }
    void SetArrowColour(int colour) { arrowColour = colour; }
    void SetRounded(bool on) { rounded = on; }
    void SetBoldSecondLine(bool on) { boldSecondLine = on; }
    void SetIndicatorRect(const Rect& r) { indicatorRect = r; }

    int TipTextColour() const { return textColour; }
    int TextAlignment() const { return textAlignment; }
    int TipTitleColour() const { return titleColour; }
    bool TitleColourOn() const { return titleColourOn; }
    int ArrowColour() const { return arrowColour; }
    bool Rounded() const { return rounded; }
    bool BoldSecondLine() const { return boldSecondLine; }
    const Rect& IndicatorRect() const { return indicatorRect; }
    int IndicatorColour() const { return indicatorColour; }
    context::SDrawFont* RegularFont() const { return regularFont; }
    context::SDrawFont* BoldFont() const { return boldFont; }
    bool IsShown() const { return shown; }
    SToolTipData* Data() const { return data; }
    SWindow* Owner() const { return owner; }

    // Set by the dispatcher when the placement had to be mirrored at the screen edge.
    bool flipped = false;

private:
    void DrawArrow(int W, int H);

    SWindow* owner;
    SToolTipData* data = nullptr;
    context::SDrawFont* regularFont = nullptr;
    context::SDrawFont* boldFont = nullptr;
    bool shown = false;
    int textColour;
    int textAlignment = 0;
    bool titleColourOn = true;
    int titleColour;
    int arrowColour;
    bool rounded = false;
    bool boldSecondLine = false;
    std::vector<SControl*> registered;
    Rect indicatorRect{1, 1, 10, 10};
    int indicatorColour = 0;
    bool enabled = false;
};

} // namespace velk::gui
