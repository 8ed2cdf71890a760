// The live tool's cycle is as real-time safe as the plug-in's: with the built plug-in and every
// option on, reading the cycle's MIDI, processEvents, processReplacing, the plug-in's hand-over
// through the tool's own callback and writing the output in time order must not allocate, free,
// wait for a kernel lock or make a system call. Measured twice:
// - on a thread of the test's own through port buffers of our own, system calls trapped;
// - on JACK's own process thread through libjack's MIDI buffers, as the tool runs. That thread
//   waits in the kernel between cycles, so its system calls cannot be trapped; heap use and
//   locks are counted.
#include "host/live/jack_client.h"
#include "host/live/live_plugin.h"
#include "host/live/live_processor.h"
#include "host/realtime/measured_thread.h"

#include <jack/midiport.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

using moravox::host::JackClient;
using moravox::host::LiveCycle;
using moravox::host::LiveCycleHandler;
using moravox::host::LiveMidiInput;
using moravox::host::LiveMidiOutput;
using moravox::host::LivePlugin;
using moravox::host::LiveProcessor;
using moravox::realtime::Measure;
using moravox::realtime::Measurement;
using moravox::realtime::RealtimeCounts;
using moravox::realtime::RealtimeGuard;

namespace {

constexpr uint32_t kFrames = 256;
constexpr int kCycles = 2000;
constexpr int kBatches = 4;

struct Option {
    VstInt32 index;
    float value;
};
// Every option on; both randomizing ranges that can wrap inverted.
constexpr Option kOptions[] = {
    {0, 1.0f},         {1, 0.0f},        {3, 1.0f},         {4, 12.0f / 15}, {5, 3.0f / 15},
    {6, 1.0f},         {7, 20.0f / 127}, {8, 100.0f / 127}, {9, 1.0f},       {10, 100.0f / 127},
    {11, 20.0f / 127}, {12, 1.0f},       {13, 1.0f},        {15, 1.0f},      {17, 0.2f},
    {18, 0.5f},        {19, 0.3f},       {20, 0.5f},
};

// Loaded, opened, every option on, seeded and resumed.
bool Prepare(LivePlugin& plugin, uint32_t frames, std::string& error) {
    if (!plugin.Instantiate()) {
        error = plugin.Error();
        return false;
    }
    plugin.Open(48000.0f, static_cast<VstInt32>(frames));
    for (const Option& option : kOptions) plugin.SetParameter(option.index, option.value);
    plugin.Dispatch(effVendorSpecific, FourCC('M', 'V', 'X', 's'), 99);
    plugin.Resume();
    return true;
}

// A cycle's MIDI, built ahead of time: up to eight three-byte messages.
class CycleInput final : public LiveMidiInput {
public:
    struct Message {
        uint32_t frame;
        uint8_t bytes[3];
    };
    std::array<Message, 8> messages{};
    uint32_t count = 0;

    uint32_t Count() noexcept override { return count; }
    bool Get(uint32_t index, uint32_t& frame, const uint8_t*& bytes,
             size_t& size) noexcept override {
        frame = messages[index].frame;
        bytes = messages[index].bytes;
        size = 3;
        return true;
    }
};

class CountingOutput final : public LiveMidiOutput {
public:
    unsigned long written = 0;
    bool Write(uint32_t, const uint8_t*, size_t) noexcept override {
        ++written;
        return true;
    }
};

// Notes on and off, controllers, pitch bend and now and then a program change, on changing
// channels and frames; in time order, as a server delivers them.
void FillCycle(int c, uint32_t frames, CycleInput& input) {
    const uint8_t channel = static_cast<uint8_t>(c % 16);
    const uint8_t note = static_cast<uint8_t>(36 + c % 48);
    input.count = 0;
    const auto add = [&](uint32_t frame, int status, int data1, int data2) {
        input.messages[input.count++] = {frame % frames,
                                         {static_cast<uint8_t>(status),
                                          static_cast<uint8_t>(data1 & 0x7F),
                                          static_cast<uint8_t>(data2 & 0x7F)}};
    };
    add(0, 0x80 | ((c + 15) % 16), 36 + (c + 47) % 48, 0);
    add(1, 0x90 | channel, note, 1 + c % 127);
    add(frames / 4, 0xB0 | channel, c % 120, c);
    add(frames / 2, 0xE0 | channel, c, 64);
    if (c % 50 == 25) add(frames - 1, 0xC0 | channel, c % 100 == 25 ? 40 : c % 32, 0);
}

// What a host's GUI thread does meanwhile: panic, a manual trigger, Midi Through off and on.
void GuiThreadActions(LivePlugin& plugin, int batch) {
    const VstInt32 index = batch % 3 == 0 ? 14 : batch % 3 == 1 ? 49 : 12;
    const bool onFirst = index != 12;
    plugin.SetParameter(index, onFirst ? 1.0f : 0.0f);
    plugin.SetParameter(index, onFirst ? 0.0f : 1.0f);
}

} // namespace

