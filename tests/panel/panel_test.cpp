// The panel on its own: its controls as laid out, the parameter scalings both ways, the
// hotkey that follows the input type, and refreshing without feeding back.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "GUI/button.h"
#include "GUI/dial.h"
#include "GUI/drawobject.h"
#include "GUI/imagelabel.h"
#include "GUI/tooltip.h"
#include "engine/vstplugin.h"
#include "panel/paneltexts.h"
#include "panel/pluginpanel.h"
#include "panel/subpanels.h"
#include "plugin/entry/application.h"

namespace {

namespace gui = velk::gui;
using Panel = SPluginPanel;

int automateCalls = 0;

VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterAutomate) automateCalls++;
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Records what reaches setParameter, in order.
class RecordingPlugin : public VSTPlugin {
public:
    explicit RecordingPlugin(int& status) : VSTPlugin(Master, status) {}
    void setParameter(VstInt32 index, float value) override {
        calls.push_back({index, value});
        VSTPlugin::setParameter(index, value);
    }
    std::vector<std::pair<VstInt32, float>> calls;
};

class PanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadTimeInit(); }
    static void TearDownTestSuite() { UnloadTeardown(); }

    void SetUp() override {
        ASSERT_NE(dps, nullptr) << "no X display";
        int status = 0;
        plugin = new RecordingPlugin(status);
        host = XCreateSimpleWindow(dps, DefaultRootWindow(dps), 0, 0, 200, 245, 0, 0, 0);
        panel =
            new Panel(plugin->Globals(), nullptr, 1, "panel", 0x80001, 0, 0, 200, 245, host, false);
        panel->SetPlugin(plugin);
        panel->LoadControls();
        plugin->calls.clear();
        automateCalls = 0;
    }
    void TearDown() override {
        delete panel;
        XDestroyWindow(dps, host);
        XSync(dps, False);
        delete plugin;
    }

    // Sends what the control sends when the user changes it.
    void UserSets(gui::SControl* control, int type, int value) {
        control->SendEvent(type, 1, value, 0.0f, nullptr, control, nullptr);
    }
    // The setParameter values for one index, in order.
    std::vector<float> CallsFor(VstInt32 index) const {
        std::vector<float> values;
        for (const auto& call : plugin->calls)
            if (call.first == index) values.push_back(call.second);
        return values;
    }

    RecordingPlugin* plugin = nullptr;
    Window host = 0;
    Panel* panel = nullptr;
};

// The tooltip's lines, as the text splits into them.
std::vector<std::string> Lines(const char* text) {
    std::vector<std::string> lines;
    std::string current;
    for (const char* p = text;; p++) {
        if (*p == '\n' || *p == '\0') {
            if (!current.empty()) lines.push_back(current);
            current.clear();
            if (!*p) break;
        } else {
            current += *p;
        }
    }
    return lines;
}

std::vector<std::string> TipLines(gui::SControl* control) {
    std::vector<std::string> lines;
    if (!control->GetTooltip()) return lines;
    for (gui::SDrawObject* object : control->GetTooltip()->Objects())
        lines.push_back(static_cast<gui::STextObject*>(object)->text.Text());
    return lines;
}

struct DialLayout {
    int parameter;
    const char* title;
    int x, y, width, height, value, minimum, maximum, defaultValue;
    const char* tip;
};

