#include "engine/program/parameter_table.h"

#include "engine/program/rounding.h"

namespace velk::engine {

namespace {

using P = VSTPluginProgram;

constexpr ParameterInfo Flag(Parameter index, const char* name, uint8_t P::*field, int initial) {
    return {index, name, Stored::Flag, field, nullptr, 1, 1.0f, false, Shown::OnOff, initial};
}

constexpr ParameterInfo Integer(Parameter index, const char* name, int32_t P::*field, int scale,
                                float step, bool readsByStep, Shown shown, int initial) {
    return {index, name, Stored::Integer, nullptr, field, scale, step, readsByStep, shown, initial};
}

constexpr ParameterInfo Pulse(Parameter index, const char* name, Shown shown) {
    return {index, name, Stored::Pulse, nullptr, nullptr, 1, 1.0f, false, shown, 0};
}

// The steps are written out as the float literals they have always been; each is 1/scale.
constexpr ParameterInfo kRows[] = {
    Flag(P_FORMAT, "OP: Format (enable)", &P::formatEnable, 1),
    Integer(P_FORMAT_IN, "OP: Format-IN", &P::formatIn, 22, 0.045454547f, false, Shown::InputType,
            0),
    Integer(P_FORMAT_OUT, "OP: Format-OUT", &P::formatOut, 1, 1.0f, true, Shown::OutputType, 0),
    Flag(P_CHANNEL, "OP: Channel (enable)", &P::channelEnable, 0),
    Integer(P_CHANNEL_MIN, "OP: Channel (min)", &P::channelMin, 15, 0.06666667f, false,
            Shown::Number, 0),
    Integer(P_CHANNEL_MAX, "OP: Channel (max)", &P::channelMax, 15, 0.06666667f, false,
            Shown::Number, 15),
    Flag(P_NUMBER, "OP: Number (enable)", &P::numberEnable, 0),
    Integer(P_NUMBER_MIN, "OP: Number (min)", &P::numberMin, 127, 0.007874016f, false,
            Shown::Number, 0),
    Integer(P_NUMBER_MAX, "OP: Number (max)", &P::numberMax, 127, 0.007874016f, false,
            Shown::Number, 127),
    Flag(P_VALUE, "OP: Value (enable)", &P::valueEnable, 0),
    Integer(P_VALUE_MIN, "OP: Value (min)", &P::valueMin, 127, 0.007874016f, false, Shown::Number,
            0),
    Integer(P_VALUE_MAX, "OP: Value (max)", &P::valueMax, 127, 0.007874016f, false, Shown::Number,
            127),
    Flag(P_THRU, "OP: Midi Through", &P::midiThru, 0),
    Flag(P_IN_THRU, "OP: Midi In-Through", &P::midiInThru, 0),
    Pulse(P_PANIC, "AC: Midi Panic", Shown::OnOff),
    Flag(P_PRESET_SWITCHING, "OP: Preset Switching", &P::presetSwitching, 0),
    Pulse(P_EMPTY, nullptr, Shown::Nothing),
    Integer(P_EVERY_NTH, nullptr, &P::everyNth, 10, 0.1f, true, Shown::Nothing, 1),
    Integer(P_OFFSET, nullptr, &P::randomOffset, 100, 0.01f, true, Shown::Nothing, 0),
    Integer(P_EVENT_COUNT, nullptr, &P::eventCount, 10, 0.1f, true, Shown::Nothing, 1),
    Integer(P_RANDOMIZER, nullptr, &P::randomizer, 2, 0.5f, true, Shown::Nothing, 1),
};
constexpr int kRowCount = static_cast<int>(sizeof(kRows) / sizeof(kRows[0]));

// Not stored, not shown, never announced: the panel's trigger button.
constexpr ParameterInfo kManualTrigger = Pulse(P_MANUAL_TRIGGER, nullptr, Shown::Nothing);

constexpr bool RowsInOrderWithExactSteps() {
    for (int i = 0; i < kRowCount; i++) {
        if (kRows[i].index != i) return false;
        if (kRows[i].step != 1.0f / static_cast<float>(kRows[i].scale)) return false;
    }
    return true;
}
static_assert(RowsInOrderWithExactSteps(), "rows by index, and each step exactly 1/scale");
static_assert(kRowCount == P_RANDOMIZER + 1, "a row for every index up to the panel's own");

} // namespace

const ParameterInfo* FindParameter(int index) {
    if (index >= 0 && index < kRowCount) return &kRows[index];
    return index == P_MANUAL_TRIGGER ? &kManualTrigger : nullptr;
}

const ParameterInfo* ParameterRows(int& count) {
    count = kRowCount;
    return kRows;
}

float ReadStored(const ParameterInfo& p, int32_t stored) {
    const float value = static_cast<float>(stored);
    return Single(p.readsByStep ? value * p.step : value / static_cast<float>(p.scale));
}

int StoreValue(const ParameterInfo& p, float x) {
    return Round(x * static_cast<float>(p.scale));
}

} // namespace velk::engine