TEST(LiveRealtimeTest, ACycleTakesNoHeapNoLockAndNoSystemCall) {
    LivePlugin plugin(MORAVOX_PLUGIN_PATH);
    std::string error;
    ASSERT_TRUE(Prepare(plugin, kFrames, error)) << error;
    LiveProcessor processor(plugin, kFrames);
    CycleInput input;
    CountingOutput output;
    std::array<std::array<float, kFrames>, 4> audio{};
    const auto run = [&](int c) {
        // Now and then a shorter cycle, as after a change of the server's buffer size.
        const uint32_t frames = c % 10 == 9 ? kFrames / 2 : kFrames;
        FillCycle(c, frames, input);
        LiveCycle cycle;
        cycle.frames = frames;
        cycle.midiIn = &input;
        cycle.midiOut = &output;
        cycle.audioIn[0] = audio[0].data();
        cycle.audioIn[1] = audio[1].data();
        cycle.audioOut[0] = audio[2].data();
        cycle.audioOut[1] = audio[3].data();
        processor.Process(cycle);
    };

    Measurement measurement;
    measurement.batches = kBatches;
    measurement.warmUp = [&] {
        for (int c = 0; c < 16; ++c) run(c);
    };
    measurement.work = [&](int batch) {
        for (int c = batch * kCycles / kBatches; c < (batch + 1) * kCycles / kBatches; ++c) run(c);
    };
    measurement.between = [&](int batch) { GuiThreadActions(plugin, batch); };
    const RealtimeCounts counts = Measure(measurement);

    ASSERT_TRUE(counts.systemCallsTrapped) << "system calls could not be trapped";
    EXPECT_TRUE(counts.Clean()) << counts.Describe();
    EXPECT_GT(output.written, static_cast<unsigned long>(kCycles));
    EXPECT_EQ(processor.Losses().input, 0u);
}

namespace {

// Arms a guard around each cycle of the handler it wraps, after a few unmeasured ones.
class MeasuredHandler final : public LiveCycleHandler {
public:
    static constexpr int kUnmeasured = 16;

    explicit MeasuredHandler(LiveCycleHandler& inner) : inner_(inner) {}

    void Process(const LiveCycle& cycle) noexcept override {
        const bool measured = seen_++ >= kUnmeasured;
        if (measured) guard_.Arm();
        inner_.Process(cycle);
        if (measured) {
            guard_.Disarm();
            measuredCycles_.fetch_add(1, std::memory_order_relaxed);
        }
    }