TEST_F(PanelTest, DialsAreLaidOutWithTheirRangesTitlesAndTooltips) {
    namespace tip = velk::panel::tips;
    const DialLayout dials[] = {
        {1, "(MVXn) Control: Midi Format (IN)", 45, 19, 48, 16, 0, 0, 22, 0, tip::kFormatIn},
        {2, "(MVXn) Control: Midi Format (OUT)", 105, 19, 48, 16, 0, 0, 1, 0, tip::kFormatOut},
        {4, "(MVXn) Control: Midi Channel (Min)", 62, 60, 36, 14, 1, 1, 16, 1, tip::kChannelMin},
        {5, "(MVXn) Control: Midi Channel (Max)", 120, 60, 36, 14, 16, 1, 16, 16, tip::kChannelMax},
        {7, "(MVXn) Control: Midi Number (Min)", 62, 85, 36, 14, 0, 0, 127, 0, tip::kNumberMin},
        {8, "(MVXn) Control: Midi Number (Max)", 120, 85, 36, 14, 127, 0, 127, 127,
         tip::kNumberMax},
        {10, "(MVXn) Control: Midi Value (Min)", 62, 110, 36, 14, 0, 0, 127, 0, tip::kValueMin},
        {11, "(MVXn) Control: Midi Value (Max)", 120, 110, 36, 14, 127, 0, 127, 127,
         tip::kValueMax},
        {17, "(MVXn) Control: Advanced (Nth)", 120, 32, 36, 14, 1, 1, 10, 1, tip::kEveryNth},
        {18, "(MVXn) Control: Advanced (Offset)", 120, 48, 36, 14, 0, 0, 100, 0, tip::kOffset},
        {19, "(MVXn) Control: Advanced (Multiple)", 120, 64, 36, 14, 1, 1, 10, 10,
         tip::kEventCount},
        {20, "(MVXn) Control: Advanced (Randomizer)", 120, 80, 36, 14, 0, 0, 2, 0,
         tip::kRandomizer},
    };
    for (const DialLayout& d : dials) {
        Panel::Dial* dial = panel->DialFor(d.parameter);
        ASSERT_NE(dial, nullptr) << d.title;
        EXPECT_STREQ(dial->gui::SControl::GetLabel(), d.title);
        EXPECT_EQ(dial->GetRect(), gui::Rect(d.x, d.y, d.x + d.width, d.y + d.height)) << d.title;
        EXPECT_EQ(dial->GetValue(), d.value) << d.title;
        EXPECT_EQ(dial->GetValueMin(), d.minimum) << d.title;
        EXPECT_EQ(dial->GetValueMax(), d.maximum) << d.title;
        EXPECT_EQ(dial->GetValueDef(), d.defaultValue) << d.title;
        EXPECT_EQ(TipLines(dial), Lines(d.tip)) << d.title;
    }
}

struct ButtonLayout {
    int parameter;
    const char* title;
    int x, y, width, height;
    const char* text;
    const char* tip;
};

TEST_F(PanelTest, ButtonsAreLaidOutWithTheirTextsTitlesAndTooltips) {
    namespace tip = velk::panel::tips;
    const ButtonLayout buttons[] = {
        {0, "(MVXn) Button: Midi-Format", 5, 15, 30, 20, "E", tip::kFormat},
        {3, "(MVXn) Button: Midi-Channel", 5, 57, 30, 20, "C", tip::kChannel},
        {6, "(MVXn) Button: Midi-Number", 5, 82, 30, 20, "N", tip::kNumber},
        {9, "(MVXn) Button: Midi-Value", 5, 107, 30, 20, "V", tip::kValue},
        {13, "(MVXn) Button: Midi-In-Thru", 132, 98, 10, 10, "", tip::kInThru},
        {12, "(MVXn) Button: Midi-Thru", 132, 114, 10, 10, "", tip::kThru},
        {15, "(MVXn) Button: Preset Switching", 160, 58, 16, 16, "P", tip::kPresetSwitching},
        {49, "(MVXn) Button: Midi-Trigger", 20, 210, 40, 20, "Trigger", tip::kTrigger},
        {14, "(MVXn) Button: Midi-Panic", 144, 210, 36, 20, "Panic", tip::kPanic},
        {-1, "(MVXn) Button: Advanced Options", 64, 210, 76, 20, "ADV", tip::kAdvanced},
    };
    for (const ButtonLayout& b : buttons) {
        Panel::Button* button =
            b.parameter < 0 ? panel->AdvancedButton() : panel->ButtonFor(b.parameter);
        ASSERT_NE(button, nullptr) << b.title;
        EXPECT_STREQ(button->gui::SControl::GetLabel(), b.title);
        EXPECT_STREQ(button->GetLabel(), b.text) << b.title;
        EXPECT_EQ(button->GetRect(), gui::Rect(b.x, b.y, b.x + b.width, b.y + b.height)) << b.title;
        EXPECT_EQ(TipLines(button), Lines(b.tip)) << b.title;
    }
}

