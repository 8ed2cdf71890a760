#include "host/render/render.h"
#include "host/formats/smf_reader.h"
#include "host/formats/smf_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace moravox::host;

namespace {

// The built plug-in, instantiated and opened for a render with these options, and set up with
// (index, value) parameter settings.
class RenderedPlugin {
public:
    RenderedPlugin(const RenderOptions& options,
                   const std::vector<std::pair<VstInt32, float>>& settings)
        : library_(MORAVOX_PLUGIN_PATH), host_(library_, RenderAnswers(options)) {
        ok_ = host_.Instantiate();
        if (!ok_) return;
        host_.Open();
        for (const auto& setting : settings) host_.SetParameter(setting.first, setting.second);
    }
    bool Ok() const { return ok_; }
    std::string Error() const { return library_.Loaded() ? host_.Error() : library_.Error(); }
    Host& Get() { return host_; }

private:
    PluginLibrary library_;
    Host host_;
    bool ok_ = false;
};

// Format 1: a conductor track with tempo changes whose samples are not whole numbers, and a
// track of every kind of channel message on several channels.
SmfFile Song() {
    SmfFile file;
    file.format = 1;
    file.division = 480;
    SmfTrack conductor;
    conductor.events = {TempoEvent(0, 500000), MetaEvent(0, kMetaTimeSignature, {4, 2, 24, 8}),
                        TempoEvent(1000, 333333), TempoEvent(1001, 428571),
                        TempoEvent(2500, 250000)};
    conductor.endTick = 4000;
    SmfTrack music;
    for (uint64_t i = 0; i < 40; ++i) {
        const uint64_t tick = i * 97 + (i % 3);
        const uint8_t channel = static_cast<uint8_t>(i % 4);
        const uint8_t note = static_cast<uint8_t>(40 + i);
        music.events.push_back(ChannelEvent(tick, 0x90 | channel, note, 100));
        music.events.push_back(ChannelEvent(tick, 0xB0 | channel, 7, static_cast<uint8_t>(i)));
        music.events.push_back(ChannelEvent(tick + 50, 0x80 | channel, note, 0));
        if (i % 10 == 0) {
            music.events.push_back(ChannelEvent(tick + 51, 0xE0 | channel, 0, 0x50));
            music.events.push_back(ChannelEvent(tick + 52, 0xC0 | channel, 3));
        }
    }
    std::stable_sort(music.events.begin(), music.events.end(),
                     [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    music.endTick = 3950;
    file.tracks = {conductor, music};
    return file;
}

// What a plug-in that passes everything through should give back: the tempo and time
// signature events and the channel messages, in one track.
std::vector<SmfEvent> PassedThrough(const SmfFile& input) {
    std::vector<SmfEvent> conductor, channel;
    for (const SmfEvent& event : MergeTracks(input)) {
        if (event.IsChannelMessage()) {
            channel.push_back(event);
        } else if (event.IsMeta(kMetaTempo) || event.IsMeta(kMetaTimeSignature)) {
            conductor.push_back(event);
        }
    }
    std::vector<SmfEvent> all;
    std::merge(conductor.begin(), conductor.end(), channel.begin(), channel.end(),
               std::back_inserter(all),
               [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    return all;
}

// Randomizing off, Midi Through on: every message comes back as it went in.
const std::vector<std::pair<VstInt32, float>> kThrough = {{0, 0.0f}, {12, 1.0f}};

} // namespace

TEST(Render, PassThroughKeepsEveryTickAcrossTempoChanges) {
    const SmfFile input = Song();
    struct Case {
        uint32_t rate, block;
    };
    for (const Case c : {Case{48000, 256}, Case{44100, 64}, Case{96000, 1000}, Case{22050, 1}}) {
        RenderOptions options;
        options.sampleRate = c.rate;
        options.blockSize = c.block;
        options.tailSamples = 100;
        RenderedPlugin plugin(options, kThrough);
        ASSERT_TRUE(plugin.Ok()) << plugin.Error();
        const RenderResult result = Render(plugin.Get(), input, options);
        EXPECT_EQ(result.eventsIn, 128u);
        EXPECT_EQ(result.eventsOut, 128u);
        ASSERT_EQ(result.output.tracks.size(), 1u);
        EXPECT_EQ(result.output.format, 0u);
        EXPECT_EQ(result.output.division, 480u);
        EXPECT_EQ(result.output.tracks[0].events, PassedThrough(input)) << c.rate << "/" << c.block;
        EXPECT_EQ(result.output.tracks[0].endTick, 4000u);
        // Processing ends `tail` samples after the sample of the last input event.
        const uint64_t last =
            MakeTempoMap(input, c.rate).SampleAt(input.tracks[1].events.back().tick);
        EXPECT_EQ(result.samples, last + 1 + 100);
    }
}

TEST(Render, KeepInputPutsTheInputOnTrackOneAndTheOutputOnTrackTwo) {
    const SmfFile input = Song();
    RenderOptions options;
    options.keepInput = true;
    RenderedPlugin plugin(options, kThrough);
    ASSERT_TRUE(plugin.Ok()) << plugin.Error();
    const RenderResult result = Render(plugin.Get(), input, options);
    ASSERT_EQ(result.output.tracks.size(), 2u);
    EXPECT_EQ(result.output.format, 1u);
    EXPECT_EQ(result.output.tracks[0].events, MergeTracks(input));
    EXPECT_EQ(result.output.tracks[0].endTick, 4000u);
    std::vector<SmfEvent> channel;
    for (const SmfEvent& event : MergeTracks(input)) {
        if (event.IsChannelMessage()) channel.push_back(event);
    }
    EXPECT_EQ(result.output.tracks[1].events, channel);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(WriteSmf(result.output, bytes, error)) << error;
}

TEST(Render, SettingsTakeEffectBeforeTheFirstNote) {
    // Switching Midi Through on and randomizing off asks the plug-in to end its notes, which
    // takes two blocks; the first note at tick 0 still comes through.
    SmfFile input;
    SmfTrack track;
    track.events = {ChannelEvent(0, 0x90, 60, 100), ChannelEvent(10, 0x80, 60, 0)};
    input.tracks = {track};
    RenderOptions options;
    RenderedPlugin plugin(options, kThrough);
    ASSERT_TRUE(plugin.Ok()) << plugin.Error();
    const RenderResult result = Render(plugin.Get(), input, options);
    EXPECT_EQ(result.output.tracks[0].events, track.events);

    options.prerollBlocks = 0; // without the silent blocks the request swallows the note
    RenderedPlugin cold(options, kThrough);
    ASSERT_TRUE(cold.Ok()) << cold.Error();
    EXPECT_EQ(Render(cold.Get(), input, options).eventsOut, 0u);
}

TEST(Render, CrowdedBlocksAreCounted) {
    SmfFile input;
    SmfTrack track;
    for (int i = 0; i < 300; ++i) track.events.push_back(ChannelEvent(5, 0xB0, 1, 2));
    track.events.push_back(ChannelEvent(500, 0xB0, 1, 2));
    input.tracks = {track};
    RenderOptions options;
    options.tailSamples = 0;
    RenderedPlugin plugin(options, kThrough);
    ASSERT_TRUE(plugin.Ok()) << plugin.Error();
    const RenderResult result = Render(plugin.Get(), input, options);
    EXPECT_EQ(result.busiestBlock, 300u);
    EXPECT_EQ(result.eventsIn, 301u);
    // The plug-in's own queue keeps 256 of the 300.
    EXPECT_EQ(result.eventsOut, 257u);
}

TEST(Render, TenThousandEvents) {
    // 5000 notes, one every 24 ticks (a sixteenth at 96 per quarter), each a trigger: the
    // default program turns every note-on into a control change.
    SmfFile input;
    SmfTrack track;
    for (uint64_t i = 0; i < 5000; ++i) {
        const uint8_t note = static_cast<uint8_t>(36 + i % 48);
        track.events.push_back(ChannelEvent(i * 24, 0x90 | (i % 16), note, 90));
        track.events.push_back(ChannelEvent(i * 24 + 20, 0x80 | (i % 16), note, 0));
    }
    input.tracks = {track};
    RenderOptions options;
    RenderedPlugin plugin(options, {{3, 1.0f}, {6, 1.0f}, {9, 1.0f}, {18, 0.3f}, {19, 0.2f}});
    ASSERT_TRUE(plugin.Ok()) << plugin.Error();
    const RenderResult result = Render(plugin.Get(), input, options);
    EXPECT_EQ(result.eventsIn, 10000u);
    EXPECT_EQ(result.eventsOut, 10000u); // two control changes per note-on
    EXPECT_EQ(result.lostOut + result.unwritable, 0u);
    const double music = static_cast<double>(result.samples) / options.sampleRate;
    const double factor = music / std::max(result.seconds, 1e-9);
    std::printf("10000-event render: %.1f s of music in %.4f s, real-time factor %.0f\n", music,
                result.seconds, factor);
    RecordProperty("RealTimeFactor", static_cast<int>(factor));
}
