#include "host/live/live_plugin.h"

#include <cstdio>
#include <cstring>
#include <thread>

namespace moravox::host {
namespace {

// Texts handed to the plug-in keep the 64-byte convention of the interface.
constexpr size_t kMaxHostText = 64;

// The one instance the callback routes to, and the calls in flight to it. A caller counts
// itself in and then reads the instance; Forget clears the instance and then waits for the count
// to drop. Both sides use sequentially consistent order, so either the caller sees no instance
// or Forget sees the caller.
std::atomic<LivePlugin*> gLive{nullptr};
std::atomic<unsigned> gCallsInFlight{0};

VstIntPtr LiveCallback(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/,
                       void* ptr, float /*opt*/) {
    gCallsInFlight.fetch_add(1);
    VstIntPtr answer = 0;
    if (LivePlugin* live = gLive.load()) {
        // While the entry runs the record is not known yet; a null record is answered as well.
        const AEffect* own = live->Effect();
        if (own == nullptr || effect == nullptr || effect == own) {
            answer = live->HandleHostCall(opcode, ptr);
        }
    }
    gCallsInFlight.fetch_sub(1);
    return answer;
}

VstIntPtr CopyText(const std::string& text, void* ptr) {
    if (ptr == nullptr) return 0;
    const size_t count = text.size() < kMaxHostText ? text.size() : kMaxHostText - 1;
    std::memcpy(ptr, text.data(), count);
    static_cast<char*>(ptr)[count] = '\0';
    return 1;
}

// The window the tool gives the editor has a fixed size, so the tool does not offer resizing.
HostAnswers LiveAnswers() {
    HostAnswers answers;
    answers.canDo.erase("sizeWindow");
    answers.sizeWindow = 0;
    return answers;
}

} // namespace

LivePlugin::LivePlugin(const std::string& path)
    : library_(path), answers_(LiveAnswers()), directory_(library_.Directory()),
      sampleRate_(answers_.sampleRate), blockSize_(answers_.blockSize) {}

LivePlugin::~LivePlugin() {
    if (Effect() != nullptr) {
        if (resumed_) Suspend();
        Close();
    }
    Forget();
}

bool LivePlugin::Instantiate() {
    error_.clear();
    if (!library_.Loaded()) {
        error_ = library_.Error();
        return false;
    }
    if (Effect() != nullptr) {
        error_ = "the plug-in is already instantiated";
        return false;
    }
    LivePlugin* none = nullptr;
    if (!gLive.compare_exchange_strong(none, this)) {
        error_ = "another plug-in is already running live in this process";
        return false;
    }
    registered_ = true;
    AEffect* effect = library_.Main()(&LiveCallback);
    if (effect == nullptr) {
        error_ = "'" + library_.Path() + "': the plug-in's entry returned no effect";
    } else if (effect->magic != kEffectMagic) {
        char magic[16];
        std::snprintf(magic, sizeof magic, "0x%08X", static_cast<unsigned>(effect->magic));
        error_ = "'" + library_.Path() + "': the effect record has a bad magic number " + magic;
    } else {
        effect_.store(effect, std::memory_order_release);
        return true;
    }
    Forget();
    return false;
}

void LivePlugin::Open(float sampleRate, VstInt32 blockSize) {
    sampleRate_.store(sampleRate);
    blockSize_.store(blockSize);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    Dispatch(effSetBlockSize, 0, blockSize);
}

void LivePlugin::SetBlockSize(VstInt32 frames) {
    blockSize_.store(frames);
    Dispatch(effSetBlockSize, 0, frames);
}

void LivePlugin::Resume() {
    if (Effect() == nullptr) return;
    Dispatch(effMainsChanged, 0, 1);
    resumed_ = true;
}

void LivePlugin::Suspend() {
    if (Effect() == nullptr) return;
    Dispatch(effMainsChanged, 0, 0);
    resumed_ = false;
}

void LivePlugin::Close() {
    if (Effect() == nullptr) return;
    Dispatch(effClose);
    effect_.store(nullptr, std::memory_order_release);
    resumed_ = false;
    Forget();
}

void LivePlugin::Forget() {
    if (!registered_) return;
    gLive.store(nullptr);
    while (gCallsInFlight.load() != 0) std::this_thread::yield();
    registered_ = false;
}

VstIntPtr LivePlugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
    AEffect* effect = Effect();
    if (effect == nullptr || effect->dispatcher == nullptr) return 0;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void LivePlugin::SetParameter(VstInt32 index, float value) {
    AEffect* effect = Effect();
    if (effect != nullptr && effect->setParameter != nullptr) {
        effect->setParameter(effect, index, value);
    }
}

void LivePlugin::ProcessReplacing(float** inputs, float** outputs, VstInt32 frames) {
    AEffect* effect = Effect();
    if (effect != nullptr && effect->processReplacing != nullptr) {
        effect->processReplacing(effect, inputs, outputs, frames);
    }
}

// Reached from any of the plug-in's threads, the audio thread included: nothing here allocates
// or locks.
VstIntPtr LivePlugin::HandleHostCall(VstInt32 opcode, void* ptr) {
    switch (opcode) {
    case audioMasterVersion: return answers_.version;
    case audioMasterProcessEvents:
        if (LiveEventSink* sink = sink_.load(std::memory_order_acquire)) {
            if (ptr != nullptr) sink->TakeEvents(*static_cast<const VstEvents*>(ptr));
        }
        return 1;
    case audioMasterWantMidi:
    case audioMasterNeedIdle:
    case audioMasterWillReplaceOrAccumulate: // 1: replacing
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit: return 1;
    case audioMasterSizeWindow: return answers_.sizeWindow;
    case audioMasterGetSampleRate: return static_cast<VstIntPtr>(sampleRate_.load());
    case audioMasterGetBlockSize: return blockSize_.load();
    case audioMasterGetVendorString: return CopyText(answers_.vendor, ptr);
    case audioMasterGetProductString: return CopyText(answers_.product, ptr);
    case audioMasterGetVendorVersion: return answers_.vendorVersion;
    case audioMasterCanDo:
        if (ptr == nullptr) return 0;
        for (const auto& entry : answers_.canDo) {
            if (entry.first == static_cast<const char*>(ptr)) return entry.second;
        }
        return 0;
    case audioMasterGetLanguage: return 1; // English
    case audioMasterGetDirectory: return reinterpret_cast<VstIntPtr>(directory_.c_str());
    default:
        // Automation, time info, pins, latency and the rest: 0, "none" or "not supported".
        return 0;
    }
}

} // namespace moravox::host
