// What the panel does: user actions become parameter changes, parameter changes made
// elsewhere reach the controls without feeding back, and the selected key triggers.
#include <X11/Xlib.h>

#include "GUI/button.h"
#include "GUI/dial.h"
#include "GUI/imagelabel.h"
#include "GUI/tooltip.h"
#include "engine/rounding.h"
#include "panel/pluginpanel.h"
#include "plugin/audioeffect.h"

namespace gui = velk::gui;
using velk::engine::Round;
using velk::engine::Single;

namespace {

// Parameter := control value times these (1/22, 1/15 and 1/127 as the engine reads them).
constexpr float kInputTypeStep = 0.045454547f;
constexpr float kChannelStep = 0.06666667f;
constexpr float kSevenBitStep = 0.007874016f;

// The whole-program refresh, in this order.
constexpr int kRefreshOrder[] = {15, 0, 3, 6, 9, 1, 2, 4, 5, 7, 8, 10, 11, 17, 18, 19, 20, 13, 12};

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
            SetParameter(P_FORMAT_IN, static_cast<float>(value) * kInputTypeStep);
        } else if (sender == formatOut) {
            SetParameter(P_FORMAT_OUT, static_cast<float>(value));
        } else if (sender == channelMin || sender == channelMax) {
            SetParameter(sender == channelMin ? P_CHANNEL_MIN : P_CHANNEL_MAX,
                         static_cast<float>(value - 1) * kChannelStep);
        } else if (sender == everyNth || sender == eventCount) {
            SetParameter(sender == everyNth ? P_EVERY_NTH : P_EVENT_COUNT,
                         static_cast<float>(value) * 0.1f);
        } else if (sender == offset) {
            SetParameter(P_OFFSET, static_cast<float>(value) * 0.01f);
        } else if (sender == randomizer) {
            SetParameter(P_RANDOMIZER, static_cast<float>(value) * 0.5f);
        } else {
            for (int index : {P_NUMBER_MIN, P_NUMBER_MAX, P_VALUE_MIN, P_VALUE_MAX})
                if (sender == DialFor(index))
                    SetParameter(index, static_cast<float>(value) * kSevenBitStep);
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
    if (index < 0 || index > P_RANDOMIZER || index == P_PANIC || index == 16) return;
    const int i = static_cast<int>(index);
    const float p = plugin->getParameter(i);
    if (Button* button = ButtonFor(i)) {
        button->SetValue(Round(p), false);
        return;
    }
    Dial* dial = DialFor(i);
    if (!dial) return;
    switch (i) {
    case P_FORMAT_IN: {
        const int value = Round(p * 22.0f);
        dial->SetValue(value, false);
        if (value > 2)
            EnableHotkey(value - 3);
        else if (enabledHotkey != -1)
            EnableHotkey(-1);
        break;
    }
    case P_FORMAT_OUT: dial->SetValue(Round(p), false); break;
    case P_CHANNEL_MIN:
    case P_CHANNEL_MAX: dial->SetValue(Round(p * 15.0f) + 1, false); break;
    case P_EVERY_NTH:
    case P_EVENT_COUNT: dial->SetValue(Round(p * 10.0f), false); break;
    case P_OFFSET: dial->SetValue(Round(p * 100.0f), false); break;
    case P_RANDOMIZER: dial->SetValue(Round(2.0f * p), false); break;
    default: dial->SetValue(Round(p * 127.0f), false); break;
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
