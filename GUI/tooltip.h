// Tooltip hooks: the contents a control owns and the window that shows them. The
// dispatcher places the window when the pointer enters a control (tooltipplace.h).
// Text here is laid out as one line; multi-line layout, title colours and the
// arrow are the tooltip widget's own business.
#pragma once

#include <vector>

#include "GUI/control.h"
#include "data/datastring.h"

namespace velk::gui {

class SWindow;

class SToolTipData {
public:
    SToolTipData(SToolTip* tip, SControl* control, int placement)
        : tip(tip), control(control), placement(placement) {}
    // A tooltip still showing these contents is closed first.
    ~SToolTipData();
    SToolTipData(const SToolTipData&) = delete;
    SToolTipData& operator=(const SToolTipData&) = delete;

    // Lays the text out with the tip's regular font; nothing without tip or font.
    void AddLabel(const char* text, unsigned);
    const Point& GetOffset() const;
    void Close();

    SToolTip* tip;
    SControl* control;
    velk::data::datastring<32, char> text;
    // The text block inside the tooltip window.
    Rect bounds;
    Point offset;
    Point flippedOffset;
    // 0 above, 1 right, 2 below, 3 left of the control.
    int placement;
    int boxWidth = 16;
    int boxHeight = 16;
};

class SToolTip : public SControl {
public:
    // A hidden child dialog of the owner's window, added to the owner.
    SToolTip(SWindow* owner, bool flag);
    ~SToolTip() override;

    void Draw(const Rect& r) override;
    void MouseStateChanged(bool* state, int code) override;
    // Sizes the window to the contents, moves it to the screen position and shows it.
    virtual void Open(SToolTipData* contents, const Point& screenPosition);
    virtual void Close();

    // Drops contents that are going away; closes the window if it shows them.
    void Forget(SToolTipData* contents);
    // Registers a control once.
    void Register(SControl* control);
    const std::vector<SControl*>& Registered() const { return registered; }
    void EnableTooltips(bool on);
    void ToggleTooltips() { EnableTooltips(!enabled); }
    bool TooltipsEnabled() const { return enabled; }
    context::SDrawFont* RegularFont() const { return regularFont; }
    bool IsShown() const { return shown; }
    SToolTipData* Data() const { return data; }

    // Set by the dispatcher when the placement had to be mirrored at the screen edge.
    bool flipped = false;

private:
    SWindow* owner;
    SToolTipData* data = nullptr;
    context::SDrawFont* regularFont = nullptr;
    bool shown = false;
    bool enabled = false;
    std::vector<SControl*> registered;
};

} // namespace velk::gui
