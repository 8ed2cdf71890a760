// How our host answers the plug-in's calls.
#include "host/core/host.h"

#include <cstring>
#include <string>
#include <utility>

namespace moravox::host {
namespace {

// Texts handed to the plug-in keep the 64-byte convention of the interface.
constexpr size_t kMaxHostText = 64;

VstIntPtr CopyText(const std::string& text, void* ptr) {
    if (ptr == nullptr) return 0;
    const size_t count = text.size() < kMaxHostText ? text.size() : kMaxHostText - 1;
    std::memcpy(ptr, text.data(), count);
    static_cast<char*>(ptr)[count] = '\0';
    return 1;
}

std::vector<VstMidiEvent> CopyMidi(const void* ptr) {
    std::vector<VstMidiEvent> midi;
    const VstEvents* block = static_cast<const VstEvents*>(ptr);
    if (block == nullptr || block->numEvents <= 0) return midi;
    VstEvent* const* pointers = reinterpret_cast<VstEvent* const*>(
        reinterpret_cast<const char*>(block) + offsetof(VstEvents, events));
    for (VstInt32 i = 0; i < block->numEvents; ++i) {
        const VstEvent* event = pointers[i];
        if (event == nullptr || event->type != kVstMidiType) continue;
        VstMidiEvent copy;
        std::memcpy(&copy, event, sizeof copy);
        midi.push_back(copy);
    }
    return midi;
}

} // namespace

VstIntPtr Host::HandleHostCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt) {
    const AnswerSet& set = *answers_.load(std::memory_order_acquire);
    if (set.answers.realtimeEvents) return HandleRealtimeCall(set, opcode, ptr);
    HostCall call;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.hasPtr = ptr != nullptr;
    call.opt = opt;
    if (opcode == audioMasterProcessEvents) call.midi = CopyMidi(ptr);
    if (opcode == audioMasterCanDo && ptr != nullptr) call.text = static_cast<const char*>(ptr);
    call.answer = Answer(set, opcode, ptr, call.text.c_str());
    const VstIntPtr answer = call.answer;
    log_.Add(std::move(call));
    return answer;
}

// Counts instead of logging; only a capability text (rare on an audio thread) may allocate.
VstIntPtr Host::HandleRealtimeCall(const AnswerSet& set, VstInt32 opcode, void* ptr) {
    if (opcode >= 0 && static_cast<size_t>(opcode) < kCountedOpcodes) {
        realtimeCalls_[static_cast<size_t>(opcode)].fetch_add(1, std::memory_order_relaxed);
    }
    if (opcode == audioMasterProcessEvents) KeepRealtimeEvents(ptr);
    const bool canDo = opcode == audioMasterCanDo && ptr != nullptr;
    return Answer(set, opcode, ptr, canDo ? static_cast<const char*>(ptr) : "");
}

// Several plug-in threads may hand events over at once: each claims its own slots.
void Host::KeepRealtimeEvents(const void* ptr) {
    const VstEvents* block = static_cast<const VstEvents*>(ptr);
    if (block == nullptr || block->numEvents <= 0 || realtimeEvents_ == nullptr) return;
    VstEvent* const* pointers = reinterpret_cast<VstEvent* const*>(
        reinterpret_cast<const char*>(block) + offsetof(VstEvents, events));
    for (VstInt32 i = 0; i < block->numEvents; ++i) {
        const VstEvent* event = pointers[i];
        if (event == nullptr || event->type != kVstMidiType) continue;
        const size_t slot = realtimeEventCount_.fetch_add(1, std::memory_order_relaxed);
        if (slot < kRealtimeEventCapacity) {
            std::memcpy(&(*realtimeEvents_)[slot], event, sizeof(VstMidiEvent));
        }
    }
}

VstIntPtr Host::Answer(const AnswerSet& set, VstInt32 opcode, void* ptr, const char* text) {
    const HostAnswers& a = set.answers;
    if (a.answerZero) return 0;
    switch (opcode) {
    case audioMasterVersion:
        return a.version;
    case audioMasterWantMidi:
    case audioMasterProcessEvents:
    case audioMasterNeedIdle:
    case audioMasterWillReplaceOrAccumulate: // 1: replacing
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        return 1;
    case audioMasterSizeWindow:
        return a.sizeWindow;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(a.sampleRate);
    case audioMasterGetBlockSize:
        return a.blockSize;
    case audioMasterGetVendorString:
        return CopyText(a.vendor, ptr);
    case audioMasterGetProductString:
        return CopyText(a.product, ptr);
    case audioMasterGetVendorVersion:
        return a.vendorVersion;
    case audioMasterCanDo: {
        const auto found = a.canDo.find(std::string(text));
        return found == a.canDo.end() ? 0 : found->second;
    }
    case audioMasterGetLanguage:
        return 1; // English
    case audioMasterGetDirectory:
        return a.nullDirectory ? 0 : reinterpret_cast<VstIntPtr>(set.directory.c_str());
    default:
        // Automation, idle, pin and latency queries, time info and the rest: 0, which the
        // interface reads as "connected", "none" or "not supported".
        return 0;
    }
}

} // namespace moravox::host
