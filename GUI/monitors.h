// The monitor layout of the X display: used to centre dialogs and place tooltips.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <vector>

#include "GUI/object.h"
#include "data/datastring.h"

namespace velk::gui {

class SControl;

// Exists for the framework's sake; never filled.
struct SDisplayInfo {
    Rect rect;
    velk::data::datastring<32, char> name;
    int number = 0;
};

// What the server tells about its screens, gathered apart from the layout rules so
// that the rules can be run on any screen arrangement.
struct SScreenFacts {
    bool xineramaActive = false;
    std::vector<Rect> xineramaScreens;
    int screenCount = 1;
    // Valid _NET_WORKAREA rectangles of the screens' root windows (read only when
    // there are two or more screens).
    std::vector<Rect> workAreas;
    int width = 0;
    int height = 0;
};

class SDisplay {
public:
    // A layout of the monitors of the display in use, for the system data to keep.
    static std::shared_ptr<SDisplay> Gather();

    // Reads the server's facts and builds the monitor list; an empty list without display.
    void AllMonitorRects();
    // The layout rules: Xinerama screens, else work areas, else the default screen,
    // split when it is much wider or taller than a monitor.
    void AllMonitorRects(const SScreenFacts& facts);
    static SScreenFacts GatherFacts(Display* display);
    void AllMonitorInfos() {}

    // The first monitor containing p (edges included), else the first monitor.
    Rect MonitorRect(const Point& p) const;
    // The same for the screen position of the control's centre; null gives the first.
    Rect MonitorRect(SControl* control) const;
    // Moves the control so it is centred on the monitor holding its centre, or p.
    void CenterOnWindow(SControl* control) const;
    void CenterOnWindow(SControl* control, const Point& p) const;
    // Bounding box of all monitors.
    Rect Bounds() const { return Rect(minX, minY, maxX, maxY); }

    std::vector<SDisplayInfo> infos;
    std::vector<Rect> monitors;
    int count = 0;
    int minX = 0;
    int minY = 0;
    int maxX = 0;
    int maxY = 0;
    bool split = false;

private:
    void Extend(const Rect& r);
    void CenterOn(SControl* control, const Rect& monitor) const;
};

} // namespace velk::gui
