#include "GUI/monitors.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>

#include <cmath>

#include "GUI/control.h"
#include "GUI/world.h"

namespace velk::gui {

SScreenFacts SDisplay::GatherFacts(Display* display) {
    SScreenFacts facts;
    if (!display) return facts;
    int eventBase = 0, errorBase = 0;
    if (XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display)) {
        facts.xineramaActive = true;
        int number = 0;
        XineramaScreenInfo* screens = XineramaQueryScreens(display, &number);
        for (int i = 0; screens && i < number; ++i)
            facts.xineramaScreens.emplace_back(screens[i].x_org, screens[i].y_org,
                                               screens[i].x_org + screens[i].width,
                                               screens[i].y_org + screens[i].height);
        if (screens) XFree(screens);
    }
    facts.screenCount = ScreenCount(display);
    const Atom workArea = XInternAtom(display, "_NET_WORKAREA", True);
    if (workArea && facts.screenCount >= 2) {
        for (int s = 0; s < facts.screenCount; ++s) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, remaining = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, RootWindow(display, s), workArea, 0, 4, False,
                                   XA_CARDINAL, &type, &format, &items, &remaining,
                                   &data) == Success &&
                type == XA_CARDINAL && format == 32 && items == 4 && data) {
                const long* v = reinterpret_cast<const long*>(data);
                facts.workAreas.emplace_back(static_cast<int>(v[0]), static_cast<int>(v[1]),
                                             static_cast<int>(v[0] + v[2]),
                                             static_cast<int>(v[1] + v[3]));
            }
            if (data) XFree(data);
        }
    }
    const int screen = DefaultScreen(display);
    facts.width = DisplayWidth(display, screen);
    facts.height = DisplayHeight(display, screen);
    return facts;
}

std::shared_ptr<SDisplay> SDisplay::Gather() {
    auto layout = std::make_shared<SDisplay>();
    layout->AllMonitorRects();
    return layout;
}

void SDisplay::AllMonitorRects() {
    Display* display = XDisplay();
    if (!display) {
        monitors.clear();
        count = 0;
        return;
    }
    AllMonitorRects(GatherFacts(display));
}

void SDisplay::Extend(const Rect& r) {
    if (monitors.empty()) {
        minX = r.left;
        minY = r.top;
        maxX = r.right;
        maxY = r.bottom;
    } else {
        if (r.left < minX) minX = r.left;
        if (r.top < minY) minY = r.top;
        if (r.right > maxX) maxX = r.right;
        if (r.bottom > maxY) maxY = r.bottom;
    }
    monitors.push_back(r);
}

void SDisplay::AllMonitorRects(const SScreenFacts& facts) {
    monitors.clear();
    split = false;
    count = 0;
    minX = minY = maxX = maxY = 0;
    const std::vector<Rect>& found = facts.xineramaActive ? facts.xineramaScreens : facts.workAreas;
    if (!facts.xineramaActive) count = facts.screenCount;
    for (const Rect& r : found) Extend(r);
    if (!monitors.empty()) {
        count = static_cast<int>(monitors.size());
        return;
    }
    const int width = facts.width;
    const int height = facts.height;
    minX = minY = 0;
    maxX = width;
    maxY = height;
    const float tall =
        width > 0 ? static_cast<float>(height) / (static_cast<float>(width) * 0.8f) : 0.0f;
    const float wide =
        height > 0 ? static_cast<float>(width) * 0.8f / static_cast<float>(height) : 0.0f;
    if (tall > 1.5f) {
        split = true;
        const int parts = static_cast<int>(std::lround(tall));
        const int part = static_cast<int>(std::lround(static_cast<float>(height) / tall));
        for (int i = 0; i < parts; ++i) monitors.emplace_back(0, i * part, width, (i + 1) * part);
    } else if (wide > 1.5f) {
        split = true;
        const int parts = static_cast<int>(std::lround(wide));
        const int part = static_cast<int>(std::lround(static_cast<float>(width) / wide));
        for (int i = 0; i < parts; ++i) monitors.emplace_back(i * part, 0, (i + 1) * part, height);
    } else {
        monitors.emplace_back(0, 0, width, height);
    }
    count = static_cast<int>(monitors.size());
}

Rect SDisplay::MonitorRect(const Point& p) const {
    for (const Rect& r : monitors)
        if (r.ContainsInclusive(p)) return r;
    return monitors.empty() ? Rect() : monitors.front();
}

Rect SDisplay::MonitorRect(SControl* control) const {
    if (!control) return monitors.empty() ? Rect() : monitors.front();
    Point centre(0, 0);
    control->GetClient2Screen(centre);
    centre.x += control->Width() >> 1;
    centre.y += control->Height() >> 1;
    return MonitorRect(centre);
}

void SDisplay::CenterOn(SControl* control, const Rect& m) const {
    const int x = m.left + (((m.right - m.left) - control->GetRect().Width()) >> 1);
    const int y = m.top + (((m.bottom - m.top) - control->GetRect().Height()) >> 1);
    control->SetPosition(x, y);
}

void SDisplay::CenterOnWindow(SControl* control) const {
    if (control) CenterOn(control, MonitorRect(control));
}

void SDisplay::CenterOnWindow(SControl* control, const Point& p) const {
    if (control) CenterOn(control, MonitorRect(p));
}

} // namespace velk::gui