TEST_F(PanelTest, BothViewsShareOneRectangleAndAdvSwapsThem) {
    SControlPanel* normal = panel->NormalView();
    SOptionsPanel* advanced = panel->AdvancedView();
    EXPECT_EQ(normal->GetRect(), gui::Rect(20, 76, 180, 208));
    EXPECT_EQ(advanced->GetRect(), normal->GetRect());
    EXPECT_TRUE(normal->IsMapped());
    EXPECT_FALSE(advanced->IsMapped());
    panel->AdvancedButton()->SetValue(1, true);
    EXPECT_FALSE(normal->IsMapped());
    EXPECT_TRUE(advanced->IsMapped());
    panel->AdvancedButton()->SetValue(0, true);
    EXPECT_TRUE(normal->IsMapped());
    EXPECT_FALSE(advanced->IsMapped());
}

struct Scaling {
    int parameter;
    int value;      // what the control reports
    float sent;     // what setParameterAutomated receives
    float readBack; // what getParameter answers then
};

TEST_F(PanelTest, ControlValuesBecomeParametersWithTheirScalings) {
    const Scaling scalings[] = {
        {1, 5, 5 * 0.045454547f, 5.0f / 22},
        {1, 22, 22 * 0.045454547f, 1.0f},
        {2, 1, 1.0f, 1.0f},
        {4, 4, 3 * 0.06666667f, 3.0f / 15},
        {5, 16, 15 * 0.06666667f, 1.0f},
        {7, 64, 64 * 0.007874016f, 64.0f / 127},
        {8, 127, 127 * 0.007874016f, 1.0f},
        {10, 1, 0.007874016f, 1.0f / 127},
        {11, 100, 100 * 0.007874016f, 100.0f / 127},
        {17, 3, 3 * 0.1f, 0.3f},
        {18, 37, 37 * 0.01f, 0.37f},
        {19, 10, 1.0f, 1.0f},
        {20, 2, 1.0f, 1.0f},
    };
    for (const Scaling& s : scalings) {
        plugin->calls.clear();
        UserSets(panel->DialFor(s.parameter), gui::EVENT_VALUE, s.value);
        ASSERT_EQ(CallsFor(s.parameter).size(), 1u) << s.parameter;
        EXPECT_FLOAT_EQ(CallsFor(s.parameter)[0], s.sent) << s.parameter;
        EXPECT_NEAR(plugin->getParameter(s.parameter), s.readBack, 1e-6) << s.parameter;
    }
    EXPECT_EQ(automateCalls, 13);
    // Switches set their parameter to their value.
    for (int parameter : {0, 3, 6, 9, 12, 13, 15}) {
        Panel::Button* button = panel->ButtonFor(parameter);
        const int next = button->GetValue() ? 0 : 1;
        button->SetValue(next, true);
        EXPECT_EQ(plugin->getParameter(parameter), static_cast<float>(next)) << parameter;
    }
}

