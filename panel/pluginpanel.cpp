// The panel's layout: every control with its place, range, texts, colours and tooltip,
// and the fixed drawings under and around them.
#include "panel/pluginpanel.h"

#include "GUI/button.h"
#include "GUI/colour.h"
#include "GUI/device.h"
#include "GUI/dial.h"
#include "GUI/globals.h"
#include "GUI/imagedata.h"
#include "GUI/imagelabel.h"
#include "GUI/staticdata.h"
#include "GUI/tooltip.h"
#include "engine/program/parameter_table.h"
#include "panel/paneltexts.h"
#include "panel/subpanels.h"

namespace gui = velk::gui;
namespace texts = velk::panel;
using namespace velk::engine; // the parameter names
using gui::Rect;

namespace {

int Pixel(int slot) {
    return statdata ? statdata->Colour(slot) : 0;
}

gui::context::SDrawFont* PanelFont(int size, bool bold = false) {
    return statdata ? statdata->FindFont(size, bold, false) : nullptr;
}

// Where each tooltip opens: above the control, flipped below at the screen's top.
constexpr int kTipPlacement = 0;

// The option switches' style: framed and rounded; their pressed state is steel.
constexpr int kSwitchStyle = 0x40010;
constexpr int kDialStyle = 0x30;

// Panel colours: its surface, and that of the two views.
constexpr int kSurface = gui::COLOUR_GREY44;
constexpr int kViewSurface = gui::COLOUR_BLACK;

} // namespace

SPluginPanel::SPluginPanel(SGlobals* globals, gui::SControl* parent, unsigned id, const char* title,
                           int style, int x, int y, int width, int height, Window parentWindow,
                           bool flag)
    : SWindow(globals, parent, id, title, style, x, y, width, height, parentWindow, flag),
      titleRect(10, 10, 190, 55) {
    if (GetDrawing())
        SetColours(Pixel(kSurface), Pixel(kSurface), Pixel(kSurface), Pixel(gui::COLOUR_WHITE),
                   Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_WHITE));
}

SPluginPanel::~SPluginPanel() {
    ReleaseGrabs();
    // The device draws into the bitmap: it goes first.
    delete backgroundDevice;
    delete background;
}

SPluginPanel::Button* SPluginPanel::AddButton(gui::SControl* owner, const char* name, int style,
                                              int type, int x, int y, int width, int height,
                                              const char* text, int fontSize, const char* tip) {
    auto* window = static_cast<gui::SWindow*>(owner);
    auto* button = new Button(globals, owner, static_cast<unsigned>(globals->NextId()), name, style,
                              x, y, width, height, owner->GetWindow(), false);
    button->SetType(type);
    const int parentSurface = owner == this ? kSurface : kViewSurface;
    button->SetColours(Pixel(gui::COLOUR_GREY22), Pixel(gui::COLOUR_ORANGE), Pixel(parentSurface),
                       Pixel(gui::COLOUR_GREY66), Pixel(gui::COLOUR_ORANGE),
                       Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_BLACK));
    button->SetFrameColour(Pixel(gui::COLOUR_GREY66), Pixel(gui::COLOUR_ORANGE),
                           Pixel(gui::COLOUR_GREY44));
    if (text) button->SetLabel(text, PanelFont(fontSize), 0);
    button->SetLabelColours(Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_GREY));
    button->SetLabelColourActive(Pixel(gui::COLOUR_BLACK));
    button->SetHoverColours(Pixel(gui::COLOUR_ORANGE), Pixel(gui::COLOUR_YELLOW));
    button->AddEventListener(this, gui::EVENT_BUTTON);
    if (tip) button->SetTooltip(tooltip, tip, kTipPlacement);
    window->Add(button);
    button->Show();
    return button;
}

SPluginPanel::Dial* SPluginPanel::AddDial(gui::SControl* owner, const char* name, int x, int y,
                                          int width, int height, int value, int minimum,
                                          int maximum, int defaultValue, const char* tip) {
    auto* window = static_cast<gui::SWindow*>(owner);
    auto* dial = new Dial(globals, owner, globals->NextId(), name, kDialStyle, x, y, width, height,
                          false, true, owner->GetWindow(), value, minimum, maximum, defaultValue);
    const int view = Pixel(kViewSurface);
    dial->SetColours(view, view, view, Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_WHITE),
                     Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_WHITE));
    dial->SetHandleColours(Pixel(gui::COLOUR_GREY22), Pixel(gui::COLOUR_WHITE));
    dial->SetValueFont(PanelFont(7));
    dial->SetLabelColours(Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_GREY));
    dial->SetHoverColours(Pixel(gui::COLOUR_GREY66), Pixel(gui::COLOUR_ORANGE));
    dial->AddEventListener(this, gui::EVENT_VALUE);
    if (tip) dial->SetTooltip(tooltip, tip, kTipPlacement);
    window->Add(dial);
    dial->Show();
    return dial;
}

