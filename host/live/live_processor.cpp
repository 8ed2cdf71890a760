#include "host/live/live_processor.h"

#include <cstddef>
#include <cstring>

namespace moravox::host {
namespace {

VstEvent* const* EventPointers(const VstEvents& events) {
    return reinterpret_cast<VstEvent* const*>(reinterpret_cast<const char*>(&events) +
                                              offsetof(VstEvents, events));
}

uint32_t LastFrame(const LiveCycle& cycle) {
    return cycle.frames > 0 ? cycle.frames - 1 : 0;
}

} // namespace

size_t MidiMessageLength(uint8_t status) {
    if (status < 0x80) return 0;
    if (status < 0xF0) return (status & 0xE0) == 0xC0 ? 2 : 3; // program change, pressure: 2
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF: return 1;
    default: return 0; // system exclusive and the undefined ones
    }
}

LiveProcessor::LiveProcessor(LivePlugin& plugin, uint32_t blockSize)
    : plugin_(plugin), blockSize_(blockSize) {
    VstEvent** pointers = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(header_.data()) +
                                                       offsetof(VstEvents, events));
    for (size_t i = 0; i < kMaxEvents; ++i) pointers[i] = reinterpret_cast<VstEvent*>(&input_[i]);
    plugin_.SetEventSink(this);
}

LiveProcessor::~LiveProcessor() {
    plugin_.SetEventSink(nullptr);
}

LiveLosses LiveProcessor::Losses() const {
    LiveLosses losses;
    losses.input = lostInput_.load(std::memory_order_relaxed);
    losses.output = lostOutput_.load(std::memory_order_relaxed);
    return losses;
}

void LiveProcessor::Process(const LiveCycle& cycle) noexcept {
    if (cycle.frames == 0) return;
    // The plug-in bounds its random offsets by the block size it knows.
    if (cycle.frames != blockSize_) {
        blockSize_ = cycle.frames;
        plugin_.SetBlockSize(static_cast<VstInt32>(blockSize_));
    }
    ReadInput(cycle);
    if (InputBlock()->numEvents > 0) plugin_.Dispatch(effProcessEvents, 0, 0, InputBlock());

    float* inputs[2] = {cycle.audioIn[0], cycle.audioIn[1]};
    float* outputs[2] = {cycle.audioOut[0], cycle.audioOut[1]};
    // A suspended plug-in writes nothing: the outputs must not repeat an old cycle then.
    for (float* output : outputs) std::memset(output, 0, sizeof(float) * cycle.frames);
    outputCount_ = 0;
    collecting_.store(true, std::memory_order_relaxed);
    plugin_.ProcessReplacing(inputs, outputs, static_cast<VstInt32>(cycle.frames));
    collecting_.store(false, std::memory_order_relaxed);
    WriteOutput(cycle);
}

void LiveProcessor::ReadInput(const LiveCycle& cycle) noexcept {
    const uint32_t available = cycle.midiIn->Count();
    size_t count = 0;
    unsigned long lost = 0;
    for (uint32_t i = 0; i < available; ++i) {
        uint32_t frame = 0;
        const uint8_t* bytes = nullptr;
        size_t size = 0;
        if (!cycle.midiIn->Get(i, frame, bytes, size) || size == 0 || count == kMaxEvents) {
            ++lost;
            continue;
        }
        const size_t length = MidiMessageLength(bytes[0]);
        if (length == 0 || size < length) {
            ++lost;
            continue;
        }
        VstMidiEvent& event = input_[count++];
        std::memset(&event, 0, sizeof event);
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = static_cast<VstInt32>(frame < cycle.frames ? frame : LastFrame(cycle));
        std::memcpy(event.midiData, bytes, length);
    }
    InputBlock()->numEvents = static_cast<VstInt32>(count);
    if (lost > 0) lostInput_.fetch_add(lost, std::memory_order_relaxed);
}

void LiveProcessor::TakeEvents(const VstEvents& events) noexcept {
    if (events.numEvents <= 0) return;
    VstEvent* const* pointers = EventPointers(events);
    unsigned long lost = 0;
    const bool collecting = collecting_.load(std::memory_order_relaxed);
    for (VstInt32 i = 0; i < events.numEvents; ++i) {
        const VstEvent* event = pointers[i];
        if (event == nullptr || event->type != kVstMidiType) continue;
        if (!collecting || outputCount_ == kMaxEvents) {
            ++lost;
            continue;
        }
        std::memcpy(&output_[outputCount_++], event, sizeof(VstMidiEvent));
    }
    if (lost > 0) lostOutput_.fetch_add(lost, std::memory_order_relaxed);
}

// The plug-in does not sort what it sends, and the output wants time order: a stable insertion
// sort keeps the plug-in's order among events at the same frame.
void LiveProcessor::WriteOutput(const LiveCycle& cycle) noexcept {
    for (size_t i = 1; i < outputCount_; ++i) {
        const VstMidiEvent event = output_[i];
        size_t j = i;
        for (; j > 0 && output_[j - 1].deltaFrames > event.deltaFrames; --j) {
            output_[j] = output_[j - 1];
        }
        output_[j] = event;
    }
    unsigned long lost = 0;
    for (size_t i = 0; i < outputCount_; ++i) {
        const VstMidiEvent& event = output_[i];
        const uint8_t status = static_cast<uint8_t>(event.midiData[0]);
        const size_t length = MidiMessageLength(status);
        // Offsets before the cycle go to its start; those at or past its end (the plug-in caps
        // random offsets at the block size, one past the last frame) go to its last frame.
        uint32_t frame = 0;
        if (event.deltaFrames > 0) {
            const uint32_t offset = static_cast<uint32_t>(event.deltaFrames);
            frame = offset < cycle.frames ? offset : LastFrame(cycle);
        }
        const uint8_t bytes[3] = {status, static_cast<uint8_t>(event.midiData[1] & 0x7F),
                                  static_cast<uint8_t>(event.midiData[2] & 0x7F)};
        if (length == 0 || !cycle.midiOut->Write(frame, bytes, length)) ++lost;
    }
    outputCount_ = 0;
    if (lost > 0) lostOutput_.fetch_add(lost, std::memory_order_relaxed);
}

} // namespace moravox::host
