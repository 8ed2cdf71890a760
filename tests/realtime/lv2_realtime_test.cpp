// The LV2 build's run, on a measured thread as a host's audio thread: with every option on,
// MIDI atoms in and out, a seed now and then, and a UI's messages (the panel's settings, the
// trigger, a program change and the record it asks for), it must not allocate, free, wait for
// a kernel lock or make a system call.
#include <gtest/gtest.h>

#include <vector>

#include "host/core/host.h"
#include "host/core/plugin_library.h"
#include "host/realtime/measured_thread.h"
#include "lv2/lv2_host.h"

using moravox::realtime::Measure;
using moravox::realtime::Measurement;
using testlv2::Lv2Host;
using testlv2::Message;

namespace {

constexpr uint32_t kFrames = 256;

TEST(Lv2Realtime, RunNeitherAllocatesNorLocksNorCallsTheSystem) {
    // Every option on, in a bank made by the VST 2 build and restored as LV2 state.
    moravox::host::PluginLibrary library(MORAVOX_PLUGIN_PATH);
    moravox::host::Host maker(library);
    ASSERT_TRUE(maker.Instantiate()) << maker.Error();
    for (auto [index, value] : std::vector<std::pair<int, float>>{
             {3, 1.0f}, {6, 1.0f}, {9, 1.0f}, {12, 1.0f}, {13, 1.0f}, {15, 1.0f},
             {17, 0.2f}, {18, 0.5f}, {19, 0.3f}, {20, 1.0f}})
        maker.SetParameter(index, value);
    void* data = nullptr;
    const VstIntPtr size = maker.Dispatch(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const uint8_t*>(data);
    const std::vector<uint8_t> bank(bytes, bytes + size);

    Lv2Host lv2(kFrames);
    ASSERT_TRUE(lv2.Ok());
    lv2.RestoreChunk(bank, 0);
    std::vector<Message> in;
    for (int i = 0; i < 40; i++) {
        const auto channel = static_cast<uint8_t>(i % 16);
        in.push_back({i * 6, {uint8_t(0x90 | channel), uint8_t(36 + i), uint8_t(1 + i)}});
        in.push_back({i * 6 + 1, {uint8_t(0xB0 | channel), uint8_t(i), uint8_t(2 * i)}});
        in.push_back({i * 6 + 2, {uint8_t(0x80 | channel), uint8_t(36 + i), 0}});
    }
    in.push_back({200, {0xC0, 2}});
    lv2.Seed(5);
    lv2.Prepare(in);

    size_t sent = 0;
    Measurement m;
    m.batches = 4;
    m.warmUp = [&] { sent += lv2.RunPrepared(kFrames); };
    m.work = [&](int) {
        for (int b = 0; b < 500; b++) sent += lv2.RunPrepared(kFrames);
    };
    m.between = [&](int batch) {
        // Every block of the next batch carries these messages and answers the patch:Get.
        const moravox::lv2::Urids& u = lv2.Ids();
        moravox::lv2::Message message;
        lv2.Seed(static_cast<uint32_t>(batch));
        if (moravox::lv2::ForgeSet(u, u.settings[batch % 4], batch + 1, message)) lv2.Send(message.Atom());
        if (moravox::lv2::ForgeSet(u, u.trigger, 1, message)) lv2.Send(message.Atom());
        if (moravox::lv2::ForgeSet(u, u.program, batch, message)) lv2.Send(message.Atom());
        if (moravox::lv2::ForgeGet(u, message)) lv2.Send(message.Atom());
        lv2.Prepare(in);
    };
    const auto counts = Measure(m);
    EXPECT_TRUE(counts.systemCallsTrapped);
    EXPECT_TRUE(counts.Clean()) << counts.Describe();
    EXPECT_GT(sent, 2000u * 40);
    EXPECT_EQ(lv2.Notified().size(), 6u) << "the last block answered no patch:Get";
}

} // namespace
