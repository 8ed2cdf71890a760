// The live tool's JACK client: one MIDI input, one MIDI output, two audio inputs and outputs,
// and a handler that processes each cycle on JACK's real-time thread.
#pragma once

#include "host/live/live_cycle.h"

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace moravox::host {

class JackClient {
public:
    JackClient();
    // Closes the client if that has not happened yet.
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // Connects to the running server (JACK_DEFAULT_SERVER, else the default one; never starts
    // one) and registers the ports. False with a one-line reason. libjack's own messages are
    // silenced for the life of the process: the tool reports in its own words.
    bool Open(const std::string& name, std::string& error);
    // The name the server gave the client, which may differ from the one asked for.
    std::string Name() const;
    uint32_t SampleRate() const;
    uint32_t BufferSize() const;

    // Calls handler.Process every cycle from now on. False with a one-line reason.
    bool Activate(LiveCycleHandler& handler, std::string& error);
    // Connects the MIDI input to the first physical MIDI capture port and the MIDI output to the
    // first physical MIDI playback port, where there are such ports; one line per connection.
    std::vector<std::string> ConnectPhysicalMidi();

    // Stops handing cycles to the handler, and waits for the one in progress to end. False when
    // it did not end within `limit`: the handler is then still in use.
    bool Stop(std::chrono::milliseconds limit);
    // Deactivates (unless the server is gone) and closes the client.
    void Close();

    // Readable once the server has shut the client down (an eventfd); -1 if none could be made.
    int ServerGoneFd() const { return serverGoneFd_; }
    bool ServerGone() const { return serverGone_.load(std::memory_order_acquire); }
    // What the server said when it went away.
    std::string ServerGoneReason() const;

private:
    static int OnProcess(jack_nframes_t frames, void* self);
    static void OnShutdown(jack_status_t code, const char* reason, void* self);
    bool Register(jack_port_t*& port, const char* name, const char* type, unsigned long flags,
                  std::string& error);

    jack_client_t* client_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    jack_port_t* audioIn_[2] = {nullptr, nullptr};
    jack_port_t* audioOut_[2] = {nullptr, nullptr};
    bool active_ = false;
    std::atomic<LiveCycleHandler*> handler_{nullptr};
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned> cyclesInFlight_{0};
    std::atomic<bool> serverGone_{false};
    std::atomic<bool> reasonTaken_{false};
    char reason_[256] = {};
    int serverGoneFd_ = -1;
};

} // namespace moravox::host
