#include "fuzz_host.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "program_check.h"
#include "violation.h"

using velk::engine::kBankSize;
using velk::engine::kNumPrograms;
using velk::engine::kOldBankSize;
using velk::engine::kOldProgramSize;
using velk::engine::kProgramSize;
using velk::engine::VSTPluginProgram;

namespace {

constexpr VstInt32 kMaxFrames = 4096;

// Audio buffers shared by all instances: static, so the harness costs little
// next to the plug-in and allocates nothing that outlives an input (libFuzzer
// would run such an input a second time to look for a leak).
float in[2][kMaxFrames];
float out[2][kMaxFrames];
float expected[2][kMaxFrames];

} // namespace

FuzzHost* FuzzHost::current = nullptr;

VstIntPtr FuzzHost::Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterProcessEvents:
        if (!current) Violation("MIDI handed over while no host is running");
        current->oracle.Check(static_cast<const VstEvents*>(ptr));
        return 1;
    default: return 0;
    }
}

FuzzHost::FuzzHost() {
    current = this;
    int status = 0;
    plugin = new VSTPlugin(Master, status);
    if (status != 0) Violation("the plug-in refused to start");
    Seed(1);
    plugin->resume();
}

FuzzHost::~FuzzHost() {
    delete plugin;
    current = nullptr;
}

