// The parameter table: what the host and the panel set, read and see.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/rounding.h"
#include "engine/vstplugin.h"
#include "plugin/editor.h"

using velk::engine::Load;
using velk::engine::Round;
using velk::engine::Single;
using velk::engine::Store;
using velk::engine::VSTPluginProgram;

namespace {

enum {
    P_FORMAT = 0,
    P_FORMAT_IN,
    P_FORMAT_OUT,
    P_CHANNEL,
    P_CHANNEL_MIN,
    P_CHANNEL_MAX,
    P_NUMBER,
    P_NUMBER_MIN,
    P_NUMBER_MAX,
    P_VALUE,
    P_VALUE_MIN,
    P_VALUE_MAX,
    P_THRU,
    P_IN_THRU,
    P_PANIC,
    P_PRESET_SWITCHING,
    P_EMPTY,
    P_EVERY_NTH,
    P_OFFSET,
    P_EVENT_COUNT,
    P_RANDOMIZER,
    P_MANUAL_TRIGGER = 49,
};

const char* const kNames[] = {
    "OP: Format (enable)", "OP: Format-IN",       "OP: Format-OUT",      "OP: Channel (enable)",
    "OP: Channel (min)",   "OP: Channel (max)",   "OP: Number (enable)", "OP: Number (min)",
    "OP: Number (max)",    "OP: Value (enable)",  "OP: Value (min)",     "OP: Value (max)",
    "OP: Midi Through",    "OP: Midi In-Through", "AC: Midi Panic",      "OP: Preset Switching"};

// Host text buffers for names and displays; the longest name needs 21 bytes.
constexpr unsigned kTextSize = 24;

uint8_t* FlagField(VSTPluginProgram& p, VstInt32 index) {
    switch (index) {
    case P_FORMAT: return &p.formatEnable;
    case P_CHANNEL: return &p.channelEnable;
    case P_NUMBER: return &p.numberEnable;
    case P_VALUE: return &p.valueEnable;
    case P_THRU: return &p.midiThru;
    case P_IN_THRU: return &p.midiInThru;
    case P_PRESET_SWITCHING: return &p.presetSwitching;
    default: return nullptr;
    }
}

struct IntParameter {
    int32_t VSTPluginProgram::*field;
    float scale; // stored = round(x * scale), read back as stored / scale
};

const IntParameter* IntField(VstInt32 index) {
    static const IntParameter table[] = {
        {&VSTPluginProgram::formatIn, 22},   {&VSTPluginProgram::formatOut, 1},
        {&VSTPluginProgram::channelMin, 15}, {&VSTPluginProgram::channelMax, 15},
        {&VSTPluginProgram::numberMin, 127}, {&VSTPluginProgram::numberMax, 127},
        {&VSTPluginProgram::valueMin, 127},  {&VSTPluginProgram::valueMax, 127},
        {&VSTPluginProgram::everyNth, 10},   {&VSTPluginProgram::randomOffset, 100},
        {&VSTPluginProgram::eventCount, 10}, {&VSTPluginProgram::randomizer, 2}};
    switch (index) {
    case P_FORMAT_IN: return &table[0];
    case P_FORMAT_OUT: return &table[1];
    case P_CHANNEL_MIN: return &table[2];
    case P_CHANNEL_MAX: return &table[3];
    case P_NUMBER_MIN: return &table[4];
    case P_NUMBER_MAX: return &table[5];
    case P_VALUE_MIN: return &table[6];
    case P_VALUE_MAX: return &table[7];
    case P_EVERY_NTH: return &table[8];
    case P_OFFSET: return &table[9];
    case P_EVENT_COUNT: return &table[10];
    case P_RANDOMIZER: return &table[11];
    default: return nullptr;
    }
}

} // namespace