namespace {

// A table of value texts the dial owns and frees.
void GiveTexts(SPluginPanel::Dial* dial, int count, const char* (*text)(int)) {
    auto* table = new gui::LabelText[static_cast<size_t>(count)];
    for (int i = 0; i < count; i++) table[i].Append(text(i));
    dial->tableB = table;
    dial->useTableB = true;
    dial->ownsTableB = true;
    dial->entryCount = count;
}

const char* OutputTypeText(int i) {
    return texts::kOutputTypeTexts[i];
}
const char* RandomizerText(int i) {
    return texts::kRandomizerTexts[i];
}

} // namespace

void SPluginPanel::LoadControls() {
    if (!GetWindow() || tooltip) return;
    EnableEventHandler(gui::EVENT_BUTTON);
    EnableEventHandler(gui::EVENT_VALUE);
    EnableEventHandler(gui::EVENT_KEY);
    // Hotkeys arrive as this panel's own key events.
    AddEventListener(this, gui::EVENT_KEY);

    tooltip = new gui::SToolTip(this, false);
    tooltip->SetTipTextColour(Pixel(gui::COLOUR_WHITE));
    tooltip->SetTipTitleColour(Pixel(gui::COLOUR_ORANGE));
    tooltip->SetArrowColour(Pixel(gui::COLOUR_RED));
    tooltip->SetRounded(true);
    tooltip->SetBoldSecondLine(true);

    title = new gui::SImageLabel(globals, this, globals->NextId(), MORAVOX_TITLE("Label", "Title"),
                                 0, titleRect.left, titleRect.top, titleRect.Width(),
                                 titleRect.Height(), GetWindow());
    title->LoadBackground(const_cast<char**>(velk::images::text_logo), titleRect.Width(),
                          titleRect.Height());
    title->AddEventListener(this, gui::EVENT_BUTTON);
    Add(title);
    title->Show();

    presetSwitching =
        AddButton(this, MORAVOX_TITLE("Button", "Preset Switching"), kSwitchStyle,
                  gui::BUTTON_NOTIFY_OFF, 160, 58, 16, 16, "P", 7, texts::tips::kPresetSwitching);
    // It sits in the program-name box.
    presetSwitching->SetColours(Pixel(gui::COLOUR_DEEP_RED), Pixel(gui::COLOUR_ORANGE),
                                Pixel(gui::COLOUR_DARK_RED), Pixel(gui::COLOUR_GREY66),
                                Pixel(gui::COLOUR_ORANGE), Pixel(gui::COLOUR_WHITE),
                                Pixel(gui::COLOUR_BLACK));
    presetSwitching->SetFrameColour(Pixel(gui::COLOUR_GREY66), Pixel(gui::COLOUR_ORANGE),
                                    Pixel(gui::COLOUR_GREY44));

    CreateNormalView();
    CreateAdvancedView();

    trigger = AddButton(this, MORAVOX_TITLE("Button", "Midi-Trigger"), kSwitchStyle,
                        gui::BUTTON_PUSH, 20, 210, 40, 20, "Trigger", 8, texts::tips::kTrigger);
    advanced = AddButton(this, MORAVOX_TITLE("Button", "Advanced Options"), kSwitchStyle,
                         gui::BUTTON_NOTIFY_OFF, 64, 210, 76, 20, "ADV", 8, texts::tips::kAdvanced);
    panic = AddButton(this, MORAVOX_TITLE("Button", "Midi-Panic"), kSwitchStyle, gui::BUTTON_PUSH,
                      144, 210, 36, 20, "Panic", 8, texts::tips::kPanic);
    ShowView(false);
    RefreshPanel();
}

