// Our host in real-time mode: a plug-in's calls back from its audio thread reach the host
// without a lock or an allocation, and the harness sees through the host into a loaded plug-in.
#include "host/fixtures/fake_plugin.h"
#include "host/core/host.h"
#include "host/core/host_registry.h"
#include "host/core/plugin_library.h"
#include "host/realtime/measured_thread.h"
#include "host/realtime/midi_block.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include "engine/program/parameter_table.h"

using moravox::host::Host;
using moravox::host::HostAnswers;
using moravox::host::PluginLibrary;
using moravox::realtime::Measure;
using moravox::realtime::Measurement;
using moravox::realtime::MidiBlock;
using moravox::realtime::RealtimeCounts;

using namespace velk::engine; // the parameter names

namespace {

HostAnswers Realtime() {
    HostAnswers answers;
    answers.realtimeEvents = true;
    return answers;
}

// A plug-in record of our own, registered as the one a plug-in's entry returned.
struct RegisteredRecord {
    explicit RegisteredRecord(Host& host) {
        moravox::host::registry::Construction construction(&host);
        adopted = construction.Adopt(&effect);
    }
    ~RegisteredRecord() { moravox::host::registry::Unregister(&effect); }

    AEffect effect{};
    bool adopted = false;
};

class RealtimeHostTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.Loaded()) << library.Error(); }

    PluginLibrary library{FAKE_PLUGIN_PATH};
};

} // namespace

TEST_F(RealtimeHostTest, CallsBackFromTheAudioThreadTakeNoLockAndNoHeap) {
    Host host(library, Realtime());
    RegisteredRecord record(host);
    ASSERT_TRUE(record.adopted);
    MidiBlock block;
    for (int i = 0; i < 5; ++i) block.Add(0xB0 + i, 7, 100 - i, i * 10);
    VstIntPtr answers[3] = {};

    Measurement measurement;
    measurement.batches = 2;
    measurement.work = [&](int) {
        answers[0] = MoravoxHostCallback(&record.effect, audioMasterProcessEvents, 0, 0,
                                         block.Events(), 0.0f);
        answers[1] =
            MoravoxHostCallback(&record.effect, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
        answers[2] = MoravoxHostCallback(&record.effect, audioMasterVersion, 0, 0, nullptr, 0.0f);
    };
    const RealtimeCounts counts = Measure(measurement);
    EXPECT_TRUE(counts.Clean()) << counts.Describe();
    EXPECT_TRUE(counts.systemCallsTrapped);

    EXPECT_EQ(answers[0], 1);
    EXPECT_EQ(answers[1], 256);
    EXPECT_EQ(answers[2], 2400);
    // Counted, not logged.
    EXPECT_EQ(host.CallCount(audioMasterProcessEvents), 2u);
    EXPECT_EQ(host.CallCount(audioMasterVersion), 2u);
    EXPECT_TRUE(host.Calls().empty());
    size_t dropped = 1;
    const std::vector<VstMidiEvent> events = host.TakeRealtimeEvents(&dropped);
    EXPECT_EQ(dropped, 0u);
    ASSERT_EQ(events.size(), 10u);
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(static_cast<unsigned char>(events[i].midiData[0]), 0xB0 + i % 5) << i;
        EXPECT_EQ(events[i].deltaFrames, static_cast<VstInt32>(i % 5 * 10)) << i;
    }
    EXPECT_TRUE(host.TakeRealtimeEvents().empty());
    host.ClearCalls();
    EXPECT_EQ(host.CallCount(audioMasterProcessEvents), 0u);
}

