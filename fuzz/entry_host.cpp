#include "entry_host.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "host_input.h"
#include "program_check.h"
#include "violation.h"

using velk::engine::kBankSize;
using velk::engine::kNumPrograms;
using velk::engine::kProgramSize;

namespace {

// More channels than this in the record would be a broken record, not a plug-in.
constexpr VstInt32 kMaxChannels = 16;

// Different in every channel and sample, so a copy from the wrong place shows.
float Sample(bool input, int channel, size_t i) {
    return static_cast<float>((i * 7 + static_cast<size_t>(channel) * 131) % 1009) / 256.0f +
           (input ? 1.0f : -5.0f);
}

} // namespace

EntryHost* EntryHost::current = nullptr;

VstIntPtr EntryHost::Master(AEffect* e, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (!current) Violation("a host call while no host is running");
    // Before `main` returns the plug-in may name its new record or none.
    if (current->effect && e != current->effect) Violation("a host call names another effect");
    return current->Answer(opcode, ptr);
}

VstIntPtr EntryHost::Answer(VstInt32 opcode, void* ptr) {
    switch (opcode) {
    case audioMasterVersion: return identity.version;
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
        if (!ptr) Violation("a host string asked for without a buffer");
        if (!identity.product) return 0;
        // Hosts write at most kVstMaxNameLen bytes.
        snprintf(static_cast<char*>(ptr), kVstMaxNameLen, "%s",
                 opcode == audioMasterGetProductString ? identity.product : "moravox fuzz");
        return 1;
    case audioMasterGetVendorVersion: return identity.vendorVersion;
    case audioMasterCanDo:
        if (!ptr) Violation("audioMasterCanDo without a word");
        return identity.sizesWindow && strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0;
    case audioMasterSizeWindow: return identity.sizesWindow;
    case audioMasterGetDirectory: return reinterpret_cast<VstIntPtr>(identity.directory);
    case audioMasterWantMidi: return 1;
    case audioMasterProcessEvents: oracle.Check(static_cast<const VstEvents*>(ptr)); return 1;
    default: return 0;
    }
}

EntryHost::EntryHost(const HostIdentity& identity) : identity(identity) {
    current = this;
    effect = moravox_entry_main(Master);
    const bool refused =
        identity.version == 0 || (identity.product && strstr(identity.product, "Usine") != nullptr);
    if (refused != !effect)
        Violation(effect ? "main started for a host it refuses" : "main refused a usable host");
    if (!effect) return;
    if (effect->magic != kEffectMagic || !effect->dispatcher || !effect->process ||
        !effect->processReplacing || !effect->setParameter || !effect->getParameter)
        Violation("main handed back a broken AEffect record");
    if (effect->numInputs < 0 || effect->numInputs > kMaxChannels || effect->numOutputs < 0 ||
        effect->numOutputs > kMaxChannels || effect->numPrograms != kNumPrograms)
        Violation("the record's channel or program counts are off");
    // The generators start from the clock; a known seed makes every finding replay.
    if (Dispatch(effVendorSpecific, kSeedRequest, 1, nullptr, 0) != 1)
        Violation("the seed request was refused");
}

EntryHost::~EntryHost() {
    Close();
    current = nullptr;
}

VstIntPtr EntryHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt) {
    if (opcode == effClose) {
        Close();
        return 1;
    }
    const VstIntPtr result = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    if (opcode == effMainsChanged) suspended = value == 0;
    return result;
}

void EntryHost::Close() {
    if (!effect) return;
    if (effect->dispatcher(effect, effClose, 0, 0, nullptr, 0) != 1)
        Violation("effClose did not answer 1");
    effect = nullptr;
}