void FuzzHost::SendEvents(const std::vector<VstMidiEvent>& events) {
    std::vector<VstMidiEvent> storage(events);
    // A VstEvents record with room for every pointer.
    std::vector<unsigned char> header(sizeof(VstEvents) + events.size() * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(header.data());
    list->numEvents = static_cast<VstInt32>(events.size());
    list->reserved = 0;
    VstEvent** pointers = list->events; // declared with two slots, used with numEvents
    for (size_t i = 0; i < storage.size(); i++) {
        pointers[i] = reinterpret_cast<VstEvent*>(&storage[i]);
        if (storage[i].type == kVstMidiType) oracle.Remember(storage[i]);
    }
    plugin->processEvents(list);
}

void FuzzHost::Block(VstInt32 frames, bool accumulate, bool inPlace) {
    if (frames < 1 || frames > kMaxFrames) return;
    blocks++;
    const size_t n = static_cast<size_t>(frames);
    float* ins[2];
    float* outs[2];
    for (int c = 0; c < 2; c++) {
        for (size_t i = 0; i < n; i++) {
            in[c][i] = static_cast<float>((blocks * 31 + i) % 997) / 512.0f - 1.0f + c;
            out[c][i] = -3.0f - static_cast<float>(i % 13);
        }
        ins[c] = in[c];
        outs[c] = inPlace ? in[c] : out[c];
        for (size_t i = 0; i < n; i++) {
            const float before = outs[c][i];
            expected[c][i] = suspended ? before : accumulate ? before + ins[c][i] : ins[c][i];
        }
    }

    oracle.BeginBlock(frames);
    if (accumulate)
        plugin->process(ins, outs, frames);
    else
        plugin->processReplacing(ins, outs, frames);
    oracle.EndBlock();

    if (suspended && oracle.HandedOver() > 0) Violation("a suspended plug-in handed over MIDI");
    for (int c = 0; c < 2; c++)
        if (memcmp(outs[c], expected[c], n * sizeof(float)) != 0)
            Violation(suspended ? "a suspended plug-in wrote audio" : "audio not passed through");
    CheckBank(); // a MIDI program change may have switched programs
}

void FuzzHost::SetParameter(VstInt32 index, float value) {
    plugin->setParameter(index, value);
    CheckBank();
}

void FuzzHost::SetBlockSize(VstInt32 size) {
    plugin->setBlockSize(size);
}

void FuzzHost::SetProgram(VstInt32 index) {
    const VstInt32 before = plugin->getProgram();
    plugin->setProgram(index);
    const VstInt32 after = plugin->getProgram();
    if (after != (index >= 0 && index < kNumPrograms ? index : before))
        Violation("setProgram selected the wrong program");
}

void FuzzHost::SetProgramName(const char* text, size_t length) {
    // Exactly the host's bytes, so reading past them is caught.
    std::unique_ptr<char[]> name(new char[length + 1]);
    memcpy(name.get(), text, length);
    name[length] = '\0';
    plugin->setProgramName(name.get());
    char back[64];
    memset(back, 0x55, sizeof(back));
    plugin->getProgramName(back);
    const size_t kept = std::min(length, static_cast<size_t>(velk::engine::kMaxNameLength));
    if (strnlen(back, sizeof(back)) != std::min(strlen(name.get()), kept) ||
        strncmp(back, name.get(), kept) != 0)
        Violation("program name not stored as its first 47 characters");
    CheckBank();
}

void FuzzHost::SetSuspended(bool suspend) {
    if (suspend)
        plugin->suspend();
    else
        plugin->resume();
    suspended = suspend;
}

void FuzzHost::Seed(uint32_t seed) {
    if (plugin->dispatcher(effVendorSpecific, VSTPlugin::kSeedRequest, seed, nullptr, 0) != 1)
        Violation("the seed request was refused");
}

std::vector<unsigned char> FuzzHost::Chunk(bool isPreset) {
    void* data = nullptr;
    const VstInt32 size = plugin->getChunk(&data, isPreset);
    if (size != static_cast<VstInt32>(isPreset ? kProgramSize : kBankSize) || !data)
        Violation("getChunk handed out a wrong chunk");
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

void FuzzHost::SetChunk(const unsigned char* data, VstInt32 size, bool isPreset) {
    const size_t full = isPreset ? kProgramSize : kBankSize;
    const size_t old = isPreset ? kOldProgramSize : kOldBankSize;
    const bool loads =
        size >= 0 && (static_cast<size_t>(size) == old || static_cast<size_t>(size) >= full);
    const std::vector<unsigned char> before = Chunk(false);
    const int index = plugin->getProgram();

    const VstInt32 result = plugin->setChunk(const_cast<unsigned char*>(data), size, isPreset);
    if (result != (loads ? 1 : 0)) Violation("setChunk accepted or refused the wrong size");
    const std::vector<unsigned char> after = Chunk(false);
    CheckBank();
    if (!loads) {
        if (before != after) Violation("a refused chunk changed the bank");
        return;
    }

    const size_t record = static_cast<size_t>(size) == old ? kOldProgramSize : kProgramSize;
    for (int i = 0; i < kNumPrograms; i++) {
        VSTPluginProgram was, now, sent;
        memcpy(&was, &before[i * kProgramSize], kProgramSize);
        memcpy(&now, &after[i * kProgramSize], kProgramSize);
        if (isPreset && i != index) {
            if (memcmp(&was, &now, kProgramSize) != 0)
                Violation("a program chunk changed another program");
            continue;
        }
        // What the chunk says about this program, over what it does not say.
        sent = was;
        memcpy(&sent, data + (isPreset ? 0 : i * record), record);
        if (ProgramValid(sent) && !SameProgram(sent, now))
            Violation("a valid program from a chunk was not loaded as it is");
        if (record == kOldProgramSize &&
            memcmp(reinterpret_cast<const char*>(&was) + kOldProgramSize,
                   reinterpret_cast<const char*>(&now) + kOldProgramSize,
                   kProgramSize - kOldProgramSize) != 0)
            Violation("an old-format chunk changed the advanced settings");
    }
}

void FuzzHost::Drain() {
    if (suspended) SetSuspended(false);
    for (int i = 0; i < 3; i++) Block(256, false, false);
}

void FuzzHost::CheckBank() {
    const std::vector<unsigned char> bank = Chunk(false);
    for (int i = 0; i < kNumPrograms; i++) {
        VSTPluginProgram program;
        memcpy(&program, &bank[i * kProgramSize], kProgramSize);
        if (!ProgramValid(program)) Violation("a stored program holds an out-of-range setting");
    }
}
