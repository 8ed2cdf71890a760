#include <set>

#include "engine_fixture.h"
#include "engine/program/parameter_table.h"

using namespace velk::engine; // the parameter names

namespace {

using testutil::Data1;
using testutil::Data2;
using testutil::Midi;
using testutil::Status;

class Pipeline : public testutil::Engine {};

constexpr float kN = 1.0f / 22; // input type "N"

TEST_F(Pipeline, NoteBecomesControlChangeOrProgramChange) {
    Plain(kN);
    auto out = Block({Midi(0x92, 60, 100)});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Status(out[0]), 0xB2);
    EXPECT_EQ(Data1(out[0]), 60);
    EXPECT_EQ(Data2(out[0]), 100);
    EXPECT_TRUE(Block({Midi(0x82, 60, 0)}).empty()); // the trigger's note-off is not passed

    Set(P_FORMAT_OUT, 1.0f); // output: program change
    out = Block({Midi(0x92, 60, 100)});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Status(out[0]), 0xC2);
    EXPECT_EQ(Data1(out[0]), 60);
    EXPECT_EQ(Data2(out[0]), 0);
}

TEST_F(Pipeline, InputTypeDecidesWhatTriggers) {
    struct Case {
        float formatIn;
        bool noteTriggers, ccTriggers;
    } cases[] = {
        {0.0f, true, true}, {kN, true, false}, {2.0f / 22, false, true}, {0.5f, false, false}};
    for (const Case& c : cases) {
        Plain(c.formatIn);
        EXPECT_EQ(Block({Midi(0x90, 64, 90)}).size(), c.noteTriggers ? 1u : 0u) << c.formatIn;
        EXPECT_EQ(Block({Midi(0xB0, 7, 90)}).size(), c.ccTriggers ? 1u : 0u) << c.formatIn;
    }
    Plain(0.0f);
    Set(P_FORMAT, 0.0f); // format off: nothing triggers
    Block();
    Block();
    EXPECT_TRUE(Block({Midi(0x90, 64, 90), Midi(0xB0, 7, 90)}).empty());
}

TEST_F(Pipeline, InThroughEchoesTheTriggerAndItsNoteOff) {
    Plain(kN);
    Set(P_IN_THRU, 1.0f);
    auto out = Block({Midi(0x93, 61, 80)});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(Status(out[0]), 0x93); // the echo first
    EXPECT_EQ(Data1(out[0]), 61);
    EXPECT_EQ(Status(out[1]), 0xB3);
    out = Block({Midi(0x83, 61, 40)});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Status(out[0]), 0x83);
    EXPECT_EQ(Data2(out[0]), 0);
}

TEST_F(Pipeline, ThroughPassesNonTriggersAndTracksNotes) {
    Plain(2.0f / 22); // only CCs trigger
    EXPECT_TRUE(Block({Midi(0x90, 60, 100), Midi(0xE0, 0, 64)}).empty());
    Set(P_THRU, 1.0f);
    auto out = Block({Midi(0x90, 60, 100), Midi(0xE0, 1, 64), Midi(0xD0, 5, 0)});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(Status(out[0]), 0x90);
    EXPECT_EQ(Status(out[1]), 0xE0);
    EXPECT_EQ(Data1(out[1]), 1);
    // Switching Midi Through off ends the sounding note: queued one block later, sent the next.
    Set(P_THRU, 0.0f);
    EXPECT_TRUE(Block().empty());
    out = Block();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Status(out[0]), 0x80);
    EXPECT_EQ(Data1(out[0]), 60);
    EXPECT_TRUE(Block().empty());
}

TEST_F(Pipeline, UntrackedNoteOffIsNotPassedAndNotesTrackOncePerKey) {
    Plain(2.0f / 22);
    Set(P_THRU, 1.0f);
    EXPECT_TRUE(Block({Midi(0x80, 50, 0)}).empty());
    Block({Midi(0x90, 50, 100), Midi(0x90, 50, 110)}); // same key twice: one entry
    auto out = Block({Midi(0x90, 50, 0)});             // note-on with velocity 0 ends it
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Status(out[0]), 0x80);
    EXPECT_TRUE(Block({Midi(0x80, 50, 0)}).empty());
}

