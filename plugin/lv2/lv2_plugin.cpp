#include "plugin/lv2/lv2_plugin.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/patch/patch.h>

#include <cstring>
#include <new>

#include "engine/program/bank.h"
#include "engine/program/parameter_table.h"
#include "engine/vstplugin.h"
#include "plugin/entry/application.h"
#include "system/system.h"

namespace moravox::lv2 {

namespace {

// The instance being made: the plug-in asks its host things before it has a record to ask
// with, and the answers are this instance's.
thread_local Plugin* creating = nullptr;
thread_local double creatingRate = 48000.0;
thread_local VstInt32 creatingBlock = 4096;

const void* Feature(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

// The block length the host announces: the nominal one, else the largest, else 4096.
VstInt32 BlockLength(const LV2_Options_Option* options, LV2_URID_Map* map) {
    if (!options) return 4096;
    const LV2_URID nominal = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
    const LV2_URID largest = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
    VstInt32 found = 0;
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
        if (o->type != atomInt || o->size != sizeof(int32_t) || !o->value) continue;
        const int32_t length = *static_cast<const int32_t*>(o->value);
        if (length <= 0) continue;
        if (o->key == nominal) return length;
        if (o->key == largest) found = length;
    }
    return found > 0 ? found : 4096;
}

// The room an output sequence may fill, in whole 8-byte steps: the append helper pads each
// event to 8 bytes after checking that its unpadded size fits, so in a room that is no
// multiple of 8 the padding could pass the end, and the next check would wrap around.
uint32_t Room(uint32_t bytes) {
    return bytes & ~uint32_t{7};
}

// An empty sequence in frames: the helper's clear sets the size only, and would leave the
// host's bytes as the time unit.
void ClearSequence(LV2_Atom_Sequence* sequence) {
    sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
    sequence->body.unit = 0;
    sequence->body.pad = 0;
}

} // namespace

Plugin* Plugin::Create(double rate, const LV2_Feature* const* features) {
    auto* map = static_cast<LV2_URID_Map*>(
        const_cast<void*>(Feature(features, LV2_URID__map)));
    if (!map) return nullptr;
    auto* plugin = new (std::nothrow) Plugin(rate);
    if (!plugin) return nullptr;
    plugin->urid.Map(map);
    plugin->blockSize = BlockLength(
        static_cast<const LV2_Options_Option*>(Feature(features, LV2_OPTIONS__options)), map);

    creating = plugin;
    creatingRate = rate;
    creatingBlock = plugin->blockSize;
    plugin->effect = StartPlugin(&Master, sd);
    creating = nullptr;
    if (!plugin->effect) {
        delete plugin;
        return nullptr;
    }
    plugin->effect->user = plugin;
    plugin->Dispatch(effOpen);
    plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    plugin->Dispatch(effSetBlockSize, 0, plugin->blockSize);
    for (int i = 0; i < kMaxEvents; i++)
        plugin->inputList.events[i] = reinterpret_cast<VstEvent*>(&plugin->input[i]);
    return plugin;
}

Plugin::~Plugin() {
    if (!effect) return;
    if (active) Dispatch(effMainsChanged, 0, 0);
    Dispatch(effClose); // the plug-in deletes itself
}

VstIntPtr Plugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

VstIntPtr Plugin::Master(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr,
                         void* ptr, float opt) {
    Plugin* self = effect && effect->user ? static_cast<Plugin*>(effect->user) : creating;
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(self ? self->rate : creatingRate);
    case audioMasterGetBlockSize: return self ? self->blockSize : creatingBlock;
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "LV2");
        return 1;
    case audioMasterProcessEvents:
        if (self && ptr) self->Collect(static_cast<const VstEvents*>(ptr));
        return 1;
    case audioMasterWantMidi: return 1;
    case audioMasterAutomate:
        // The panel moved a parameter: the UI hands it to the host as a port write (or, for
        // the panel's own settings, as a message when the UI drives an instance of its own).
        if (!self) return 1;
        if (index >= 0 && index <= velk::engine::P_RANDOMIZER)
            self->edits.fetch_or(1u << index, std::memory_order_acq_rel);
        // The pulses (off, on, off) count their switches to on.
        if (index == velk::engine::P_MANUAL_TRIGGER && opt > 0.5f)
            self->triggers.fetch_add(1, std::memory_order_acq_rel);
        if (index == velk::engine::P_PANIC && opt > 0.5f)
            self->panics.fetch_add(1, std::memory_order_acq_rel);
        return 1;
    default: return 0;
    }
}

