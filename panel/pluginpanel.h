// The plug-in's face: the window the editor places into the host's frame. It builds its
// controls once, turns what the user does with them into parameter changes, follows the
// parameters when they change elsewhere, and answers the selected computer key.
#pragma once

#include <X11/Xlib.h>

#include "GUI/window.h"
#include "data/datastring.h"

class AudioEffect;
class SPluginEditor;

namespace velk::gui {
class SImageLabel;
class SToolTip;
template <bool Flag> class SButton;
template <typename T> class SDial;
namespace context {
class SDrawBitmap;
class SDrawMemoryDevice;
} // namespace context
} // namespace velk::gui

class SControlPanel;
class SOptionsPanel;

class SPluginPanel : public velk::gui::SWindow {
public:
    using Button = velk::gui::SButton<false>;
    using Dial = velk::gui::SDial<int>;

    // Hotkey k: keys a..j for 0..9, keypad 0..9 for 10..19; the input type minus 3.
    static constexpr int kHotkeys = 20;
    static constexpr int kHotkeyId = 0xc000;
    static int HotkeySym(int k) { return k < 10 ? 0x61 + k : 0xffa6 + k; }

    SPluginPanel(SGlobals* globals, velk::gui::SControl* parent, unsigned id, const char* title,
                 int style, int x, int y, int width, int height, Window parentWindow, bool flag);
    // Releases the key grabs; the controls go with the window.
    ~SPluginPanel() override;

    void SetEditor(SPluginEditor* newEditor) { editor = newEditor; }
    void SetPlugin(AudioEffect* newPlugin) { plugin = newPlugin; }

    // Builds every control once and paints the background.
    void LoadControls() override;
    void Focussing(bool focussed) override { SControl::Focussing(focussed); }
    // One control (index 0..20) or all (-1) set from the parameters, without events.
    void RefreshControls(long index) override;
    void Draw(const velk::gui::Rect& r) override;
    // Tooltip square and title toggling.
    void MouseStateChanged(bool* state, int code) override;
    void ParseEvent(velk::gui::SEvent* event) override;
    void TimerProc(int) override {}
    void RefreshTimer(long) {}

    // Background, texts and the program-name box into the off-screen device.
    void RefreshPanel();
    // Only the program-name box and the name.
    void RefreshLabels();
    // k >= 0: grab only that key; -1: none.
    void EnableHotkey(int k);
    void DisableHotkeys();
    void DisableOtherKeys(int k);

    int EnabledHotkey() const { return enabledHotkey; }
    const char* ProgramName() const { return programName.Text(); }
    const velk::gui::Rect& TitleRect() const { return titleRect; }
    velk::gui::SToolTip* Tooltip() const { return tooltip; }
    velk::gui::SImageLabel* Title() const { return title; }
    SControlPanel* NormalView() const { return normalView; }
    SOptionsPanel* AdvancedView() const { return advancedView; }

    // Every control by the parameter it drives, for tests and the refresh table.
    Button* ButtonFor(int parameter) const;
    Dial* DialFor(int parameter) const;
    Button* TriggerButton() const { return trigger; }
    Button* AdvancedButton() const { return advanced; }
    Button* PanicButton() const { return panic; }

private:
    void CreateNormalView();
    void CreateAdvancedView();
    Button* AddButton(velk::gui::SControl* owner, const char* name, int style, int type, int x,
                      int y, int width, int height, const char* text, int fontSize,
                      const char* tip);
    Dial* AddDial(velk::gui::SControl* owner, const char* name, int x, int y, int width, int height,
                  int value, int minimum, int maximum, int defaultValue, const char* tip);
    void DrawNameBox();
    void SetParameter(int index, float value);
    void Pulse(int index, bool automated);
    void ReleaseGrabs();
    void ShowView(bool advancedShown);

    SPluginEditor* editor = nullptr;
    AudioEffect* plugin = nullptr;
    velk::gui::SToolTip* tooltip = nullptr;
    velk::gui::SImageLabel* title = nullptr;
    Button* presetSwitching = nullptr;
    SControlPanel* normalView = nullptr;
    SOptionsPanel* advancedView = nullptr;
    Button* trigger = nullptr;
    Button* advanced = nullptr;
    Button* panic = nullptr;
    Button* format = nullptr;
    Button* channel = nullptr;
    Button* number = nullptr;
    Button* valueButton = nullptr;
    Button* inThru = nullptr;
    Button* thru = nullptr;
    Dial* formatIn = nullptr;
    Dial* formatOut = nullptr;
    Dial* channelMin = nullptr;
    Dial* channelMax = nullptr;
    Dial* numberMin = nullptr;
    Dial* numberMax = nullptr;
    Dial* valueMin = nullptr;
    Dial* valueMax = nullptr;
    Dial* everyNth = nullptr;
    Dial* offset = nullptr;
    Dial* eventCount = nullptr;
    Dial* randomizer = nullptr;
    velk::gui::context::SDrawBitmap* background = nullptr;
    velk::gui::context::SDrawMemoryDevice* backgroundDevice = nullptr;
    velk::data::datastring<32, char> programName;
    int enabledHotkey = -1;
    velk::gui::Rect titleRect;
};
