// Program selection and naming, chunks, copy and paste.
#include <cstring>

#include "engine/vstplugin.h"

using velk::engine::kNumPrograms;
using velk::engine::Load;

void VSTPlugin::setProgram(VstInt32 index) {
    if (index < 0 || index >= kNumPrograms) return;
    __atomic_store_n(&curProgram, index, __ATOMIC_RELEASE);
    if (!Load(bank[index].midiThru)) RequestNoteOffs();
    SelectGenerator(Load(bank[index].randomizer));
    NotifyEditorProgram();
}

void VSTPlugin::getProgramName(char* name) {
    if (name) velk::engine::LoadName(CurrentProgram(), name);
}

void VSTPlugin::setProgramName(char* name) {
    if (!name) return;
    // Only the first 47 characters are kept; the host's own text stays as it is.
    velk::engine::StoreName(CurrentProgram(), name);
    NotifyEditorProgram();
}

bool VSTPlugin::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (!text || index < 0 || index >= kNumPrograms) return false;
    velk::engine::LoadName(bank[index], text);
    return true;
}

VstInt32 VSTPlugin::getChunk(void** data, bool isPreset) {
    if (!data) return 0;
    if (isPreset) {
        *data = &CurrentProgram();
        return static_cast<VstInt32>(velk::engine::kProgramSize);
    }
    *data = bank.Data();
    return static_cast<VstInt32>(velk::engine::kBankSize);
}

VstInt32 VSTPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    const int loaded =
        isPreset ? bank.readProgram(data, byteSize, CurrentIndex()) : bank.readBank(data, byteSize);
    if (loaded != 1) return 0;
    setProgram(CurrentIndex());
    return 1;
}

void VSTPlugin::copySelProgram() {
    velk::engine::CopyWords(clipboard, CurrentProgram(), velk::engine::kSettingsOffset,
                            velk::engine::kProgramSize);
    clipboardFilled = true;
}

void VSTPlugin::pasteSelProgram() {
    if (!clipboardFilled) return;
    VSTPluginProgram& program = CurrentProgram();
    velk::engine::CopyWords(program, clipboard, velk::engine::kSettingsOffset,
                            velk::engine::kProgramSize);
    if (!Load(program.midiThru)) RequestNoteOffs();
    NotifyEditorProgram();
}

VstIntPtr VSTPlugin::vendorSpecific(VstInt32 index, VstIntPtr value, void*, float) {
    if (index != kSeedRequest) return 0;
    requestedSeed.store(static_cast<uint32_t>(value), std::memory_order_release);
    seedRequested.store(true, std::memory_order_release);
    requested.store(true, std::memory_order_release);
    return 1;
}