void Plugin::Connect(uint32_t port, void* data) {
    if (port < kControls) controls[port] = static_cast<const float*>(data);
    else if (port < kMidiIn) audio[port - kAudioInLeft] = static_cast<float*>(data);
    else if (port == kMidiIn) midiIn = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == kMidiOut) midiOut = static_cast<LV2_Atom_Sequence*>(data);
    else if (port == kNotify) notify = static_cast<LV2_Atom_Sequence*>(data);
}

void Plugin::Activate() {
    if (active) return;
    Dispatch(effMainsChanged, 0, 1);
    active = true;
}

void Plugin::Deactivate() {
    if (!active) return;
    Dispatch(effMainsChanged, 0, 0);
    active = false;
}

// Only a port the host changed is given to the plug-in: what the plug-in changed itself (a
// preset switched by MIDI, the panel) stays until the host moves that port.
// After a restore the ports are taken as they stand, so that ports the host left at their
// defaults do not overwrite the program just restored.
void Plugin::ApplyControls() {
    for (uint32_t i = 0; i < kControls; i++) {
        if (!controls[i]) continue;
        const float value = *controls[i];
        if (appliedOnce && value == applied[i]) continue;
        applied[i] = value;
        if (!adoptPorts)
            effect->setParameter(effect, static_cast<VstInt32>(i), ParameterValue(i, value));
    }
    appliedOnce = true;
    adoptPorts = false;
}

void Plugin::ReadInput(uint32_t frames) {
    inputList.numEvents = 0;
    if (!midiIn) return;
    LV2_ATOM_SEQUENCE_FOREACH (midiIn, ev) {
        if (ev->body.type == urid.midiEvent) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(ev + 1);
            const uint32_t size = ev->body.size;
            // Channel messages only, as a VST 2 host sends them.
            if (size < 1 || size > 3 || bytes[0] < 0x80 || bytes[0] >= 0xF0) continue;
            if (inputList.numEvents == kMaxEvents) continue;
            VstMidiEvent& e = input[inputList.numEvents++];
            e = VstMidiEvent{};
            e.type = kVstMidiType;
            e.byteSize = sizeof(VstMidiEvent);
            const int64_t at = ev->time.frames;
            e.deltaFrames = at < 0 ? 0 : at >= frames ? static_cast<VstInt32>(frames ? frames - 1 : 0)
                                                      : static_cast<VstInt32>(at);
            for (uint32_t b = 0; b < size; b++) e.midiData[b] = static_cast<char>(bytes[b]);
        } else {
            ReadMessage(&ev->body);
        }
    }
}