TEST_F(Pipeline, EveryNthCarriesAcrossBlocks) {
    Plain(kN);
    Set(P_EVERY_NTH, 0.3f);
    int sent = 0;
    std::vector<int> pattern;
    for (int block = 0; block < 9; block++) {
        size_t n = Block({Midi(0x90, 60, 100)}).size();
        pattern.push_back(static_cast<int>(n));
        sent += static_cast<int>(n);
    }
    EXPECT_EQ(sent, 3);
    EXPECT_EQ(pattern, (std::vector<int>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
    // Inside one block: six triggers give two outputs.
    std::vector<VstMidiEvent> six(6, Midi(0x90, 60, 100));
    EXPECT_EQ(Block(six).size(), 2u);
}

TEST_F(Pipeline, EventCountRepeatsEachTrigger) {
    Plain(kN);
    Set(P_CHANNEL, 1.0f); // random channel, so the repeats are drawn anew
    Set(P_EVENT_COUNT, 0.3f);
    EXPECT_EQ(Block({Midi(0x90, 60, 100)}).size(), 3u);
    EXPECT_EQ(Block({Midi(0x90, 60, 100), Midi(0x90, 61, 100)}).size(), 6u);
    Set(P_EVENT_COUNT, 0.0f); // zero acts like one
    EXPECT_EQ(Block({Midi(0x90, 60, 100)}).size(), 1u);
}

TEST_F(Pipeline, OffsetsStayInsideTheBlock) {
    Plain(kN);
    Set(P_OFFSET, 1.0f);
    Set(P_EVENT_COUNT, 1.0f); // ten events per trigger, offsets accumulating
    host.Dispatch(effSetBlockSize, 0, 512);
    bool moved = false;
    for (int frames : {512, 64, 1}) {
        for (int i = 0; i < 20; i++) {
            for (const auto& e : Block({Midi(0x90, 60, 100, frames - 1)}, frames)) {
                EXPECT_GE(e.deltaFrames, 0);
                EXPECT_LE(e.deltaFrames, frames - 1);
                moved |= e.deltaFrames > 0;
            }
        }
    }
    EXPECT_TRUE(moved);
    host.Dispatch(effSetBlockSize, 0, 0); // no block size: no offset, no division by zero
    for (const auto& e : Block({Midi(0x90, 60, 100, 3)}, 64)) EXPECT_EQ(e.deltaFrames, 3);
}

TEST_F(Pipeline, ExtremePositionsAndBlockSizesStaySafe) {
    Plain(0.0f);
    Set(P_OFFSET, 1.0f);
    Set(P_EVENT_COUNT, 1.0f);
    for (VstIntPtr blockSize : {VstIntPtr{0x7fffffff}, VstIntPtr{1} << 30, VstIntPtr{64}}) {
        host.Dispatch(effSetBlockSize, 0, blockSize);
        Set(P_MANUAL_TRIGGER, 1.0f);
        Set(P_MANUAL_TRIGGER, 0.0f);
        for (VstInt32 position : {0x7fffffff, -0x7fffffff - 1, 5}) {
            for (const auto& e : Block({Midi(0x90, 60, 100, position)}, 64)) {
                EXPECT_GE(e.deltaFrames, 0);
                EXPECT_LE(e.deltaFrames, 63);
            }
        }
    }
    // A block without frames hands nothing over; the events wait for the next block.
    EXPECT_TRUE(Block({Midi(0x90, 60, 100)}, 0).empty());
    EXPECT_EQ(Block({}, 16).size(), 10u);
}

// Whichever loop makes them (one event per trigger, or counts of ten), with or without
// offsets, echoes and passed-through events between the triggers, every event a block hands
// over lies inside it, also those that waited out a block without frames.
TEST_F(Pipeline, EveryLoopPlacesItsEventsInsideTheBlock) {
    host.Dispatch(effSetBlockSize, 0, 64);
    for (float count : {0.1f, 1.0f}) {
        for (float offset : {0.0f, 1.0f}) {
            Plain(0.0f);
            Set(P_CHANNEL, 1.0f);
            Set(P_THRU, 1.0f);
            Set(P_IN_THRU, 1.0f);
            Set(P_EVENT_COUNT, count);
            Set(P_OFFSET, offset);
            const std::vector<VstMidiEvent> events = {
                Midi(0x90, 60, 100, 0x7fffffff), Midi(0xE0, 0, 64, -0x7fffffff - 1),
                Midi(0xB0, 7, 1, -3),            Midi(0x90, 61, 100, 70),
                Midi(0xD0, 9, 0, 200),           Midi(0xB0, 8, 2, 5)};
            const size_t perBlock = Block(events, 64).size();
            EXPECT_GE(perBlock, events.size());
            for (int frames : {64, 16}) {
                EXPECT_TRUE(Block(events, 0).empty()); // they wait...
                const auto out = Block({}, frames);    // ...and leave in the next block
                EXPECT_EQ(out.size(), perBlock) << count << " " << offset << " " << frames;
                for (const auto& e : out) {
                    EXPECT_GE(e.deltaFrames, 0) << count << " " << offset << " " << frames;
                    EXPECT_LE(e.deltaFrames, frames - 1) << count << " " << offset;
                }
                for (const auto& e : Block(events, frames)) {
                    EXPECT_GE(e.deltaFrames, 0) << count << " " << offset << " " << frames;
                    EXPECT_LE(e.deltaFrames, frames - 1) << count << " " << offset;
                }
            }
        }
    }
}

TEST_F(Pipeline, OffsetsAccumulateWithinAGroup) {
    Plain(kN);
    Set(P_OFFSET, 1.0f);
    Set(P_EVENT_COUNT, 1.0f);
    host.Dispatch(effSetBlockSize, 0, 1024);
    int rising = 0;
    for (int i = 0; i < 20; i++) {
        auto out = Block({Midi(0x90, 60, 100)}, 1024);
        ASSERT_EQ(out.size(), 10u);
        for (size_t k = 1; k < out.size(); k++) {
            EXPECT_GE(out[k].deltaFrames, out[k - 1].deltaFrames);
            rising += out[k].deltaFrames > out[k - 1].deltaFrames;
        }
    }
    EXPECT_GT(rising, 0);
}

TEST_F(Pipeline, RandomRangesIncludingInvertedOnes) {
    Plain(0.0f);
    Set(P_CHANNEL, 1.0f);
    Set(P_NUMBER, 1.0f);
    Set(P_VALUE, 1.0f);
    Set(P_CHANNEL_MIN, 12.0f / 15);
    Set(P_CHANNEL_MAX, 3.0f / 15); // channels 0..3 or 12..15
    Set(P_NUMBER_MIN, 20.0f / 127);
    Set(P_NUMBER_MAX, 30.0f / 127);
    Set(P_VALUE_MIN, 64.0f / 127);
    Set(P_VALUE_MAX, 64.0f / 127);
    std::set<int> channels;
    for (int block = 0; block < 50; block++) {
        for (const auto& e : Block(std::vector<VstMidiEvent>(8, Midi(0xB0, 1, 1)))) {
            const int channel = Status(e) & 0x0F;
            EXPECT_EQ(Status(e) & 0xF0, 0xB0);
            EXPECT_TRUE(channel <= 3 || channel >= 12) << channel;
            EXPECT_GE(Data1(e), 20);
            EXPECT_LE(Data1(e), 30);
            EXPECT_EQ(Data2(e), 64);
            channels.insert(channel);
        }
    }
    EXPECT_TRUE(*channels.begin() <= 3 && *channels.rbegin() >= 12);
}

TEST_F(Pipeline, EveryGeneratorProducesValidEvents) {
    for (float randomizer : {0.0f, 0.5f, 1.0f}) {
        Plain(0.0f);
        Set(P_RANDOMIZER, randomizer);
        Set(P_CHANNEL, 1.0f);
        Set(P_NUMBER, 1.0f);
        Set(P_VALUE, 1.0f);
        std::set<int> numbers;
        for (int i = 0; i < 20; i++)
            for (const auto& e : Block({Midi(0x90, 1, 1), Midi(0xB0, 2, 2)})) {
                EXPECT_GE(Status(e), 0x80);
                EXPECT_LE(Data1(e), 127);
                EXPECT_LE(Data2(e), 127);
                numbers.insert(Data1(e));
            }
        EXPECT_GT(numbers.size(), 5u) << randomizer;
    }
}

TEST_F(Pipeline, InputQueueHolds256EventsPerCall) {
    // Passed through (pitch bends) and triggers (note-ons become controllers).
    const struct {
        float formatIn;
        int in, out;
    } kinds[] = {{2.0f / 22, 0xE0, 0xE0}, {kN, 0x90, 0xB0}};
    for (const auto& kind : kinds) {
        Plain(kind.formatIn);
        Set(P_THRU, 1.0f);
        // Blocks before move where the ring starts, so the 256 wrap around its end.
        for (int before : {0, 100, 255}) {
            Block(std::vector<VstMidiEvent>(before, Midi(0xE0, 0, 64)));
            std::vector<VstMidiEvent> many;
            for (int i = 0; i < 300; i++) many.push_back(Midi(kind.in, i % 128, 1 + i % 100));
            auto out = Block(many);
            ASSERT_EQ(out.size(), 256u) << before;
            for (int i = 0; i < 256; i++) {
                EXPECT_EQ(Status(out[i]), kind.out) << before << " " << i;
                EXPECT_EQ(Data1(out[i]), i % 128) << before << " " << i;
                EXPECT_EQ(Data2(out[i]), 1 + i % 100) << before << " " << i;
            }
            Block(std::vector<VstMidiEvent>(128, Midi(0x80, 0, 0))); // the notes end
        }
    }
}

TEST_F(Pipeline, ProgramChangesSwitchPresets) {
    Plain(0.0f);
    Set(P_PRESET_SWITCHING, 1.0f);
    EXPECT_TRUE(Block({Midi(0xC0, 40, 0)}).empty());
    EXPECT_EQ(host.Dispatch(effGetProgram), 0);
    Block({Midi(0xC0, 5, 0)});
    EXPECT_EQ(host.Dispatch(effGetProgram), 5);
    Block({Midi(0xC3, 31, 0)});
    EXPECT_EQ(host.Dispatch(effGetProgram), 31);
    Set(P_PRESET_SWITCHING, 0.0f);
    Set(P_THRU, 1.0f);
    auto out = Block({Midi(0xC0, 2, 0)});
    ASSERT_EQ(out.size(), 1u); // passed through, no switch
    EXPECT_EQ(host.Dispatch(effGetProgram), 31);
}

TEST_F(Pipeline, PanicOnlyWhenSwitchedOn) {
    Plain(0.0f);
    Set(P_PANIC, 1.0f);
    auto out = Block();
    ASSERT_EQ(out.size(), 32u);
    for (int channel = 0; channel < 16; channel++) {
        EXPECT_EQ(Status(out[2 * channel]), 0xB0 + channel);
        EXPECT_EQ(Data1(out[2 * channel]), 120);
        EXPECT_EQ(Status(out[2 * channel + 1]), 0xE0 + channel);
        EXPECT_EQ(Data2(out[2 * channel + 1]), 64);
    }
    Set(P_PANIC, 1.0f);
    EXPECT_TRUE(Block().empty());
    Set(P_PANIC, 0.0f);
    EXPECT_TRUE(Block().empty());
    Set(P_PANIC, 1.0f);
    EXPECT_EQ(Block().size(), 32u);
}

TEST_F(Pipeline, ManualTrigger) {
    Plain(0.0f);
    Set(P_EVENT_COUNT, 0.3f);
    Set(P_MANUAL_TRIGGER, 1.0f);
    auto out = Block();
    EXPECT_EQ(out.size(), 3u);
    for (const auto& e : out) EXPECT_EQ(Status(e) & 0xF0, 0xB0);
    Set(P_MANUAL_TRIGGER, 1.0f); // already on: nothing
    EXPECT_TRUE(Block().empty());
    Set(P_MANUAL_TRIGGER, 0.0f);
    Set(P_EVENT_COUNT, 0.0f);
    Set(P_MANUAL_TRIGGER, 1.0f);
    EXPECT_TRUE(Block().empty()); // event count 0 sends nothing
    Set(P_MANUAL_TRIGGER, 0.0f);
    Set(P_EVENT_COUNT, 0.1f);
    Set(P_FORMAT, 0.0f);
    Set(P_MANUAL_TRIGGER, 1.0f);
    EXPECT_TRUE(Block().empty()); // format off sends nothing
}

TEST_F(Pipeline, SuspendedPluginTouchesNothing) {
    Plain(0.0f);
    Set(P_PANIC, 1.0f);
    host.Suspend();
    out[0].assign(4096, 7.0f);
    in[0].assign(4096, 1.0f);
    EXPECT_TRUE(Block({Midi(0x90, 60, 100)}).empty());
    EXPECT_EQ(out[0][0], 7.0f);
    host.Resume();
    EXPECT_EQ(Block().size(), 33u); // the queued trigger and the panic, after resume
}

TEST_F(Pipeline, BadEventListsAreHarmless) {
    Plain(0.0f);
    VstEvent sysex{};
    sysex.type = kVstSysExType;
    VstMidiEvent note = Midi(0x90, 60, 100);
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[3];
    } list = {3, 0, {&sysex, nullptr, reinterpret_cast<VstEvent*>(&note)}};
    host.Dispatch(effProcessEvents, 0, 0, &list);
    EXPECT_EQ(Block().size(), 1u);
    list.numEvents = -5;
    host.Dispatch(effProcessEvents, 0, 0, &list);
    host.Dispatch(effProcessEvents, 0, 0, nullptr);
    EXPECT_TRUE(Block().empty());
}

} // namespace

