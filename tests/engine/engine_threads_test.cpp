// Host threads change settings while the audio thread processes: nothing may
// race, tear or leave the block.
#include <atomic>
#include <random>
#include <thread>

#include "engine_fixture.h"
#include "engine/program/parameter_table.h"

using namespace velk::engine; // the parameter names

namespace {

using testutil::Midi;

class Threads : public testutil::Engine {};

TEST_F(Threads, AutomationPanicAndTriggersWhileProcessing) {
    Set(P_THRU, 1.0f);
    Set(P_IN_THRU, 1.0f);
    std::atomic<bool> done{false};

    std::thread automation([&] {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        while (!done.load()) {
            for (int index : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 17, 18, 19, 20})
                host.SetParameter(index, unit(random));
            host.GetParameter(static_cast<int>(random() % 21));
        }
    });
    std::thread actions([&] {
        int round = 0;
        std::vector<unsigned char> chunk(220, 0);
        while (!done.load()) {
            host.SetParameter(P_PANIC, round % 2 ? 1.0f : 0.0f);
            host.SetParameter(P_MANUAL_TRIGGER, round % 2 ? 0.0f : 1.0f);
            host.Dispatch(effSetProgram, 0, round % 32);
            if (round % 16 == 0) host.Dispatch(effSetChunk, 1, 220, chunk.data());
            round++;
        }
    });

    std::vector<VstMidiEvent> input;
    for (int i = 0; i < 8; i++) {
        input.push_back(Midi(0x90 + i, 40 + i, 100, i * 7));
        input.push_back(Midi(0xB0 + i, i, 64, i * 11));
        input.push_back(Midi(0x80 + i, 40 + i, 0, i * 13));
        input.push_back(Midi(0xC0, i * 5, 0));
    }
    size_t sent = 0;
    for (int block = 0; block < 10000; block++) {
        const int frames = 1 + block % 256;
        for (const auto& e : Block(input, frames)) {
            ASSERT_GE(e.deltaFrames, 0);
            ASSERT_LT(e.deltaFrames, frames);
            ASSERT_GE(testutil::Status(e), 0x80);
            ASSERT_LE(testutil::Data1(e), 127);
            ASSERT_LE(testutil::Data2(e), 127);
            sent++;
        }
    }
    done.store(true);
    automation.join();
    actions.join();
    EXPECT_GT(sent, 0u);
}

} // namespace
