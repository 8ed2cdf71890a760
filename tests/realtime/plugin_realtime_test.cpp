// The built plug-in on a host's audio thread, with every option switched on: over thousands of
// blocks of mixed MIDI, processEvents and process/processReplacing must not allocate, free, wait
// for a kernel lock or make a system call. The C-library generator's rand() is allowed: its
// internal lock is neither a pthread call nor, uncontended, a system call (realtime_guard.h).
#include "host/core/host.h"
#include "host/core/plugin_library.h"
#include "host/realtime/measured_thread.h"
#include "host/realtime/midi_block.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>
#include "engine/program/parameter_table.h"

using moravox::host::Host;
using moravox::host::HostAnswers;
using moravox::host::PluginLibrary;
using moravox::realtime::Measure;
using moravox::realtime::Measurement;
using moravox::realtime::MidiBlock;
using moravox::realtime::RealtimeCounts;
using moravox::realtime::RealtimeGuard;

using namespace velk::engine; // the parameter names

namespace {

constexpr int kBlocks = 2000;
constexpr int kBatches = 8; // host-thread actions are fired between them
constexpr int kFrames = 256;
constexpr int kPrograms = 32;

struct Setting {
    const char* name;
    float generator; // parameter 20: C library, Mersenne, Park-Miller
    float output;    // parameter 2: control change or program change
};

// Parameter index and normalised value of every option; both randomizing ranges that can wrap are
// inverted (channel 12..3, value 100..20).
struct Option {
    VstInt32 index;
    float value;
};
constexpr Option kOptions[] = {
    {0, 1.0f},         {1, 0.0f},        {3, 1.0f},         {4, 12.0f / 15}, {5, 3.0f / 15},
    {6, 1.0f},         {7, 20.0f / 127}, {8, 100.0f / 127}, {9, 1.0f},       {10, 100.0f / 127},
    {11, 20.0f / 127}, {12, 1.0f},       {13, 1.0f},        {15, 1.0f},      {17, 0.2f},
    {18, 0.5f},        {19, 0.3f},
};

class PluginRealtimeTest : public ::testing::TestWithParam<Setting> {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.Loaded()) << library.Error();
        ASSERT_TRUE(host.Instantiate()) << host.Error();
        host.Open();
        SwitchEverythingOn();
        host.Resume();
        PrepareBlocks();
        PrepareAudio();
    }

    // The same settings in every program, since incoming program changes switch programs.
    void SwitchEverythingOn() {
        for (int program = 0; program < kPrograms; ++program) {
            host.Dispatch(effSetProgram, 0, program);
            for (const Option& option : kOptions) host.SetParameter(option.index, option.value);
            host.SetParameter(P_FORMAT_OUT, GetParam().output);
            host.SetParameter(P_RANDOMIZER, GetParam().generator);
        }
        host.Dispatch(effSetProgram, 0, 0);
    }

    // Note-ons and offs, controllers, pitch bend, aftertouch and now and then a program change
    // (40 is no program, so it is swallowed), on changing channels and offsets.
    void PrepareBlocks() {
        blocks.reserve(kBlocks);
        for (int b = 0; b < kBlocks; ++b) {
            blocks.push_back(std::make_unique<MidiBlock>());
            MidiBlock& block = *blocks.back();
            const int channel = b % 16;
            const int note = 36 + b % 48;
            block.Add(0x90 | channel, note, 1 + b % 127, b % kFrames);
            block.Add(0xB0 | channel, b % 120, b % 128, (b * 7) % kFrames);
            block.Add(0xE0 | channel, b % 128, 64, (b * 3) % kFrames);
            block.Add(0xD0 | channel, b % 128, 0, 5);
            if (b % 3 == 0) block.Add(0x90 | channel, note + 1, 0, 9); // note-on as note-off
            if (b > 0) block.Add(0x80 | ((b - 1) % 16), 36 + (b - 1) % 48, 0, kFrames - 1);
            if (b % 50 == 25) block.Add(0xC0 | channel, b % 100 == 25 ? 40 : b % kPrograms, 0, 0);
            // Bursts now and then, beyond what one output block holds once multiplied.
            if (b % 97 == 0) {
                while (block.Add(0x90 | channel, b % 128, 100, 0)) {
                }
            }
        }
    }

    void PrepareAudio() {
        for (int i = 0; i < kFrames; ++i) {
            input[0][i] = std::sin(0.05f * static_cast<float>(i));
            input[1][i] = 0.5f * std::cos(0.03f * static_cast<float>(i));
        }
    }

    void RunBlock(int b) {
        host.SendEvents(blocks[static_cast<size_t>(b)]->Events());
        float* in[2] = {input[0].data(), input[1].data()};
        float* out[2] = {output[0].data(), output[1].data()};
        if (b % 7 == 3) {
            host.Process(in, out, kFrames);
        } else {
            host.ProcessReplacing(in, out, kFrames);
        }
    }

    // What a host's GUI or automation thread does meanwhile: panic, a manual trigger, and Midi
    // Through off and on again (which asks for note-offs of the notes passed through).
    void HostThreadActions(int batch) {
        switch (batch % 3) {
        case 0:
            host.SetParameter(P_PANIC, 1.0f);
            host.SetParameter(P_PANIC, 0.0f);
            break;
        case 1:
            host.SetParameter(P_MANUAL_TRIGGER, 1.0f);
            host.SetParameter(P_MANUAL_TRIGGER, 0.0f);
            break;
        default:
            host.SetParameter(P_THRU, 0.0f);
            host.SetParameter(P_THRU, 1.0f);
            break;
        }
    }

    // The MIDI the plug-in handed to the host since the last call, and how much of it did not
    // fit the host's buffer.
    std::vector<VstMidiEvent> ReceivedEvents(size_t* dropped = nullptr) {
        return host.TakeRealtimeEvents(dropped);
    }

    static HostAnswers Answers() {
        HostAnswers answers;
        answers.realtimeEvents = true;
        answers.blockSize = kFrames;
        return answers;
    }

    PluginLibrary library{MORAVOX_PLUGIN_PATH};
    Host host{library, Answers()};
    std::vector<std::unique_ptr<MidiBlock>> blocks;
    std::array<std::array<float, kFrames>, 2> input{};
    std::array<std::array<float, kFrames>, 2> output{};
};

} // namespace

