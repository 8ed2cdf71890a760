#include "host/host.h"

#include "host/host_registry.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <utility>

namespace moravox::host {

Host::Host(PluginLibrary& library, HostAnswers answers) : library_(library) {
    SetAnswers(answers);
}

Host::~Host() {
    if (effect_ == nullptr) return;
    if (resumed_) Suspend();
    Close();
}

bool Host::Instantiate() {
    return CallMain(&MoravoxHostCallback);
}

bool Host::InstantiateWithoutCallback() {
    return CallMain(nullptr);
}

bool Host::CallMain(audioMasterCallback callback) {
    error_.clear();
    if (effect_ != nullptr) {
        error_ = "the plug-in is already instantiated";
        return false;
    }
    if (!library_.Loaded()) {
        error_ = library_.Error();
        return false;
    }
    AEffect* effect = nullptr;
    {
        registry::Construction construction(this);
        effect = library_.Main()(callback);
        // A record with a wrong magic is not ours to drive, not even to close.
        if (effect != nullptr && effect->magic == kEffectMagic) construction.Adopt(effect);
    }
    if (effect == nullptr) {
        error_ = "'" + library_.Path() + "': the plug-in's entry returned no effect";
        return false;
    }
    if (effect->magic != kEffectMagic) {
        char magic[16];
        std::snprintf(magic, sizeof magic, "0x%08X", static_cast<unsigned>(effect->magic));
        error_ = "'" + library_.Path() + "': the effect record has a bad magic number " + magic;
        return false;
    }
    effect_ = effect;
    return true;
}

VstIntPtr Host::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (effect_ == nullptr || effect_->dispatcher == nullptr) return 0;
    const VstIntPtr result = effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    if (opcode == effClose) Forget();
    return result;
}

void Host::Process(float** inputs, float** outputs, VstInt32 frames) {
    if (effect_ != nullptr && effect_->process != nullptr) {
        effect_->process(effect_, inputs, outputs, frames);
    }
}

void Host::ProcessReplacing(float** inputs, float** outputs, VstInt32 frames) {
    if (effect_ != nullptr && effect_->processReplacing != nullptr) {
        effect_->processReplacing(effect_, inputs, outputs, frames);
    }
}

void Host::SetParameter(VstInt32 index, float value) {
    if (effect_ != nullptr && effect_->setParameter != nullptr) {
        effect_->setParameter(effect_, index, value);
    }
}

float Host::GetParameter(VstInt32 index) {
    if (effect_ == nullptr || effect_->getParameter == nullptr) return 0.0f;
    return effect_->getParameter(effect_, index);
}

void Host::Open() {
    const HostAnswers answers = Answers();
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, answers.sampleRate);
    Dispatch(effSetBlockSize, 0, answers.blockSize);
}

void Host::Resume() {
    if (effect_ == nullptr) return;
    Dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void Host::Suspend() {
    if (effect_ == nullptr) return;
    Dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

void Host::Close() {
    Dispatch(effClose);
}

void Host::Forget() {
    registry::Unregister(effect_);
    effect_ = nullptr;
    resumed_ = false;
}

std::string Host::GetString(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
    char buffer[kStringBufferSize] = {};
    Dispatch(opcode, index, value, buffer);
    buffer[kStringBufferSize - 1] = '\0';
    return buffer;
}

std::string Host::ProgramName(VstInt32 program) {
    char buffer[kStringBufferSize] = {};
    // Category -1: any category.
    if (Dispatch(effGetProgramNameIndexed, program, -1, buffer) != 0) {
        buffer[kStringBufferSize - 1] = '\0';
        return buffer;
    }
    const VstIntPtr current = Dispatch(effGetProgram);
    if (current != program) Dispatch(effSetProgram, 0, program);
    std::string name = GetString(effGetProgramName);
    if (current != program) Dispatch(effSetProgram, 0, current);
    return name;
}

std::optional<ERect> Host::EditorRect() {
    ERect* rect = nullptr;
    Dispatch(effEditGetRect, 0, 0, &rect);
    if (rect == nullptr) return std::nullopt;
    return *rect;
}

VstIntPtr Host::SendMidi(const std::vector<VstMidiEvent>& events) {
    // VstEvents declares two event pointers; the block is sized for as many as there are.
    std::vector<VstMidiEvent> copies(events);
    const size_t slots = copies.size() > 2 ? copies.size() : 2;
    const size_t bytes = sizeof(VstEvents) + (slots - 2) * sizeof(VstEvent*);
    std::unique_ptr<VstIntPtr[]> storage(
        new VstIntPtr[(bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr)]());
    VstEvents* block = reinterpret_cast<VstEvents*>(storage.get());
    block->numEvents = static_cast<VstInt32>(copies.size());
    VstEvent** pointers =
        reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(block) + offsetof(VstEvents, events));
    for (size_t i = 0; i < copies.size(); ++i) {
        pointers[i] = reinterpret_cast<VstEvent*>(&copies[i]);
    }
    return Dispatch(effProcessEvents, 0, 0, block);
}

VstIntPtr Host::CanDo(const std::string& text) {
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Dispatch(effCanDo, 0, 0, copy.data());
}

HostAnswers Host::Answers() const {
    std::lock_guard<std::mutex> lock(answersMutex_);
    return answers_;
}

void Host::SetAnswers(const HostAnswers& answers) {
    std::lock_guard<std::mutex> lock(answersMutex_);
    answers_ = answers;
    directory_ = answers.directory ? *answers.directory : library_.Directory();
}

} // namespace moravox::host
