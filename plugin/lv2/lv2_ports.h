// The LV2 plug-in's ports, in the order its Turtle lists them, and the values of its
// control ports in natural units (toggles 0/1, integers) beside the VST 2 parameters'.
#pragma once

#include <cstdint>

namespace moravox::lv2 {

enum Port : uint32_t {
    kControls = 16, // the host parameters 0 to 15, at the same indices
    kAudioInLeft = 16,
    kAudioInRight,
    kAudioOutLeft,
    kAudioOutRight,
    kMidiIn,
    kMidiOut,
    kNotify, // patch messages to a UI without instance access
    kPortCount,
};

// The parameter value a control port's natural value stands for, within its range; the
// panel's own settings (parameters 17 to 20) are taken the same way.
float ParameterValue(uint32_t parameter, float natural);
// The natural value of a parameter value, as the control port shows it.
float NaturalValue(uint32_t parameter, float value);

} // namespace moravox::lv2
