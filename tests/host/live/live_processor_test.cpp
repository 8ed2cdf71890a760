// One live cycle through port buffers of our own: what reaches the plug-in, and what reaches the
// MIDI output, in the order and at the frames an audio server accepts.
#include "host/fixtures/fake_plugin.h"
#include "host/live/live_plugin.h"
#include "host/live/live_processor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>
#include "engine/program/parameter_table.h"

using moravox::host::LiveCycle;
using moravox::host::LiveMidiInput;
using moravox::host::LiveMidiOutput;
using moravox::host::LivePlugin;
using moravox::host::LiveProcessor;

using namespace velk::engine; // the parameter names

namespace {

constexpr uint32_t kFrames = 256;

struct Message {
    uint32_t frame;
    std::vector<uint8_t> bytes;
    bool operator==(const Message& other) const {
        return frame == other.frame && bytes == other.bytes;
    }
};

std::ostream& operator<<(std::ostream& out, const Message& message) {
    out << "@" << message.frame << ":";
    for (const uint8_t byte : message.bytes) out << " " << static_cast<int>(byte);
    return out;
}

class FakeInput final : public LiveMidiInput {
public:
    std::vector<Message> messages;
    uint32_t Count() noexcept override { return static_cast<uint32_t>(messages.size()); }
    bool Get(uint32_t index, uint32_t& frame, const uint8_t*& bytes,
             size_t& size) noexcept override {
        frame = messages[index].frame;
        bytes = messages[index].bytes.data();
        size = messages[index].bytes.size();
        return true;
    }
};

// Refuses what a JACK MIDI buffer refuses: events out of time order, at or past the cycle's
// end, and more than it holds.
class FakeOutput final : public LiveMidiOutput {
public:
    size_t capacity = 100000;
    std::vector<Message> written;
    bool Write(uint32_t frame, const uint8_t* bytes, size_t size) noexcept override {
        if (written.size() == capacity || frame >= kFrames) return false;
        if (!written.empty() && frame < written.back().frame) return false;
        written.push_back({frame, std::vector<uint8_t>(bytes, bytes + size)});
        return true;
    }
};

class LiveProcessorTest : public ::testing::Test {
protected:
    void Load(const char* path) {
        plugin = std::make_unique<LivePlugin>(path);
        ASSERT_TRUE(plugin->Instantiate()) << plugin->Error();
        plugin->Open(48000.0f, kFrames);
        processor = std::make_unique<LiveProcessor>(*plugin, kFrames);
        plugin->Resume();
    }

    void Cycle(uint32_t frames = kFrames) {
        LiveCycle cycle;
        cycle.frames = frames;
        cycle.midiIn = &input;
        cycle.midiOut = &output;
        for (int c = 0; c < 2; ++c) {
            cycle.audioIn[c] = audioIn[c].data();
            cycle.audioOut[c] = audioOut[c].data();
        }
        processor->Process(cycle);
        input.messages.clear();
    }

    std::unique_ptr<LivePlugin> plugin;
    std::unique_ptr<LiveProcessor> processor;
    FakeInput input;
    FakeOutput output;
    std::vector<float> audioIn[2] = {std::vector<float>(kFrames, 0.25f),
                                     std::vector<float>(kFrames, -0.5f)};
    std::vector<float> audioOut[2] = {std::vector<float>(kFrames, 9.0f),
                                      std::vector<float>(kFrames, 9.0f)};
};

} // namespace

// The fake hands every event back one note higher, in the order it got them.
TEST_F(LiveProcessorTest, HandedBackEventsAreWrittenInTimeOrderInsideTheCycle) {
    Load(FAKE_PLUGIN_PATH);
    input.messages = {{200, {0x90, 60, 100}},
                      {10, {0x91, 61, 90}},
                      {10, {0x92, 62, 80}},
                      {64, {0x80, 63, 0}},
                      {300, {0x93, 64, 70}}}; // past the cycle: its last frame
    Cycle();
    const std::vector<Message> expected = {{10, {0x91, 62, 90}},
                                           {10, {0x92, 63, 80}},
                                           {64, {0x80, 64, 0}},
                                           {200, {0x90, 61, 100}},
                                           {kFrames - 1, {0x93, 65, 70}}};
    EXPECT_EQ(output.written, expected);
    EXPECT_EQ(processor->Losses().input, 0u);
    EXPECT_EQ(processor->Losses().output, 0u);
    EXPECT_EQ(audioOut[0], audioIn[0]);
    EXPECT_EQ(audioOut[1], audioIn[1]);
}