TEST_F(PanelTest, PanicTriggerAndHotkeyPulseOffOnOff) {
    panel->PanicButton()->SetValue(1, true);
    EXPECT_EQ(CallsFor(14), (std::vector<float>{0.0f, 1.0f, 0.0f}));
    panel->TriggerButton()->SetValue(1, true);
    EXPECT_EQ(CallsFor(49), (std::vector<float>{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(automateCalls, 6);
    // A hotkey triggers without telling the host.
    int key[3] = {0, 'c', 0};
    panel->SendEvent(gui::EVENT_KEY, 4, 0, 0.0f, key, panel, nullptr);
    EXPECT_EQ(CallsFor(49).size(), 6u);
    EXPECT_EQ(automateCalls, 6);
    int keypad[3] = {0, 0xffb9, 0};
    panel->SendEvent(gui::EVENT_KEY, 4, 0, 0.0f, keypad, panel, nullptr);
    int other[3] = {0, 'k', 0};
    panel->SendEvent(gui::EVENT_KEY, 4, 0, 0.0f, other, panel, nullptr);
    EXPECT_EQ(CallsFor(49).size(), 9u);
}

TEST_F(PanelTest, InputTypeSelectsTheOneHotkeyItsTextNames) {
    Panel::Dial* dial = panel->DialFor(1);
    struct Case {
        int value;
        const char* text;
        int hotkey;
        int keysym;
    };
    const Case cases[] = {{5, "\"c\"", 2, 'c'},  {13, "\"0\"", 10, 0xffb0},
                          {12, "\"j\"", 9, 'j'}, {22, "\"9\"", 19, 0xffb9},
                          {1, "Note-On", -1, 0}, {0, "N+CC", -1, 0}};
    for (const Case& c : cases) {
        UserSets(dial, gui::EVENT_VALUE, c.value);
        dial->SetValue(c.value, false);
        EXPECT_STREQ(dial->ValueText().Text(), c.text);
        EXPECT_EQ(panel->EnabledHotkey(), c.hotkey) << c.value;
        const auto& keys = panel->Hotkeys();
        if (c.hotkey < 0) {
            EXPECT_TRUE(keys.empty());
        } else {
            ASSERT_EQ(keys.size(), 1u);
            EXPECT_EQ(keys[0].first, 0xc000 + c.hotkey);
            EXPECT_EQ(keys[0].keysym, c.keysym);
        }
    }
}

TEST_F(PanelTest, RefreshSetsEveryControlFromItsParameterWithoutFeedingBack) {
    struct Expect {
        int parameter;
        float set;
        int shown;
    };
    const Expect expected[] = {{0, 0.0f, 0},    {3, 1.0f, 1},    {6, 1.0f, 1},  {9, 1.0f, 1},
                               {12, 1.0f, 1},   {13, 1.0f, 1},   {15, 1.0f, 1}, {1, 5.0f / 22, 5},
                               {2, 1.0f, 1},    {4, 0.2f, 4},    {5, 0.6f, 10}, {7, 0.5f, 64},
                               {8, 0.25f, 32},  {10, 1.0f, 127}, {11, 0.0f, 0}, {17, 0.7f, 7},
                               {18, 0.33f, 33}, {19, 0.4f, 4},   {20, 1.0f, 2}};
    for (const Expect& e : expected) plugin->setParameter(e.parameter, e.set);
    plugin->calls.clear();
    panel->RefreshControls(-1);
    for (const Expect& e : expected) {
        const int shown = panel->ButtonFor(e.parameter) ? panel->ButtonFor(e.parameter)->GetValue()
                                                        : panel->DialFor(e.parameter)->GetValue();
        EXPECT_EQ(shown, e.shown) << e.parameter;
    }
    EXPECT_TRUE(plugin->calls.empty());
    EXPECT_EQ(automateCalls, 0);
    EXPECT_EQ(panel->EnabledHotkey(), 2);
    // One index at a time, and indexes without a control change nothing.
    plugin->setParameter(4, 0.0f);
    panel->RefreshControls(4);
    EXPECT_EQ(panel->DialFor(4)->GetValue(), 1);
    panel->RefreshControls(14);
    panel->RefreshControls(16);
    panel->RefreshControls(49);
    EXPECT_EQ(panel->DialFor(4)->GetValue(), 1);
    EXPECT_EQ(panel->DialFor(7)->GetValue(), 64);
}

// The whole refresh, timed for the editor figures (the time is recorded, not judged):
// two programs that differ in every control, so each refresh changes them all.
TEST_F(PanelTest, FullRefreshShowsTheProgramNameAndEveryValue) {
    char names[2][32] = {"Scatter", "Gather"};
    for (int program : {0, 1}) {
        plugin->setProgram(program);
        plugin->setProgramName(names[program]);
        for (int parameter : {0, 3, 6, 9, 12, 13, 1, 2, 4, 5, 7, 8, 10, 11, 17, 18, 19, 20})
            plugin->setParameter(parameter, program ? 0.9f : 0.1f);
    }
    std::vector<double> micros;
    for (int i = 0; i < 200; i++) {
        plugin->setProgram(i % 2);
        const auto start = std::chrono::steady_clock::now();
        panel->RefreshControls(-1);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        EXPECT_STREQ(panel->ProgramName(), names[i % 2]);
        EXPECT_EQ(panel->DialFor(8)->GetValue(), i % 2 ? 114 : 13);
        EXPECT_EQ(panel->ButtonFor(12)->GetValue(), i % 2);
    }
    XSync(dps, False);
    std::sort(micros.begin(), micros.end());
    RecordProperty("full_refresh_median_us", std::to_string(micros[micros.size() / 2]));
    RecordProperty("full_refresh_max_us", std::to_string(micros.back()));
}

TEST_F(PanelTest, TitleHidesOnItsClick) {
    gui::SImageLabel* title = panel->Title();
    EXPECT_EQ(title->GetRect(), gui::Rect(10, 10, 190, 55));
    EXPECT_TRUE(title->IsMapped());
    title->SendEvent(gui::EVENT_BUTTON, 1, 1, 0.0f, nullptr, title, nullptr);
    EXPECT_FALSE(title->IsMapped());
}

} // namespace