namespace {

using testutil::Data1;
using testutil::Data2;
using testutil::Midi;
using testutil::Status;

// The same seed gives the same randomized stream.
class Seeding : public testutil::Engine {};

TEST_F(Seeding, SameSeedSameStream) {
    auto stream = [&](float generator, VstIntPtr seed) {
        Set(P_RANDOMIZER, generator);
        Set(P_CHANNEL, 1.0f);
        Set(P_NUMBER, 1.0f);
        Set(P_VALUE, 1.0f);
        Set(P_OFFSET, 0.5f);
        EXPECT_EQ(host.Dispatch(effVendorSpecific, FourCC('M', 'V', 'X', 's'), seed), 1);
        std::vector<int> bytes;
        for (int block = 0; block < 10; block++)
            for (const auto& e : Block({Midi(0x90, 60, 100), Midi(0xB0, 1, 2)}))
                bytes.insert(bytes.end(), {Status(e), Data1(e), Data2(e), e.deltaFrames});
        return bytes;
    };
    for (float generator : {0.0f, 0.5f, 1.0f}) {
        const auto a = stream(generator, 42);
        const auto b = stream(generator, 42);
        const auto c = stream(generator, 43);
        EXPECT_EQ(a, b) << generator;
        EXPECT_NE(a, c) << generator;
    }
    EXPECT_EQ(host.Dispatch(effVendorSpecific, FourCC('x', 'x', 'x', 'x'), 1), 0);
}

} // namespace
