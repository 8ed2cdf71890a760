#include "host/live/jack_client.h"

#include <jack/midiport.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace moravox::host {
namespace {

void Silent(const char* /*message*/) {}

// JACK's own errors while a client opens, to say why a server refused it.
std::mutex openErrorMutex;
std::string openError;
void KeepOpenError(const char* message) {
    std::lock_guard<std::mutex> lock(openErrorMutex);
    if (message == nullptr) return;
    if (!openError.empty()) openError += "; ";
    openError += message;
}

class JackMidiInput final : public LiveMidiInput {
public:
    explicit JackMidiInput(void* buffer) : buffer_(buffer) {}
    uint32_t Count() noexcept override { return jack_midi_get_event_count(buffer_); }
    bool Get(uint32_t index, uint32_t& frame, const uint8_t*& bytes,
             size_t& size) noexcept override {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer_, index) != 0) return false;
        frame = event.time;
        bytes = event.buffer;
        size = event.size;
        return true;
    }

private:
    void* buffer_;
};

class JackMidiOutput final : public LiveMidiOutput {
public:
    explicit JackMidiOutput(void* buffer) : buffer_(buffer) {}
    bool Write(uint32_t frame, const uint8_t* bytes, size_t size) noexcept override {
        return jack_midi_event_write(buffer_, frame, bytes, size) == 0;
    }

private:
    void* buffer_;
};

float* AudioBuffer(jack_port_t* port, jack_nframes_t frames) {
    return static_cast<float*>(jack_port_get_buffer(port, frames));
}

std::string ServerName() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name != nullptr && name[0] != '\0' ? name : "default";
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
// libjack opens its metadata database (Berkeley DB) with the first client of a process and, when
// that fails, as it does for a 32-bit client of a 64-bit server, never frees what it allocated.
// Not ours to free; without this every sanitizer build of the tool would fail its leak check.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libdb-\n";
}
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
    return "print_suppressions=0";
}
#endif

JackClient::JackClient() : serverGoneFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

JackClient::~JackClient() {
    Close();
    if (serverGoneFd_ >= 0) close(serverGoneFd_);
}

bool JackClient::Open(const std::string& name, std::string& error) {
    if (name.empty() || name.find(':') != std::string::npos ||
        name.size() >= static_cast<size_t>(jack_client_name_size())) {
        error = "'" + name + "' cannot be a JACK client name: it must be 1 to " +
                std::to_string(jack_client_name_size() - 1) + " characters, without ':'";
        return false;
    }
    jack_set_info_function(Silent);
    {
        std::lock_guard<std::mutex> lock(openErrorMutex);
        openError.clear();
    }
    jack_set_error_function(KeepOpenError);
    jack_status_t status{};
    client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
    jack_set_error_function(Silent);
    if (client_ == nullptr) {
        if ((status & JackServerFailed) != 0) {
            error = "cannot connect to the JACK server '" + ServerName() + "' (is jackd running?)";
        } else {
            error = "the JACK server '" + ServerName() + "' refused the client '" + name + "'";
            std::lock_guard<std::mutex> lock(openErrorMutex);
            if (!openError.empty()) error += " (" + openError + ")";
        }
        return false;
    }
    jack_on_info_shutdown(client_, &JackClient::OnShutdown, this);
    jack_set_process_callback(client_, &JackClient::OnProcess, this);
    const unsigned long in = JackPortIsInput, out = JackPortIsOutput;
    return Register(midiIn_, "midi_in", JACK_DEFAULT_MIDI_TYPE, in, error) &&
           Register(midiOut_, "midi_out", JACK_DEFAULT_MIDI_TYPE, out, error) &&
           Register(audioIn_[0], "audio_in_1", JACK_DEFAULT_AUDIO_TYPE, in, error) &&
           Register(audioIn_[1], "audio_in_2", JACK_DEFAULT_AUDIO_TYPE, in, error) &&
           Register(audioOut_[0], "audio_out_1", JACK_DEFAULT_AUDIO_TYPE, out, error) &&
           Register(audioOut_[1], "audio_out_2", JACK_DEFAULT_AUDIO_TYPE, out, error);
}

bool JackClient::Register(jack_port_t*& port, const char* name, const char* type,
                          unsigned long flags, std::string& error) {
    port = jack_port_register(client_, name, type, flags, 0);
    if (port == nullptr) error = "cannot register the JACK port '" + std::string(name) + "'";
    return port != nullptr;
}