void SPluginPanel::CreateNormalView() {
    normalView = new SControlPanel(globals, this, static_cast<unsigned>(globals->NextId()),
                                   MORAVOX_TITLE("Panel", "Normal"), 0, 20, 76, 160, 132,
                                   GetWindow(), false);
    const int view = Pixel(kViewSurface);
    normalView->SetColours(view, view, Pixel(kSurface), view, view, Pixel(gui::COLOUR_GREY),
                           Pixel(gui::COLOUR_GREY));
    Add(normalView);
    SControlPanel* v = normalView;
    namespace tip = texts::tips;
    const int toggle = gui::BUTTON_NOTIFY_OFF;
    format = AddButton(v, MORAVOX_TITLE("Button", "Midi-Format"), kSwitchStyle, toggle, 5, 15, 30,
                       20, "E", 8, tip::kFormat);
    formatIn = AddDial(v, MORAVOX_TITLE("Control", "Midi Format (IN)"), 45, 19, 48, 16, 0, 0, 22, 0,
                       tip::kFormatIn);
    GiveTexts(formatIn, texts::kInputTypes, &texts::InputTypeText);
    formatIn->leftThreshold = 10;
    formatIn->rightThreshold = 25;
    formatOut = AddDial(v, MORAVOX_TITLE("Control", "Midi Format (OUT)"), 105, 19, 48, 16, 0, 0, 1,
                        0, tip::kFormatOut);
    GiveTexts(formatOut, 2, &OutputTypeText);
    channel = AddButton(v, MORAVOX_TITLE("Button", "Midi-Channel"), kSwitchStyle, toggle, 5, 57, 30,
                        20, "C", 8, tip::kChannel);
    channelMin = AddDial(v, MORAVOX_TITLE("Control", "Midi Channel (Min)"), 62, 60, 36, 14, 1, 1,
                         16, 1, tip::kChannelMin);
    channelMax = AddDial(v, MORAVOX_TITLE("Control", "Midi Channel (Max)"), 120, 60, 36, 14, 16, 1,
                         16, 16, tip::kChannelMax);
    number = AddButton(v, MORAVOX_TITLE("Button", "Midi-Number"), kSwitchStyle, toggle, 5, 82, 30,
                       20, "N", 8, tip::kNumber);
    numberMin = AddDial(v, MORAVOX_TITLE("Control", "Midi Number (Min)"), 62, 85, 36, 14, 0, 0, 127,
                        0, tip::kNumberMin);
    numberMax = AddDial(v, MORAVOX_TITLE("Control", "Midi Number (Max)"), 120, 85, 36, 14, 127, 0,
                        127, 127, tip::kNumberMax);
    valueButton = AddButton(v, MORAVOX_TITLE("Button", "Midi-Value"), kSwitchStyle, toggle, 5, 107,
                            30, 20, "V", 8, tip::kValue);
    valueMin = AddDial(v, MORAVOX_TITLE("Control", "Midi Value (Min)"), 62, 110, 36, 14, 0, 0, 127,
                       0, tip::kValueMin);
    valueMax = AddDial(v, MORAVOX_TITLE("Control", "Midi Value (Max)"), 120, 110, 36, 14, 127, 0,
                       127, 127, tip::kValueMax);
    // The randomizing switches show steel while on.
    const int steel = gui::SCOL(138, 145, 150);
    for (Button* option : {format, channel, number, valueButton}) {
        option->SetColours(Pixel(gui::COLOUR_GREY22), steel, view, Pixel(gui::COLOUR_GREY66), steel,
                           Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_BLACK));
        option->SetFrameColour(Pixel(gui::COLOUR_GREY66), steel, Pixel(gui::COLOUR_GREY44));
        option->SetLabelColourActive(Pixel(gui::COLOUR_BLACK));
    }
    normalView->Redraw();
}

void SPluginPanel::CreateAdvancedView() {
    advancedView = new SOptionsPanel(globals, this, static_cast<unsigned>(globals->NextId()),
                                     MORAVOX_TITLE("Panel", "Extended"), 0, 20, 76, 160, 132,
                                     GetWindow(), false);
    const int view = Pixel(kViewSurface);
    advancedView->SetColours(view, view, Pixel(kSurface), view, view, Pixel(gui::COLOUR_WHITE),
                             Pixel(gui::COLOUR_WHITE));
    advancedView->SetLabel("Advanced Options", PanelFont(8), gui::context::ALIGN_TOP);
    advancedView->SetLabelColours(Pixel(gui::COLOUR_WHITE), Pixel(gui::COLOUR_GREY));
    advancedView->SetLabelOffset(gui::Point(0, 7));
    Add(advancedView);
    SOptionsPanel* v = advancedView;
    namespace tip = texts::tips;
    everyNth = AddDial(v, MORAVOX_TITLE("Control", "Advanced (Nth)"), 120, 32, 36, 14, 1, 1, 10, 1,
                       tip::kEveryNth);
    offset = AddDial(v, MORAVOX_TITLE("Control", "Advanced (Offset)"), 120, 48, 36, 14, 0, 0, 100,
                     0, tip::kOffset);
    eventCount = AddDial(v, MORAVOX_TITLE("Control", "Advanced (Multiple)"), 120, 64, 36, 14, 1, 1,
                         10, 10, tip::kEventCount);
    randomizer = AddDial(v, MORAVOX_TITLE("Control", "Advanced (Randomizer)"), 120, 80, 36, 14, 0,
                         0, 2, 0, tip::kRandomizer);
    GiveTexts(randomizer, 3, &RandomizerText);
    inThru = AddButton(v, MORAVOX_TITLE("Button", "Midi-In-Thru"), 0x40000, gui::BUTTON_NOTIFY_OFF,
                       132, 98, 10, 10, nullptr, 8, tip::kInThru);
    thru = AddButton(v, MORAVOX_TITLE("Button", "Midi-Thru"), 0x40000, gui::BUTTON_NOTIFY_OFF, 132,
                     114, 10, 10, nullptr, 8, tip::kThru);
}