void EntryHost::SendEvents(const std::vector<VstMidiEvent>& events) {
    std::vector<VstMidiEvent> storage(events);
    // A VstEvents record with room for every pointer and not one more (none
    // for no events), so reading past numEvents is caught.
    std::vector<unsigned char> header(offsetof(VstEvents, events) +
                                      events.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(header.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    list->reserved = 0;
    VstEvent** pointers = list->events; // declared with two slots, used with numEvents
    for (size_t i = 0; i < storage.size(); i++) {
        pointers[i] = reinterpret_cast<VstEvent*>(&storage[i]);
        if (storage[i].type == kVstMidiType) oracle.Remember(storage[i]);
    }
    Dispatch(effProcessEvents, 0, 0, list, 0);
}

void EntryHost::Block(const BlockShape& shape) {
    const size_t n = shape.frames > 0 ? static_cast<size_t>(shape.frames) : 0;
    const int ins = effect->numInputs, outs = effect->numOutputs;
    // Exactly the samples and channel pointers the record asks for, so any read
    // or write past them is caught.
    std::vector<std::unique_ptr<float[]>> buffers;
    std::unique_ptr<float*[]> inputs(new float*[ins]);
    std::unique_ptr<float*[]> outputs(new float*[outs]);
    for (int c = 0; c < ins; c++) {
        buffers.emplace_back(new float[n]);
        inputs[c] = buffers.back().get();
        for (size_t i = 0; i < n; i++) inputs[c][i] = Sample(true, c, i);
    }
    for (int c = 0; c < outs; c++) {
        if (shape.inPlace && c < ins) {
            outputs[c] = inputs[c];
            continue;
        }
        buffers.emplace_back(new float[n]);
        outputs[c] = buffers.back().get();
        for (size_t i = 0; i < n; i++) outputs[c][i] = Sample(false, c, i);
    }
    if (shape.nullChannel >= 0 && shape.nullChannel < ins) inputs[shape.nullChannel] = nullptr;
    if (shape.nullChannel >= 0 && shape.nullChannel < outs) outputs[shape.nullChannel] = nullptr;

    // What every output must hold afterwards: the input passed through where
    // the plug-in runs and both ends of the channel exist, else what was there.
    std::vector<std::vector<float>> expected(outs);
    for (int c = 0; c < outs; c++) {
        if (!outputs[c]) continue;
        expected[c].assign(outputs[c], outputs[c] + n);
        const bool passes =
            !suspended && !shape.nullInputs && !shape.nullOutputs && c < ins && inputs[c];
        for (size_t i = 0; passes && i < n; i++)
            expected[c][i] = shape.accumulate ? expected[c][i] + inputs[c][i] : inputs[c][i];
    }

    float** in = shape.nullInputs ? nullptr : inputs.get();
    float** out = shape.nullOutputs ? nullptr : outputs.get();
    oracle.BeginBlock(shape.frames);
    if (shape.accumulate)
        effect->process(effect, in, out, shape.frames);
    else
        effect->processReplacing(effect, in, out, shape.frames);
    oracle.EndBlock();

    if (suspended && oracle.HandedOver() > 0) Violation("a suspended plug-in handed over MIDI");
    for (int c = 0; c < outs; c++)
        if (n > 0 && outputs[c] && memcmp(outputs[c], expected[c].data(), n * sizeof(float)) != 0)
            Violation(suspended ? "a suspended plug-in wrote audio" : "audio not passed through");
    for (int c = 0; c < ins; c++)
        for (size_t i = 0; inputs[c] && !(shape.inPlace && c < outs) && i < n; i++)
            if (inputs[c][i] != Sample(true, c, i)) Violation("the plug-in wrote to its input");
    CheckBank(); // a MIDI program change may have switched programs
}

void EntryHost::SetParameter(VstInt32 index, float value) {
    effect->setParameter(effect, index, value);
    CheckBank();
}

float EntryHost::GetParameter(VstInt32 index) {
    const float value = effect->getParameter(effect, index);
    if (!(value >= 0.0f && value <= 1.0f)) Violation("getParameter answered outside 0..1");
    return value;
}

void EntryHost::CheckBank() {
    void* data = nullptr;
    if (Dispatch(effGetChunk, 0, 0, &data, 0) != static_cast<VstIntPtr>(kBankSize) || !data)
        Violation("effGetChunk handed out a wrong bank");
    for (int i = 0; i < kNumPrograms; i++) {
        velk::engine::VSTPluginProgram program;
        memcpy(&program, static_cast<const char*>(data) + i * kProgramSize, kProgramSize);
        if (!ProgramValid(program)) Violation("a stored program holds an out-of-range setting");
    }
}