std::string JackClient::Name() const {
    return client_ != nullptr ? jack_get_client_name(client_) : "";
}

uint32_t JackClient::SampleRate() const {
    return client_ != nullptr ? jack_get_sample_rate(client_) : 0;
}

uint32_t JackClient::BufferSize() const {
    return client_ != nullptr ? jack_get_buffer_size(client_) : 0;
}

bool JackClient::Activate(LiveCycleHandler& handler, std::string& error) {
    // Published with release order: everything set up for the handler is seen by the first
    // cycle, whatever libjack uses to start its thread.
    handler_.store(&handler, std::memory_order_release);
    if (client_ == nullptr || jack_activate(client_) != 0) {
        error = "the JACK server did not activate the client";
        return false;
    }
    active_ = true;
    return true;
}

std::vector<std::string> JackClient::ConnectPhysicalMidi() {
    std::vector<std::string> made;
    const auto connect = [&](unsigned long direction, jack_port_t* own, bool fromPhysical) {
        const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                            JackPortIsPhysical | direction);
        if (ports != nullptr && ports[0] != nullptr) {
            const std::string physical = ports[0], ours = jack_port_name(own);
            const std::string& from = fromPhysical ? physical : ours;
            const std::string& to = fromPhysical ? ours : physical;
            if (jack_connect(client_, from.c_str(), to.c_str()) == 0) {
                made.push_back("connected " + from + " to " + to);
            }
        }
        jack_free(ports);
    };
    if (client_ != nullptr) {
        connect(JackPortIsOutput, midiIn_, true);
        connect(JackPortIsInput, midiOut_, false);
    }
    return made;
}

// A cycle counts itself in before it looks at the stop flag; Stop raises the flag before it
// looks at the count. Both sides use sequentially consistent order, so either the cycle sees
// the flag or Stop sees the cycle, and Stop's last look orders the cycle's work before it.
int JackClient::OnProcess(jack_nframes_t frames, void* self) {
    JackClient& client = *static_cast<JackClient*>(self);
    client.cyclesInFlight_.fetch_add(1);
    // Loaded first: it orders the ports registered before activation before their use here.
    LiveCycleHandler* handler = client.handler_.load(std::memory_order_acquire);
    void* midiOut = jack_port_get_buffer(client.midiOut_, frames);
    jack_midi_clear_buffer(midiOut);
    float* audioOut[2] = {AudioBuffer(client.audioOut_[0], frames),
                          AudioBuffer(client.audioOut_[1], frames)};
    if (client.stopping_.load() || handler == nullptr) {
        for (float* buffer : audioOut) std::memset(buffer, 0, sizeof(float) * frames);
    } else {
        JackMidiInput input(jack_port_get_buffer(client.midiIn_, frames));
        JackMidiOutput output(midiOut);
        LiveCycle cycle;
        cycle.frames = frames;
        cycle.midiIn = &input;
        cycle.midiOut = &output;
        cycle.audioIn[0] = AudioBuffer(client.audioIn_[0], frames);
        cycle.audioIn[1] = AudioBuffer(client.audioIn_[1], frames);
        cycle.audioOut[0] = audioOut[0];
        cycle.audioOut[1] = audioOut[1];
        handler->Process(cycle);
    }
    client.cyclesInFlight_.fetch_sub(1, std::memory_order_release);
    return 0;
}

// Runs on one of libjack's threads, perhaps the real-time one: no allocation, one write.
void JackClient::OnShutdown(jack_status_t /*code*/, const char* reason, void* self) {
    JackClient& client = *static_cast<JackClient*>(self);
    if (!client.reasonTaken_.exchange(true) && reason != nullptr) {
        std::strncpy(client.reason_, reason, sizeof client.reason_ - 1);
    }
    client.serverGone_.store(true, std::memory_order_release);
    if (client.serverGoneFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(client.serverGoneFd_, &one, sizeof one);
    }
}

std::string JackClient::ServerGoneReason() const {
    return ServerGone() ? reason_ : "";
}

bool JackClient::Stop(std::chrono::milliseconds limit) {
    stopping_.store(true);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (cyclesInFlight_.load() != 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void JackClient::Close() {
    if (client_ == nullptr) return;
    if (active_ && !ServerGone()) jack_deactivate(client_);
    active_ = false;
    jack_client_close(client_);
    client_ = nullptr;
}

} // namespace moravox::host