TEST_F(RealtimeHostTest, EventsBeyondTheBufferAreCountedAsDropped) {
    Host host(library, Realtime());
    MidiBlock block;
    for (int i = 0; i < static_cast<int>(MidiBlock::kCapacity); ++i) block.Add(0x90, i, 1, 0);
    const size_t handOvers = Host::kRealtimeEventCapacity / MidiBlock::kCapacity + 1;
    for (size_t i = 0; i < handOvers; ++i) {
        host.HandleHostCall(audioMasterProcessEvents, 0, 0, block.Events(), 0.0f);
    }
    size_t dropped = 0;
    const std::vector<VstMidiEvent> events = host.TakeRealtimeEvents(&dropped);
    EXPECT_EQ(events.size(), Host::kRealtimeEventCapacity);
    EXPECT_EQ(dropped, MidiBlock::kCapacity);
    EXPECT_EQ(events.back().midiData[1], static_cast<char>(MidiBlock::kCapacity - 1));
    // Room again after a take.
    host.HandleHostCall(audioMasterProcessEvents, 0, 0, block.Events(), 0.0f);
    EXPECT_EQ(host.TakeRealtimeEvents(&dropped).size(), MidiBlock::kCapacity);
    EXPECT_EQ(dropped, 0u);
}

// The fake plug-in collects events in a vector under a mutex and builds its output block on the
// heap: the harness must see that in a library loaded at run time.
TEST_F(RealtimeHostTest, SeesAPlugInThatAllocatesAndLocksOnTheAudioThread) {
    Host host(library, Realtime());
    ASSERT_TRUE(host.Instantiate()) << host.Error();
    host.Open();
    host.Resume();
    MidiBlock block;
    block.Add(0x90, 60, 100, 0);
    block.Add(0x80, 60, 0, 5);
    float left[16] = {}, right[16] = {}, outLeft[16] = {}, outRight[16] = {};
    float* in[2] = {left, right};
    float* out[2] = {outLeft, outRight};

    Measurement measurement;
    measurement.work = [&](int) {
        host.SendEvents(block.Events());
        host.ProcessReplacing(in, out, 16);
    };
    const RealtimeCounts counts = Measure(measurement);
    EXPECT_GE(counts.allocations, 2u) << counts.Describe();
    EXPECT_GE(counts.frees, 2u) << counts.Describe();
    EXPECT_GE(counts.mutexLocks, 2u) << counts.Describe();

    const std::vector<VstMidiEvent> events = host.TakeRealtimeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].midiData[1], 61); // the fake hands notes back one higher
    EXPECT_EQ(events[1].deltaFrames, 5);
}

TEST_F(RealtimeHostTest, RecordsAreRegisteredUpToTheCapacityAndTheirSlotsReused) {
    auto live =
        reinterpret_cast<fake::LiveInstancesProc>(library.Symbol("fake_plugin_live_instances"));
    ASSERT_NE(live, nullptr);
    const int before = live();
    std::vector<std::unique_ptr<Host>> hosts;
    for (size_t i = 0; i < moravox::host::registry::kCapacity; ++i) {
        hosts.push_back(std::make_unique<Host>(library));
        ASSERT_TRUE(hosts.back()->Instantiate()) << i << ": " << hosts.back()->Error();
    }
    // One more cannot be reached by its calls: refused, and its record closed again.
    Host extra(library);
    EXPECT_FALSE(extra.Instantiate());
    EXPECT_NE(extra.Error().find("more than 256 plug-in instances"), std::string::npos)
        << extra.Error();
    EXPECT_EQ(extra.Effect(), nullptr);
    EXPECT_EQ(live(), before + static_cast<int>(moravox::host::registry::kCapacity));

    // Closing frees slots for new instances, whose calls reach them and no one else.
    hosts[7]->Close();
    hosts[200]->Close();
    HostAnswers named;
    named.product = "Late";
    Host late(library, named);
    ASSERT_TRUE(late.Instantiate()) << late.Error();
    late.ClearCalls();
    late.SetParameter(P_FORMAT, 0.25f);
    EXPECT_EQ(late.CallCount(audioMasterAutomate), 1u);
    hosts[8]->ClearCalls();
    hosts[8]->SetParameter(P_FORMAT, 0.5f);
    EXPECT_EQ(hosts[8]->CallCount(audioMasterAutomate), 1u);
    EXPECT_EQ(late.CallCount(audioMasterAutomate), 1u);
    hosts.clear();
    late.Close();
    EXPECT_EQ(live(), before);
}
