// The panel's fixed texts: control titles, tooltips and the texts dials show for values.
#pragma once

namespace velk::panel {

// Control titles are diagnostic names: "(MVXn) Kind: Name".
#define MORAVOX_TITLE(kind, name) "(MVXn) " kind ": " name

namespace tips {
inline constexpr const char* kPresetSwitching =
    "Option:\nEnable Preset Switching\n(via Program Changes)";
inline constexpr const char* kTrigger = "Action:\nManual Midi Triggering";
inline constexpr const char* kAdvanced = "Option:\nToggle Advanced Options";
inline constexpr const char* kPanic = "Action:\nSend Midi Panic";
inline constexpr const char* kFormat = "Option:\nToggle Randomizing\n(enable generally)";
inline constexpr const char* kFormatIn =
    "Option:\nSelect Input Type\n   \nN | Note-On\nCC | Control Change\n"
    "a-j | Keyboard ASCII (a to j)\n0-9 | Keyboard Numpad (0 to 9)";
inline constexpr const char* kFormatOut =
    "Option:\nSelect Output Type\n   \nCC | Control Change\nPC | Program Change\n";
inline constexpr const char* kChannel =
    "Option:\nToggle Randomizing\nMidi Data Channel\n   \n(if disabled, channel\ntaken from input)";
inline constexpr const char* kChannelMin = "Option:\nSelect Midi Channel\n(minimum)\n   \n"
                                           "(if minimum > maximum\nrange is inverted)";
inline constexpr const char* kChannelMax = "Option:\nSelect Midi Channel\n(maximum)\n   \n"
                                           "(if minimum > maximum\nrange is inverted)";
inline constexpr const char* kNumber =
    "Option:\nToggle Randomizing\nMidi Data Number\n   \n(if disabled, number\ntaken from input)";
inline constexpr const char* kNumberMin = "Option:\nSelect Midi Number\n(minimum)\n   \n"
                                          "(if minimum > maximum\nrange is inverted)";
inline constexpr const char* kNumberMax = "Option:\nSelect Midi Number\n(maximum)\n   \n"
                                          "(if minimum > maximum\nrange is inverted)";
inline constexpr const char* kValue =
    "Option:\nToggle Randomizing\nMidi Data Value\n   \n(if disabled, value\ntaken from input)";
inline constexpr const char* kValueMin = "Option:\nSelect Midi Value\n(minimum)\n   \n"
                                         "(if minimum > maximum\nrange is inverted)";
inline constexpr const char* kValueMax = "Option:\nSelect Midi Value\n(maximum)\n   \n"
                                         "(if minimum > maximum\nrange is inverted)";
inline constexpr const char* kEveryNth = "Option:\nProcess Every Nth Input\n(does not apply to\n"
                                         "triggering by button\n or keyboard)";
inline constexpr const char* kOffset =
    "Option:\nApply Random Offset\n   \n(deltaframe value\nrelative to blocksize)";
inline constexpr const char* kEventCount = "Option:\nOutput Event Count\n(differently randomized)";
inline constexpr const char* kRandomizer =
    "Option:\nSelect Randomizer\n   \nSTD:  Standard C-Library\nMERS: Mersenne Twister\n"
    "P/M:  Park / Miller";
inline constexpr const char* kInThru = "Option:\nToggle Midi Thru\n(trigger data)";
inline constexpr const char* kThru = "Option:\nToggle Midi Thru\n(non-trigger data)";
} // namespace tips

// The input-type dial's texts, by value: the two note and controller kinds, then the
// keys a to j and the keypad's 0 to 9 in double quotes.
inline constexpr int kInputTypes = 23;
const char* InputTypeText(int value);

inline constexpr const char* kOutputTypeTexts[] = {"CC", "PC"};
inline constexpr const char* kRandomizerTexts[] = {"STD", "MERS", "P/M"};

// Drawn under the title image, revealed when it is clicked away.
inline constexpr const char* kVersionText = "Moravox 1.02";
inline constexpr const char* kCreditText = "by the Moravox makers";
inline constexpr const char* kTechnologyText = "VST Plugin Technology by Steinberg";

} // namespace velk::panel