    int MeasuredCycles() const { return measuredCycles_.load(std::memory_order_relaxed); }
    // Once the client has stopped.
    RealtimeCounts Counts() const { return guard_.Counts(); }

private:
    LiveCycleHandler& inner_;
    RealtimeGuard guard_;
    int seen_ = 0; // only touched on JACK's process thread
    std::atomic<int> measuredCycles_{0};
};

// A client of the test's own that plays a few events into the tool every cycle, and counts what
// the tool sends back.
class Player {
public:
    explicit Player(const std::string& server) {
        jack_status_t status{};
        const auto options = static_cast<jack_options_t>(JackNoStartServer | JackServerName);
        client_ = jack_client_open(("moravox-player-" + std::to_string(getpid())).c_str(), options,
                                   &status, server.c_str());
        if (client_ == nullptr) return;
        out_.store(jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0));
        in_.store(jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0));
        jack_set_process_callback(client_, &Player::Play, this);
        ok_ = out_.load() != nullptr && in_.load() != nullptr && jack_activate(client_) == 0;
    }
    ~Player() {
        if (client_ != nullptr) jack_client_close(client_);
    }

    bool Ok() const { return ok_; }
    // Plays into the tool's input and listens to its output.
    bool Connect(const std::string& tool) {
        return jack_connect(client_, jack_port_name(out_.load()), (tool + ":midi_in").c_str()) ==
                   0 &&
               jack_connect(client_, (tool + ":midi_out").c_str(), jack_port_name(in_.load())) == 0;
    }
    unsigned long Heard() const { return heard_.load(std::memory_order_relaxed); }

private:
    static int Play(jack_nframes_t frames, void* self) {
        Player& player = *static_cast<Player*>(self);
        void* out = jack_port_get_buffer(player.out_.load(), frames);
        jack_midi_clear_buffer(out);
        CycleInput input;
        FillCycle(player.cycle_++, frames, input);
        for (uint32_t i = 0; i < input.count; ++i) {
            jack_midi_event_write(out, input.messages[i].frame, input.messages[i].bytes, 3);
        }
        void* in = jack_port_get_buffer(player.in_.load(), frames);
        player.heard_.fetch_add(jack_midi_get_event_count(in), std::memory_order_relaxed);
        return 0;
    }

    jack_client_t* client_ = nullptr;
    std::atomic<jack_port_t*> out_{nullptr};
    std::atomic<jack_port_t*> in_{nullptr};
    std::atomic<unsigned long> heard_{0};
    int cycle_ = 0; // only touched on the player's process thread
    bool ok_ = false;
};

} // namespace

TEST(LiveRealtimeTest, UnderJackTheProcessThreadTakesNoHeapAndNoLock) {
    const char* server = std::getenv("MORAVOX_JACK_SERVER");
    if (server == nullptr) {
        if (std::system("command -v jackd >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "jackd is not installed";
        }
        FAIL() << "no JACK server: run the tests under scripts/with-jackd.sh";
    }
    setenv("JACK_DEFAULT_SERVER", server, 1); // where the tool's client looks
    // Declared so that the client is closed before what its cycles call goes away.
    LivePlugin plugin(MORAVOX_PLUGIN_PATH);
    std::unique_ptr<LiveProcessor> processor;
    std::unique_ptr<MeasuredHandler> handler;
    JackClient jack;
    std::string error;
    ASSERT_TRUE(jack.Open("moravox-rt-" + std::to_string(getpid()), error)) << error;
    ASSERT_TRUE(Prepare(plugin, jack.BufferSize(), error)) << error;
    processor = std::make_unique<LiveProcessor>(plugin, jack.BufferSize());
    handler = std::make_unique<MeasuredHandler>(*processor);
    Player player(server);
    ASSERT_TRUE(player.Ok());
    ASSERT_TRUE(jack.Activate(*handler, error)) << error;
    ASSERT_TRUE(player.Connect(jack.Name()));

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int batch = 0; handler->MeasuredCycles() < 400; ++batch) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "the server ran too few cycles";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        GuiThreadActions(plugin, batch);
    }
    ASSERT_TRUE(jack.Stop(std::chrono::seconds(5)));
    const RealtimeCounts counts = handler->Counts();
    jack.Close();

    EXPECT_EQ(counts.allocations, 0u) << counts.Describe();
    EXPECT_EQ(counts.frees, 0u) << counts.Describe();
    EXPECT_EQ(counts.mutexLocks, 0u) << counts.Describe();
    EXPECT_EQ(processor->Losses().input, 0u);
    EXPECT_GT(player.Heard(), 0u);
}