// Zero counts only mean something if the plug-in's heap use reaches the counting functions at
// all (a plug-in that bound its allocator internally would always look clean).
TEST(PluginHeapUse, CreatingAndClosingThePlugInIsSeen) {
    PluginLibrary library(MORAVOX_PLUGIN_PATH);
    ASSERT_TRUE(library.Loaded()) << library.Error();
    HostAnswers answers;
    answers.realtimeEvents = true; // the host itself then keeps no log, so uses no heap
    Host host(library, answers);
    RealtimeGuard creating;
    creating.Arm();
    const bool instantiated = host.Instantiate();
    creating.Disarm();
    ASSERT_TRUE(instantiated) << host.Error();
    RealtimeGuard closing;
    closing.Arm();
    host.Close();
    closing.Disarm();
    EXPECT_GT(creating.Counts().allocations, 0u) << creating.Counts().Describe();
    EXPECT_GT(closing.Counts().frees, 0u) << closing.Counts().Describe();
}

TEST_P(PluginRealtimeTest, ProcessingTakesNoHeapNoLockAndNoSystemCall) {
    Measurement measurement;
    measurement.batches = kBatches;
    // A few blocks first on the same thread, as a host's audio thread has run before.
    measurement.warmUp = [this] {
        for (int b = 0; b < 16; ++b) RunBlock(b);
    };
    constexpr int kPerBatch = kBlocks / kBatches;
    measurement.work = [this](int batch) {
        for (int b = batch * kPerBatch; b < (batch + 1) * kPerBatch; ++b) RunBlock(b);
    };
    // The host's buffer is emptied between batches, off the measured thread.
    std::vector<VstMidiEvent> received;
    size_t dropped = 0;
    auto collect = [&] {
        size_t lost = 0;
        const std::vector<VstMidiEvent> events = ReceivedEvents(&lost);
        received.insert(received.end(), events.begin(), events.end());
        dropped += lost;
    };
    measurement.between = [&](int batch) {
        collect();
        HostThreadActions(batch);
    };
    const RealtimeCounts counts = Measure(measurement);
    collect();

    ASSERT_TRUE(counts.systemCallsTrapped) << "system calls could not be trapped";
    EXPECT_EQ(counts.allocations, 0u) << counts.Describe();
    EXPECT_EQ(counts.frees, 0u) << counts.Describe();
    EXPECT_EQ(counts.mutexLocks, 0u) << counts.Describe();
    EXPECT_EQ(counts.systemCalls, 0u) << counts.Describe();
    // The last block was a replacing one, and the audio passes through untouched.
    EXPECT_EQ(output, input);
    // And the measured blocks did produce MIDI for the host.
    EXPECT_FALSE(received.empty());
    EXPECT_EQ(dropped, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryGenerator, PluginRealtimeTest,
    ::testing::Values(Setting{"CLibraryCC", 0.0f, 0.0f}, Setting{"MersenneCC", 0.5f, 0.0f},
                      Setting{"ParkMillerCC", 1.0f, 0.0f}, Setting{"CLibraryPC", 0.0f, 1.0f},
                      Setting{"MersennePC", 0.5f, 1.0f}, Setting{"ParkMillerPC", 1.0f, 1.0f}),
    [](const ::testing::TestParamInfo<Setting>& info) { return std::string(info.param.name); });
