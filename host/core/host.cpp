#include "host/core/host.h"

#include "host/core/host_registry.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
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
    bool adopted = false;
    {
        registry::Construction construction(this);
        effect = library_.Main()(callback);
        // A record with a wrong magic is not ours to drive, not even to close.
        if (effect != nullptr && effect->magic == kEffectMagic) {
            adopted = construction.Adopt(effect);
        }
    }
    if (effect != nullptr && effect->magic == kEffectMagic && !adopted) {
        // Its calls could reach no host; closing it is all that is left to do.
        if (effect->dispatcher != nullptr) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        }
        error_ = "'" + library_.Path() + "': more than " + std::to_string(registry::kCapacity) +
                 " plug-in instances";
        return false;
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

VstIntPtr Host::SendEvents(VstEvents* events) {
    return Dispatch(effProcessEvents, 0, 0, events);
}

VstIntPtr Host::CanDo(const std::string& text) {
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    return Dispatch(effCanDo, 0, 0, copy.data());
}

size_t Host::CallCount(VstInt32 opcode) const {
    size_t counted = 0;
    if (opcode >= 0 && static_cast<size_t>(opcode) < kCountedOpcodes) {
        counted = realtimeCalls_[static_cast<size_t>(opcode)].load(std::memory_order_relaxed);
    }
    return log_.Count(opcode) + counted;
}

void Host::ClearCalls() {
    log_.Clear();
    for (std::atomic<size_t>& count : realtimeCalls_) count.store(0, std::memory_order_relaxed);
}

std::vector<VstMidiEvent> Host::TakeRealtimeEvents(size_t* dropped) {
    const size_t claimed = realtimeEventCount_.exchange(0, std::memory_order_acq_rel);
    const size_t kept = std::min(claimed, kRealtimeEventCapacity);
    if (dropped != nullptr) *dropped = claimed - kept;
    if (realtimeEvents_ == nullptr) return {};
    return std::vector<VstMidiEvent>(realtimeEvents_->begin(), realtimeEvents_->begin() + kept);
}

HostAnswers Host::Answers() const {
    return answers_.load(std::memory_order_acquire)->answers;
}

void Host::SetAnswers(const HostAnswers& answers) {
    auto set = std::make_unique<AnswerSet>();
    set->answers = answers;
    set->directory = answers.directory ? *answers.directory : library_.Directory();
    std::lock_guard<std::mutex> lock(answersMutex_);
    // Made before the set that asks for it is published, and never replaced.
    if (answers.realtimeEvents && realtimeEvents_ == nullptr) {
        realtimeEvents_ = std::make_unique<RealtimeEvents>();
    }
    answerSets_.push_back(std::move(set));
    answers_.store(answerSets_.back().get(), std::memory_order_release);
}

} // namespace moravox::host
