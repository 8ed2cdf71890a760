// What the host and the panel set, read and see, converted through the parameter table.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/program/parameter_table.h"
#include "engine/program/rounding.h"
#include "engine/vstplugin.h"
#include "plugin/editor.h"

using namespace velk::engine;
using velk::engine::Load;
using velk::engine::Round;
using velk::engine::Store;
using velk::engine::VSTPluginProgram;

namespace {

// Host text buffers for names and displays; the longest name needs 21 bytes.
constexpr unsigned kTextSize = 24;

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
    const ParameterInfo* p = FindParameter(index);
    if (p && p->stored == Stored::Flag) {
        uint8_t& flag = program.*(p->flag);
        if ((Load(flag) != 0) == on) return;
        Store(flag, static_cast<uint8_t>(on));
        if (!on && (index == P_FORMAT || index == P_THRU || index == P_IN_THRU)) RequestNoteOffs();
        NotifyEditor(index);
        return;
    }
    if (p && p->stored == Stored::Integer) {
        const int value = StoreValue(*p, x);
        Store(program.*(p->integer), static_cast<int32_t>(value));
        if (index == P_RANDOMIZER) SelectGenerator(value);
        NotifyEditor(index);
        return;
    }
    if (index == P_PANIC) {
        if (panic.exchange(on) == on || !on) return;
        // The audio thread queues the panic messages at the start of its next block.
        panicRequests.fetch_add(1, std::memory_order_release);
        requested.store(true, std::memory_order_release);
        return;
    }
    if (index == P_MANUAL_TRIGGER) {
        if (manualTrigger.exchange(on) == on || !on) return;
        triggerRequests.fetch_add(1, std::memory_order_release);
        requested.store(true, std::memory_order_release);
    }
}

float VSTPlugin::getParameter(VstInt32 index) {
    VSTPluginProgram& program = CurrentProgram();
    const ParameterInfo* p = FindParameter(index);
    if (p && p->stored == Stored::Flag) return Load(program.*(p->flag)) ? 1.0f : 0.0f;
    if (p && p->stored == Stored::Integer) return ReadStored(*p, Load(program.*(p->integer)));
    if (index == P_PANIC) return panic.load() ? 1.0f : 0.0f;
    return 0.0f;
}

void VSTPlugin::getParameterName(VstInt32 index, char* text) {
    const ParameterInfo* p = index < kHostParameters ? FindParameter(index) : nullptr;
    CopyHostText(text, p && p->name ? p->name : "empty", kTextSize);
}

void VSTPlugin::getParameterLabel(VstInt32, char* label) {
    CopyHostText(label, "", kTextSize);
}

void VSTPlugin::getParameterDisplay(VstInt32 index, char* text) {
    if (!text) return;
    const float value = getParameter(index);
    const ParameterInfo* p = index < kHostParameters ? FindParameter(index) : nullptr;
    char display[kTextSize];
    switch (p ? p->shown : Shown::Nothing) {
    case Shown::InputType: {
        static const char* const types[] = {"N+CC", "N", "CC"};
        const int type = StoreValue(*p, value);
        CopyHostText(text, type >= 0 && type <= 2 ? types[type] : "Keys", kTextSize);
        return;
    }
    case Shown::OutputType: {
        const int type = Round(value);
        CopyHostText(text, type == 0 ? "CC" : type == 1 ? "PC" : "  ", kTextSize);
        return;
    }
    case Shown::Number:
        snprintf(display, sizeof(display), "%i", StoreValue(*p, value));
        CopyHostText(text, display, kTextSize);
        return;
    case Shown::OnOff: CopyHostText(text, value > 0.5f ? "On" : "Off", kTextSize); return;
    case Shown::Nothing: CopyHostText(text, "empty", kTextSize); return;
    }
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