// A patch message from the host or from a UI; anything else is let go.
void Plugin::ReadMessage(const LV2_Atom* atom) {
    if ((atom->type == urid.object || atom->type == urid.blank) &&
        atom->size >= sizeof(LV2_Atom_Object_Body) &&
        reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == urid.patchGet) {
        recordAsked = true;
        return;
    }
    LV2_URID property = 0;
    const LV2_Atom* value = nullptr;
    if (!ReadSet(urid, atom, property, value)) return;
    if (property == urid.parameter) {
        const LV2_Atom* index = Property(atom, urid.index);
        int64_t port = -1;
        float natural = 0.0f;
        if (!index || !ReadInteger(urid, index, port) || port < 0 || port >= kControls ||
            !ReadNumber(urid, value, natural))
            return;
        const auto i = static_cast<uint32_t>(port);
        effect->setParameter(effect, static_cast<VstInt32>(i), ParameterValue(i, natural));
        return;
    }
    int64_t number = 0;
    if (!ReadInteger(urid, value, number)) return;
    if (property == urid.seed) {
        Dispatch(effVendorSpecific, VSTPlugin::kSeedRequest,
                 static_cast<VstIntPtr>(static_cast<uint32_t>(number)));
    } else if (property == urid.trigger) {
        if (number == 0) return;
        for (float pulse : {0.0f, 1.0f, 0.0f})
            effect->setParameter(effect, velk::engine::P_MANUAL_TRIGGER, pulse);
    } else if (property == urid.program) {
        if (number >= 0 && number < velk::engine::kNumPrograms)
            Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(number));
    } else {
        for (int i = 0; i < kPanelSettingCount; i++) {
            const PanelSetting& s = kPanelSettings[i];
            if (property != urid.settings[i]) continue;
            const int64_t k = number < s.minimum ? s.minimum : number > s.maximum ? s.maximum : number;
            effect->setParameter(effect, s.parameter,
                                 ParameterValue(static_cast<uint32_t>(s.parameter),
                                                static_cast<float>(k)));
        }
    }
}

// A patch:Get is answered with the values of the properties a host can set (the panel's own
// settings and the program), for a host's own controls of them, and with the current
// program's record, for a UI of its own instance. The record goes again whenever the program
// changes or the state is restored, so that such a UI follows.
void Plugin::WriteNotify() {
    if (!notify) return;
    const uint32_t room = Room(notify->atom.size);
    notify->atom.type = urid.sequence;
    if (room < sizeof(LV2_Atom_Sequence_Body)) { // as for the MIDI output
        notify->atom.size = 0;
        return;
    }
    ClearSequence(notify);
    const VstIntPtr program = Dispatch(effGetProgram);
    if (!recordAsked && (notifiedProgram < 0 || program == notifiedProgram)) return;
    alignas(8) uint8_t event[sizeof(LV2_Atom_Event) + sizeof(record.bytes)];
    auto* e = reinterpret_cast<LV2_Atom_Event*>(event);
    e->time.frames = 0;
    // Nothing is taken as answered unless all of it fits; it is tried again next run.
    auto append = [&]() {
        std::memcpy(&e->body, record.bytes, record.Size());
        return lv2_atom_sequence_append_event(notify, room, e) != nullptr;
    };
    if (recordAsked) {
        for (int i = 0; i < kPanelSettingCount; i++) {
            const int parameter = kPanelSettings[i].parameter;
            const float value = NaturalValue(static_cast<uint32_t>(parameter),
                                             effect->getParameter(effect, parameter));
            if (!ForgeSet(urid, urid.settings[i], static_cast<int32_t>(value), record) || !append())
                return ClearSequence(notify);
        }
        if (!ForgeSet(urid, urid.program, static_cast<int32_t>(program), record) || !append())
            return ClearSequence(notify);
    }
    void* chunk = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, 1, 0, &chunk);
    if (size <= 0 || !chunk ||
        !ForgeRecord(urid, static_cast<int32_t>(program), chunk, static_cast<uint32_t>(size),
                     record) ||
        !append())
        return ClearSequence(notify);
    recordAsked = false;
    notifiedProgram = program;
}

void Plugin::Collect(const VstEvents* events) {
    VstEvent* const* list = events->events; // numEvents of them, past the record's two
    for (VstInt32 i = 0; i < events->numEvents && outputCount < kMaxEvents; i++) {
        const VstEvent* e = list[i];
        if (e && e->type == kVstMidiType)
            output[outputCount++] = *reinterpret_cast<const VstMidiEvent*>(e);
    }
}

