// One processing cycle of the live tool, as the audio server hands it over: the frame count and
// the port buffers, behind small interfaces so the processing can be driven without a server.
// Everything here is called on the server's real-time thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace moravox::host {

// The MIDI events that arrived for this cycle, in time order.
class LiveMidiInput {
public:
    virtual uint32_t Count() noexcept = 0;
    // False when the event cannot be read; `bytes` stays valid for the rest of the cycle.
    virtual bool Get(uint32_t index, uint32_t& frame, const uint8_t*& bytes,
                     size_t& size) noexcept = 0;

protected:
    ~LiveMidiInput() = default;
};

// Where this cycle's MIDI goes; events must be written in time order.
class LiveMidiOutput {
public:
    // False when the event did not fit.
    virtual bool Write(uint32_t frame, const uint8_t* bytes, size_t size) noexcept = 0;

protected:
    ~LiveMidiOutput() = default;
};

struct LiveCycle {
    uint32_t frames = 0;
    LiveMidiInput* midiIn = nullptr;
    LiveMidiOutput* midiOut = nullptr;
    float* audioIn[2] = {nullptr, nullptr};
    float* audioOut[2] = {nullptr, nullptr};
};

class LiveCycleHandler {
public:
    virtual void Process(const LiveCycle& cycle) noexcept = 0;

protected:
    ~LiveCycleHandler() = default;
};

} // namespace moravox::host