void VSTPlugin::setParameter(VstInt32 index, float x) {
    // NaN would pass both range tests; infinities are no values either.
    if (!std::isfinite(x) || x < 0.0f || x > 1.0f) return;
    const bool on = x > 0.5f;
    VSTPluginProgram& program = CurrentProgram();

    if (index == P_PRESET_SWITCHING) {
        // One switch for the whole plug-in, stored in every program; program 1 decides.
        if ((Load(bank[0].presetSwitching) != 0) == on) return;
        for (int i = 0; i < velk::engine::kNumPrograms; i++)
            Store(bank[i].presetSwitching, static_cast<uint8_t>(on));
        return;
    }
    if (uint8_t* flag = FlagField(program, index)) {
        if ((Load(*flag) != 0) == on) return;
        Store(*flag, static_cast<uint8_t>(on));
        if (!on && (index == P_FORMAT || index == P_THRU || index == P_IN_THRU)) RequestNoteOffs();
        NotifyEditor(index);
        return;
    }
    if (const IntParameter* p = IntField(index)) {
        const int value = Round(x * p->scale);
        Store(program.*(p->field), static_cast<int32_t>(value));
        if (index == P_RANDOMIZER) SelectGenerator(value);
        NotifyEditor(index);
        return;
    }
    if (index == P_PANIC) {
        if (panic.exchange(on) == on || !on) return;
        // The audio thread queues the panic messages at the start of its next block.
        panicRequests.fetch_add(1, std::memory_order_release);
        return;
    }
    if (index == P_MANUAL_TRIGGER) {
        if (manualTrigger.exchange(on) == on || !on) return;
        triggerRequests.fetch_add(1, std::memory_order_release);
    }
}

float VSTPlugin::getParameter(VstInt32 index) {
    VSTPluginProgram& program = CurrentProgram();
    if (uint8_t* flag = FlagField(program, index)) return Load(*flag) ? 1.0f : 0.0f;
    if (const IntParameter* p = IntField(index)) {
        const float stored = static_cast<float>(Load(program.*(p->field)));
        switch (index) {
        case P_FORMAT_OUT: return stored;
        case P_EVERY_NTH:
        case P_EVENT_COUNT: return Single(stored * 0.1f);
        case P_OFFSET: return Single(stored * 0.01f);
        case P_RANDOMIZER: return Single(stored * 0.5f);
        default: return Single(stored / p->scale);
        }
    }
    if (index == P_PANIC) return panic.load() ? 1.0f : 0.0f;
    return 0.0f;
}

void VSTPlugin::getParameterName(VstInt32 index, char* text) {
    CopyHostText(text, index >= 0 && index <= P_PRESET_SWITCHING ? kNames[index] : "empty",
                 kTextSize);
}

void VSTPlugin::getParameterLabel(VstInt32, char* label) {
    CopyHostText(label, "", kTextSize);
}

void VSTPlugin::getParameterDisplay(VstInt32 index, char* text) {
    if (!text) return;
    const float value = getParameter(index);
    char display[kTextSize];
    switch (index) {
    case P_FORMAT_IN: {
        static const char* const types[] = {"N+CC", "N", "CC"};
        const int type = Round(value * 22);
        CopyHostText(text, type >= 0 && type <= 2 ? types[type] : "Keys", kTextSize);
        return;
    }
    case P_FORMAT_OUT: {
        const int type = Round(value);
        CopyHostText(text, type == 0 ? "CC" : type == 1 ? "PC" : "  ", kTextSize);
        return;
    }
    case P_CHANNEL_MIN:
    case P_CHANNEL_MAX:
        snprintf(display, sizeof(display), "%i", Round(value * 15));
        CopyHostText(text, display, kTextSize);
        return;
    case P_NUMBER_MIN:
    case P_NUMBER_MAX:
    case P_VALUE_MIN:
    case P_VALUE_MAX:
        snprintf(display, sizeof(display), "%i", Round(value * 127));
        CopyHostText(text, display, kTextSize);
        return;
    default: break;
    }
    if (index >= 0 && index <= P_PRESET_SWITCHING)
        CopyHostText(text, value > 0.5f ? "On" : "Off", kTextSize);
    else
        CopyHostText(text, "empty", kTextSize);
}

void VSTPlugin::SelectGenerator(int randomizer) {
    SRandom* next = &randomSTD;
    if (randomizer == 1) next = &randomMersenne;
    if (randomizer == 2) next = &randomPM;
    generator.store(next, std::memory_order_release);
}

void VSTPlugin::NotifyEditor(VstInt32 index) {
    if (editor && !EditorClosed()) editor->postUpdateIndexed(index);
}

void VSTPlugin::NotifyEditorProgram() {
    if (editor && !EditorClosed()) editor->postUpdate();
}
