// What the panel does: user actions become parameter changes, parameter changes made
// elsewhere reach the controls without feeding back, and the selected key triggers.
#include <X11/Xlib.h>

#include "GUI/button.h"
#include "GUI/dial.h"
#include "GUI/imagelabel.h"
#include "GUI/tooltip.h"
#include "engine/program/parameter_table.h"
#include "engine/program/rounding.h"
#include "panel/pluginpanel.h"
#include "plugin/protocol/audioeffect.h"

namespace gui = velk::gui;
using namespace velk::engine; // the parameter names and their table

namespace {

// The whole-program refresh, in this order.
constexpr int kRefreshOrder[] = {P_PRESET_SWITCHING, P_FORMAT,      P_CHANNEL,     P_NUMBER,
                                 P_VALUE,            P_FORMAT_IN,   P_FORMAT_OUT,  P_CHANNEL_MIN,
                                 P_CHANNEL_MAX,      P_NUMBER_MIN,  P_NUMBER_MAX,  P_VALUE_MIN,
                                 P_VALUE_MAX,        P_EVERY_NTH,   P_OFFSET,      P_EVENT_COUNT,
                                 P_RANDOMIZER,       P_IN_THRU,     P_THRU};

// The channel dials show channels from 1.
int ShownFrom(int index) {
    return index == P_CHANNEL_MIN || index == P_CHANNEL_MAX ? 1 : 0;
}

// A dial's value as the parameter value: so many units of the parameter's step.
float FromDial(int index, int value) {
    return static_cast<float>(value - ShownFrom(index)) * FindParameter(index)->step;
}

bool IsHotkeySym(int keysym) {
    return (keysym >= 0x61 && keysym <= 0x6a) || (keysym >= 0xffb0 && keysym <= 0xffb9);
}

bool Inside(const gui::Rect& r, int x, int y) {
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

} // namespace

void SPluginPanel::SetParameter(int index, float value) {
    if (plugin) plugin->setParameterAutomated(index, Single(value));
}

// Off, on, off: the engine acts on the switch to on, and the next pulse finds it off.
void SPluginPanel::Pulse(int index, bool automated) {
    if (!plugin) return;
    for (float value : {0.0f, 1.0f, 0.0f}) {
        if (automated)
            plugin->setParameterAutomated(index, value);
        else
            plugin->setParameter(index, value);
    }
}

void SPluginPanel::ParseEvent(gui::SEvent* event) {
    if (!event || event->type < 0 || event->type > 12 || !EventHandled(event->type)) return;
    const gui::SControl* sender = event->sender;
    if (event->type == gui::EVENT_BUTTON) {
        if (sender && sender == title) {
            title->Hide();
            return;
        }
        if (sender == trigger) return Pulse(P_MANUAL_TRIGGER, true);
        if (sender == panic) return Pulse(P_PANIC, true);
        if (sender == advanced) return ShowView(advanced->GetValue() >= 1);
        for (int index :
             {P_FORMAT, P_CHANNEL, P_NUMBER, P_VALUE, P_THRU, P_IN_THRU, P_PRESET_SWITCHING}) {
            Button* button = ButtonFor(index);
            if (button && sender == button)
                return SetParameter(index, static_cast<float>(button->GetValue()));
        }
        return;
    }
    if (event->type == gui::EVENT_VALUE) {
        const int value = event->b;
        if (sender == formatIn) {
            // The key is ours before anyone learns of the new input type.
            if (value > 2)
                EnableHotkey(value - 3);
            else if (enabledHotkey != -1)
                EnableHotkey(-1);
            SetParameter(P_FORMAT_IN, FromDial(P_FORMAT_IN, value));
        } else {
            for (int index : {P_FORMAT_OUT, P_CHANNEL_MIN, P_CHANNEL_MAX, P_NUMBER_MIN,
                              P_NUMBER_MAX, P_VALUE_MIN, P_VALUE_MAX, P_EVERY_NTH, P_OFFSET,
                              P_EVENT_COUNT, P_RANDOMIZER})
                if (sender == DialFor(index)) return SetParameter(index, FromDial(index, value));
        }
        return;
    }
    if (event->type == gui::EVENT_KEY && event->data) {
        const int keysym = static_cast<const int*>(event->data)[1];
        if (IsHotkeySym(keysym)) Pulse(P_MANUAL_TRIGGER, false);
    }
}

void SPluginPanel::RefreshControls(long index) {
    if (!plugin || !tooltip) return;
    if (index == -1) {
        char name[64] = {};
        plugin->getProgramName(name);
        name[sizeof(name) - 1] = '\0';
        programName.Clear(false);
        programName.Append(name);
        RefreshLabels();
        for (int each : kRefreshOrder) RefreshControls(each);
        return;
    }
    if (index < 0 || index > P_RANDOMIZER || index == P_PANIC || index == P_EMPTY) return;
    const int i = static_cast<int>(index);
    const float p = plugin->getParameter(i);
    if (Button* button = ButtonFor(i)) {
        button->SetValue(Round(p), false);
        return;
    }
    Dial* dial = DialFor(i);
    if (!dial) return;
    const int value = StoreValue(*FindParameter(i), p);
    dial->SetValue(value + ShownFrom(i), false);
    if (i == P_FORMAT_IN) {
        if (value > 2)
            EnableHotkey(value - 3);
        else if (enabledHotkey != -1)
            EnableHotkey(-1);
    }
}

void SPluginPanel::MouseStateChanged(bool* state, int code) {
    SWindow::MouseStateChanged(state, code);
    const bool press = (code >= gui::MOUSE_LEFT_DOWN && code <= gui::MOUSE_MIDDLE_DOWN) ||
                       (code >= gui::MOUSE_LEFT_DOUBLE && code <= gui::MOUSE_MIDDLE_DOUBLE);
    Display* display = GetDisplay();
    if (!press || !display || !GetWindow()) return;
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX,
                       &windowY, &mask))
        return;
    GetScreen2Client(&x, &y);
    if (tooltip && Inside(tooltip->IndicatorRect(), x, y)) {
        tooltip->ToggleTooltips();
        RefreshRectangle(tooltip->IndicatorRect());
    }
    if (title && Inside(titleRect, x, y)) title->Show();
}