void SPluginPanel::ShowView(bool advancedShown) {
    if (advancedShown) {
        normalView->Hide();
        advancedView->Show();
    } else {
        advancedView->Hide();
        normalView->Show();
    }
}

SPluginPanel::Button* SPluginPanel::ButtonFor(int parameter) const {
    switch (parameter) {
    case P_FORMAT: return format;
    case P_CHANNEL: return channel;
    case P_NUMBER: return number;
    case P_VALUE: return valueButton;
    case P_THRU: return thru;
    case P_IN_THRU: return inThru;
    case P_PANIC: return panic;
    case P_PRESET_SWITCHING: return presetSwitching;
    case P_MANUAL_TRIGGER: return trigger;
    default: return nullptr;
    }
}

SPluginPanel::Dial* SPluginPanel::DialFor(int parameter) const {
    switch (parameter) {
    case P_FORMAT_IN: return formatIn;
    case P_FORMAT_OUT: return formatOut;
    case P_CHANNEL_MIN: return channelMin;
    case P_CHANNEL_MAX: return channelMax;
    case P_NUMBER_MIN: return numberMin;
    case P_NUMBER_MAX: return numberMax;
    case P_VALUE_MIN: return valueMin;
    case P_VALUE_MAX: return valueMax;
    case P_EVERY_NTH: return everyNth;
    case P_OFFSET: return offset;
    case P_EVENT_COUNT: return eventCount;
    case P_RANDOMIZER: return randomizer;
    default: return nullptr;
    }
}

void SPluginPanel::RefreshPanel() {
    gui::context::SDrawing* d = GetDrawing();
    if (!d || !statdata) return;
    if (!background) {
        background = new gui::context::SDrawBitmap(nullptr, Width(), Height(), false);
        backgroundDevice = new gui::context::SDrawMemoryDevice(d->GetDevice(), background);
    }
    gui::context::SDrawDevice* window = d->GetDevice();
    d->SetDevice(backgroundDevice);
    SControl::Draw(GetClient());
    d->SetFont(PanelFont(8));
    d->SetTextColour(Pixel(gui::COLOUR_WHITE), false);
    d->DrawText(texts::kVersionText, 48, 12);
    d->SetTextColour(Pixel(gui::COLOUR_STEEL), false);
    d->DrawText(texts::kCreditText, 24, 28);
    d->DrawText(texts::kTechnologyText, 15, 40);
    DrawNameBox();
    d->SetDevice(window);
    Refresh();
}

void SPluginPanel::DrawNameBox() {
    gui::context::SDrawing* d = GetDrawing();
    const int red = Pixel(gui::COLOUR_DARK_RED);
    d->SetPen(statdata->FindPen(red));
    d->SetBrush(statdata->FindBrush(red));
    d->FillRoundedRect(20, 56, 180, 86, 7, 7);
    d->DrawRoundedRect(20, 56, 180, 86, 7, 7);
    d->SetFont(PanelFont(8));
    d->SetTextColour(Pixel(gui::COLOUR_WHITE), false);
    d->DrawText(programName.Text(), 23, 58);
}

void SPluginPanel::RefreshLabels() {
    gui::context::SDrawing* d = GetDrawing();
    if (!d || !backgroundDevice || !statdata) return;
    gui::context::SDrawDevice* window = d->GetDevice();
    d->SetDevice(backgroundDevice);
    DrawNameBox();
    d->SetDevice(window);
    Refresh();
}

void SPluginPanel::Draw(const Rect& r) {
    gui::context::SDrawing* d = GetDrawing();
    if (!d || !backgroundDevice) return;
    (void)r;
    d->DrawMemory(backgroundDevice, 0, 0, 0, 0, Width(), Height());
    if (tooltip) tooltip->DrawTiprect(d);
}