TEST_F(LiveProcessorTest, OnlyShortMidiMessagesReachThePlugin) {
    Load(FAKE_PLUGIN_PATH);
    input.messages = {{0, {0xF0, 0x7E, 0x7F, 0xF7}}, // system exclusive
                      {1, {0x3C, 0x40}},             // no status byte
                      {2, {0x90, 0x3C}},             // a note-on cut short
                      {3, {}},
                      {4, {0xC3, 5}},
                      {5, {0xF8}},
                      {6, {0xB1, 7, 127, 0x55}}}; // a stray byte after the message
    Cycle();
    const std::vector<Message> expected = {{4, {0xC3, 6}}, {5, {0xF8}}, {6, {0xB1, 8, 127}}};
    EXPECT_EQ(output.written, expected);
    EXPECT_EQ(processor->Losses().input, 4u);
}

TEST_F(LiveProcessorTest, EventsBeyondWhatFitsAreCountedAsLost) {
    Load(FAKE_PLUGIN_PATH);
    const size_t extra = 10;
    for (size_t i = 0; i < LiveProcessor::kMaxEvents + extra; ++i) {
        input.messages.push_back({static_cast<uint32_t>(i / 4), {0x90, 60, 100}});
    }
    output.capacity = 100;
    Cycle();
    EXPECT_EQ(output.written.size(), output.capacity);
    EXPECT_EQ(processor->Losses().input, extra);
    EXPECT_EQ(processor->Losses().output, LiveProcessor::kMaxEvents - output.capacity);
}

TEST_F(LiveProcessorTest, AChangedCycleLengthReachesThePluginAsItsBlockSize) {
    Load(FAKE_PLUGIN_PATH);
    Cycle(kFrames);
    EXPECT_EQ(plugin->Dispatch(effVendorSpecific, fake::kAskBlockSize), kFrames);
    Cycle(64);
    EXPECT_EQ(plugin->Dispatch(effVendorSpecific, fake::kAskBlockSize), 64);
}

TEST_F(LiveProcessorTest, ASuspendedPluginLeavesSilenceRatherThanAnOldCycle) {
    Load(MORAVOX_PLUGIN_PATH);
    plugin->Suspend();
    input.messages = {{0, {0x90, 60, 100}}};
    Cycle();
    for (int c = 0; c < 2; ++c) EXPECT_EQ(audioOut[c], std::vector<float>(kFrames, 0.0f)) << c;
    EXPECT_TRUE(output.written.empty());
    // Resumed, the note queued meanwhile comes out and the audio passes through.
    plugin->Resume();
    Cycle();
    EXPECT_EQ(output.written, (std::vector<Message>{{0, {0xB0, 60, 100}}}));
    EXPECT_EQ(audioOut[0], audioIn[0]);
}

// The plug-in caps random offsets at its block size, one past the cycle's last frame, and sends
// a group's events in the order it made them, not in time order.
TEST_F(LiveProcessorTest, RandomOffsetsLandInsideTheCycleInTimeOrder) {
    Load(MORAVOX_PLUGIN_PATH);
    plugin->SetParameter(P_OFFSET, 1.0f); // random offset: up to a whole block
    plugin->SetParameter(P_EVENT_COUNT, 1.0f); // ten events per trigger
    plugin->Dispatch(effVendorSpecific, FourCC('M', 'V', 'X', 's'), 7);
    for (uint32_t i = 0; i < 8; ++i) input.messages.push_back({i * 30, {0x90, 60, 100}});
    Cycle();
    EXPECT_EQ(output.written.size(), 80u);
    EXPECT_EQ(processor->Losses().output, 0u);
    EXPECT_EQ(output.written.back().frame, kFrames - 1);
}