// An atom sequence goes forward in time; the plug-in's events come in its own order, and
// keep it among those at the same frame.
void Plugin::WriteOutput() {
    for (int i = 1; i < outputCount; i++) {
        const VstMidiEvent e = output[i];
        int j = i;
        for (; j > 0 && output[j - 1].deltaFrames > e.deltaFrames; j--) output[j] = output[j - 1];
        output[j] = e;
    }
    if (!midiOut) return;
    midiOut->atom.type = urid.sequence;
    // Less room than an empty sequence takes: nothing fits (and the append's room check,
    // which subtracts the sequence's size from the room, would wrap around).
    if (outputCapacity < sizeof(LV2_Atom_Sequence_Body)) {
        midiOut->atom.size = 0;
        return;
    }
    ClearSequence(midiOut);
    for (int i = 0; i < outputCount; i++) {
        const VstMidiEvent& e = output[i];
        const uint8_t status = static_cast<uint8_t>(e.midiData[0]);
        if (status < 0x80 || status >= 0xF0) continue;
        const uint32_t size = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
        struct {
            LV2_Atom_Event event;
            uint8_t bytes[4];
        } atom = {};
        atom.event.time.frames = e.deltaFrames;
        atom.event.body.type = urid.midiEvent;
        atom.event.body.size = size;
        for (uint32_t b = 0; b < size; b++)
            atom.bytes[b] = static_cast<uint8_t>(e.midiData[b]) & (b ? 0x7F : 0xFF);
        if (!lv2_atom_sequence_append_event(midiOut, outputCapacity, &atom.event)) break;
    }
}

void Plugin::Run(uint32_t frames) {
    outputCount = 0;
    if (midiOut) outputCapacity = Room(midiOut->atom.size);
    ApplyControls();
    ReadInput(frames);
    if (inputList.numEvents > 0)
        Dispatch(effProcessEvents, 0, 0, reinterpret_cast<VstEvents*>(&inputList));
    float* inputs[2] = {audio[0], audio[1]};
    float* outputs[2] = {audio[2], audio[3]};
    effect->processReplacing(effect, inputs, outputs, static_cast<VstInt32>(frames));
    WriteOutput();
    WriteNotify();
}

LV2_State_Status Plugin::Save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    void* chunk = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, 0, 0, &chunk);
    if (size <= 0 || !chunk) return LV2_STATE_ERR_UNKNOWN;
    const int32_t program = static_cast<int32_t>(Dispatch(effGetProgram));
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status =
        store(handle, urid.bank, chunk, static_cast<size_t>(size), urid.atomChunk, flags);
    if (status != LV2_STATE_SUCCESS) return status;
    return store(handle, urid.program, &program, sizeof(program), urid.atomInt, flags);
}

LV2_State_Status Plugin::Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    size_t size = 0, programSize = 0;
    uint32_t type = 0, programType = 0, flags = 0;
    const void* chunk = retrieve(handle, urid.bank, &size, &type, &flags);
    const void* program = retrieve(handle, urid.program, &programSize, &programType, &flags);
    int32_t index = -1;
    if (program && programType == urid.atomInt && programSize == sizeof(int32_t))
        std::memcpy(&index, program, sizeof(index));
    const bool known = index >= 0 && index < velk::engine::kNumPrograms;
    if (!chunk) {
        // A preset of the bundle: only a program to switch to, the bank stays as it is.
        if (!known) return LV2_STATE_ERR_NO_PROPERTY;
    } else {
        if (type != urid.atomChunk || size == 0 || size > 0x7FFFFFFF)
            return LV2_STATE_ERR_NO_PROPERTY;
        // The plug-in checks the chunk in a copy of its own; a refused one leaves the bank,
        // and the program chosen in it, as they were.
        if (Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(size), const_cast<void*>(chunk)) != 1)
            return LV2_STATE_ERR_UNKNOWN;
    }
    adoptPorts = true;
    appliedOnce = false;
    // A UI that follows learns the restored program; one that asked still gets its answer.
    recordAsked = recordAsked || notifiedProgram >= 0;
    if (known) Dispatch(effSetProgram, 0, index);
    return LV2_STATE_SUCCESS;
}

} // namespace moravox::lv2