void SPluginPanel::ReleaseGrabs() {
    Display* display = GetDisplay();
    if (display && GetWindow()) {
        XUngrabKey(display, AnyKey, AnyModifier, GetWindow());
        XFlush(display);
    }
}

void SPluginPanel::EnableHotkey(int k) {
    Display* display = GetDisplay();
    if (k >= 0 && k < kHotkeys && k != enabledHotkey) {
        ReleaseGrabs();
        hotkeys.clear();
        AddHotkey(kHotkeyId + k, HotkeySym(k), 0);
        if (display && GetWindow()) {
            const KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(HotkeySym(k)));
            if (code)
                XGrabKey(display, code, AnyModifier, GetWindow(), True, GrabModeAsync,
                         GrabModeAsync);
            XFlush(display);
        }
        enabledHotkey = k;
    } else if (k == -1) {
        ReleaseGrabs();
        hotkeys.clear();
        enabledHotkey = -1;
    }
}

void SPluginPanel::DisableHotkeys() {
    ReleaseGrabs();
    hotkeys.clear();
}

void SPluginPanel::DisableOtherKeys(int k) {
    Display* display = GetDisplay();
    for (auto it = hotkeys.begin(); it != hotkeys.end();) {
        if (it->first == kHotkeyId + k) {
            ++it;
            continue;
        }
        if (display && GetWindow()) {
            const KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(it->keysym));
            if (code) XUngrabKey(display, code, AnyModifier, GetWindow());
        }
        it = hotkeys.erase(it);
    }
    if (display) XFlush(display);
}
