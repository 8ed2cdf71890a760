// What the live tool does in each cycle: the cycle's MIDI to the plug-in with effProcessEvents,
// processReplacing on the audio, and the MIDI the plug-in hands back, in time order, to the
// output. All buffers are made up front; a cycle allocates and locks nothing.
#pragma once

#include "host/live/live_cycle.h"
#include "host/live/live_plugin.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace moravox::host {

// Events that could not be passed on, counted since the start.
struct LiveLosses {
    unsigned long input = 0;  // beyond kMaxEvents in a cycle, or not a short MIDI message
    unsigned long output = 0; // beyond kMaxEvents, not a MIDI message, or refused by the output
};

class LiveProcessor final : public LiveCycleHandler, private LiveEventSink {
public:
    static constexpr size_t kMaxEvents = 512;

    // Becomes the plug-in's event sink; `blockSize` is the one the plug-in was opened with.
    LiveProcessor(LivePlugin& plugin, uint32_t blockSize);
    ~LiveProcessor();
    LiveProcessor(const LiveProcessor&) = delete;
    LiveProcessor& operator=(const LiveProcessor&) = delete;

    void Process(const LiveCycle& cycle) noexcept override;
    LiveLosses Losses() const;

private:
    // VstEvents declares two event pointers and is followed by the rest.
    static constexpr size_t kHeaderWords =
        (sizeof(VstEvents) + (kMaxEvents - 2) * sizeof(VstEvent*) + sizeof(VstIntPtr) - 1) /
        sizeof(VstIntPtr);

    void TakeEvents(const VstEvents& events) noexcept override;
    void ReadInput(const LiveCycle& cycle) noexcept;
    void WriteOutput(const LiveCycle& cycle) noexcept;
    VstEvents* InputBlock() noexcept { return reinterpret_cast<VstEvents*>(header_.data()); }

    LivePlugin& plugin_;
    uint32_t blockSize_;
    std::array<VstIntPtr, kHeaderWords> header_{};
    std::array<VstMidiEvent, kMaxEvents> input_{};
    std::array<VstMidiEvent, kMaxEvents> output_{};
    size_t outputCount_ = 0;
    std::atomic<bool> collecting_{false}; // hand-overs outside processReplacing are dropped
    // Word-sized, so the counts stay lock-free on i386 too.
    std::atomic<unsigned long> lostInput_{0};
    std::atomic<unsigned long> lostOutput_{0};
};

// The length of the MIDI message that starts with this status byte: 1 to 3, or 0 for a data
// byte, system exclusive and undefined status bytes.
size_t MidiMessageLength(uint8_t status);

} // namespace moravox::host
