// moravox-host live on a real JACK server: MIDI played into the tool's input comes back from its
// output as the plug-in's randomized events, at the frames it was played, with the settings
// from the command line; the tool leaves the server as it found it.
#include "host/cli/cli.h"
#include "host/cli/cli_common.h"
#include "host/live/live_processor.h"
#include "live_fixture.h"

#include <algorithm>
#include <sstream>

using livetest::JackProbe;
using livetest::Message;
using livetest::ToolProcess;
using moravox::host::ParameterSetting;
using moravox::host::PluginSettings;

namespace {

// Note-ons on several channels across the cycle; note-offs, which the default settings drop.
const std::vector<Message> kNotes = {{0, {0x90, 60, 100}},  {17, {0x92, 64, 90}},
                                     {17, {0x82, 50, 0}},   {100, {0x95, 67, 80}},
                                     {150, {0x89, 40, 64}}, {199, {0x99, 72, 1}}};

class LiveJackTest : public ::testing::Test {
protected:
    void SetUp() override {
        LIVE_REQUIRE_SERVER(server);
        probe = std::make_unique<JackProbe>(server, livetest::UniqueName("probe"));
        ASSERT_TRUE(probe->Ok()) << "the test's own JACK clients did not start on " << server << ":\n" << probe->Why();
        char dir[] = "/tmp/moravox-live-test-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }

    void TearDown() override {
        probe.reset();
        for (const std::string& file : files_) unlink(file.c_str());
        if (!dir_.empty()) rmdir(dir_.c_str());
    }

    std::string File(const std::string& name) {
        files_.push_back(dir_ + "/" + name);
        return files_.back();
    }

    std::unique_ptr<ToolProcess> Start(const std::string& name, std::vector<std::string> options,
                                       const char* plugin = MORAVOX_PLUGIN_PATH) {
        std::vector<std::string> args{"live", plugin, "--no-gui", "-j", name};
        args.insert(args.end(), options.begin(), options.end());
        return std::make_unique<ToolProcess>(
            args, std::vector<std::string>{"JACK_DEFAULT_SERVER=" + server});
    }

    // Plays the notes into a running tool and returns what comes back.
    // `settled`: before the notes, a note-on goes through until something comes back, so the
    // notes meet a path that certainly runs end to end. Only for settings that draw nothing
    // (the note-on would otherwise move the generators the expected output starts from).
    std::vector<Message> PlayThrough(const std::string& name, const std::vector<Message>& notes,
                                     size_t expected, bool settled = false) {
        const std::string in = name + ":midi_in", out = name + ":midi_out";
        probe->Watch(in, out);
        EXPECT_TRUE(probe->Connect(probe->FeedPort(), in));
        EXPECT_TRUE(probe->Connect(out, probe->ReadPort()));
        // Both connections are in the graph, and the server has switched to it: that
        // happens at the start of a later cycle, which the probe's callbacks see.
        EXPECT_TRUE(support::Eventually([&] { return probe->Live(); }))
            << "the probe's ports never ran connected";
        if (settled) {
            EXPECT_TRUE(probe->RoundTrips()) << "nothing came back through the tool";
        }
        probe->ClearReceived();
        probe->Send(notes);
        return probe->Receive(expected, livetest::milliseconds(5000));
    }

    std::string server;
    std::unique_ptr<JackProbe> probe;
    std::string dir_;
    std::vector<std::string> files_;
};

// The same notes through our offline host, in one block of the server's length.
std::vector<Message> ThroughHost(const PluginSettings& settings, const std::vector<Message>& notes,
                                 uint32_t frames) {
    moravox::host::HostAnswers answers;
    answers.blockSize = static_cast<VstIntPtr>(frames);
    std::ostringstream err;
    auto plugin = moravox::host::LoadPlugin(MORAVOX_PLUGIN_PATH, answers, err);
    if (plugin == nullptr) return {};
    moravox::host::Host& host = plugin->host;
    if (moravox::host::ApplySettings(host, settings, err) != 0) return {};
    host.Resume();
    std::vector<VstMidiEvent> events;
    for (const Message& note : notes) {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.deltaFrames = static_cast<VstInt32>(note.frame);
        std::copy(note.bytes.begin(), note.bytes.end(), event.midiData);
        events.push_back(event);
    }
    host.SendMidi(events);
    std::vector<float> silence(frames), left(frames), right(frames);
    float* in[2] = {silence.data(), silence.data()};
    float* out[2] = {left.data(), right.data()};
    host.ProcessReplacing(in, out, static_cast<VstInt32>(frames));
    std::vector<Message> messages;
    for (const moravox::host::HostCall& call : host.Calls(audioMasterProcessEvents)) {
        for (const VstMidiEvent& event : call.midi) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(event.midiData);
            const size_t length = moravox::host::MidiMessageLength(bytes[0]);
            messages.push_back({static_cast<uint32_t>(event.deltaFrames),
                                std::vector<uint8_t>(bytes, bytes + length)});
        }
    }
    std::stable_sort(messages.begin(), messages.end(),
                     [](const Message& a, const Message& b) { return a.frame < b.frame; });
    return messages;
}

} // namespace

TEST_F(LiveJackTest, NotesBecomeRandomizedControlChangesAtTheirFrames) {
    const std::string name = livetest::UniqueName("moravox-notes");
    // Numbers drawn from the whole range, from a fixed seed.
    auto tool = Start(name, {"-C", "-p", "6:1", "--seed", "4242"});
    ASSERT_TRUE(tool->WaitUntilRunning()) << tool->Err();
    PluginSettings settings;
    settings.parameters = {{6, 1.0f}};
    settings.seed = 4242;
    const std::vector<Message> expected = ThroughHost(settings, kNotes, probe->Frames());
    ASSERT_EQ(expected.size(), 4u); // one per note-on
    const std::vector<Message> received = PlayThrough(name, kNotes, expected.size());
    EXPECT_EQ(received, expected);
    ASSERT_EQ(received.size(), 4u);
    const uint8_t notes[] = {60, 64, 67, 72};
    size_t renumbered = 0;
    for (size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].bytes[0] & 0xF0, 0xB0) << received[i];
        if (received[i].bytes[1] != notes[i]) ++renumbered;
    }
    EXPECT_GT(renumbered, 0u);
    EXPECT_EQ(tool->Stop(), 0) << tool->Err();
    EXPECT_EQ(tool->Err(), "");
}

TEST_F(LiveJackTest, SettingsFromTheCommandLineShowInTheOutput) {
    const std::string pcPreset = File("pc.fxp");
    std::ostringstream out, err;
    ASSERT_EQ(moravox::host::RunCommandLine(
                  {"preset", "save", MORAVOX_PLUGIN_PATH, pcPreset, "--set", "2=1"}, out, err),
              0)
        << err.str();
    struct Case {
        const char* what;
        std::vector<std::string> options;
        std::string preset;
        std::vector<ParameterSetting> parameters;
        int status;  // the status nibble every event must have
        int channel; // the channel every event must have, or -1
    };
    const std::vector<Case> cases = {
        {"output type", {"-p", "2:1"}, "", {{2, 1.0f}}, 0xC0, -1},
        {"preset", {"--preset", pcPreset}, pcPreset, {}, 0xC0, -1},
        {"parameters after the preset",
         {"--preset", pcPreset, "-p", "2:0"},
         pcPreset,
         {{2, 0.0f}},
         0xB0,
         -1},
        {"channel range",
         {"-p", "3:1", "-p", "4:0.6", "-p", "5:0.6"},
         "",
         {{3, 1.0f}, {4, 0.6f}, {5, 0.6f}},
         0xB0,
         9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = livetest::UniqueName("moravox-settings");
        std::vector<std::string> options = c.options;
        options.push_back("-C");
        auto tool = Start(name, options);
        ASSERT_TRUE(tool->WaitUntilRunning()) << tool->Err();
        PluginSettings settings;
        settings.presetPath = c.preset;
        settings.parameters = c.parameters;
        const std::vector<Message> expected = ThroughHost(settings, kNotes, probe->Frames());
        ASSERT_EQ(expected.size(), 4u);
        EXPECT_EQ(PlayThrough(name, kNotes, expected.size(), true), expected);
        for (const Message& message : expected) {
            EXPECT_EQ(message.bytes[0] & 0xF0, c.status) << message;
            if (c.channel >= 0) {
                EXPECT_EQ(message.bytes[0] & 0x0F, c.channel) << message;
            }
        }
        EXPECT_EQ(tool->Stop(), 0) << tool->Err();
    }
}

TEST_F(LiveJackTest, StoppingLeavesNoClientBehind) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string name = livetest::UniqueName("moravox-stop");
        auto tool = Start(name, {"-C"});
        ASSERT_TRUE(tool->WaitUntilRunning()) << tool->Err();
        EXPECT_EQ(probe->Ports("^" + name + ":").size(), 6u);
        EXPECT_EQ(tool->Stop(signal), 0) << tool->Err();
        EXPECT_EQ(tool->Err(), "");
        EXPECT_TRUE(probe->Ports("^" + name + ":").empty());
    }
}

TEST_F(LiveJackTest, ConnectsToThePhysicalMidiPortsUnlessToldNot) {
    // Ports of the probe's that claim to be hardware, as a MIDI bridge's do.
    const unsigned long physical = JackPortIsPhysical | JackPortIsTerminal;
    jack_port_t* capture = jack_port_register(probe->Client(), "capture", JACK_DEFAULT_MIDI_TYPE,
                                              JackPortIsOutput | physical, 0);
    jack_port_t* playback = jack_port_register(probe->Client(), "playback", JACK_DEFAULT_MIDI_TYPE,
                                               JackPortIsInput | physical, 0);
    ASSERT_NE(capture, nullptr);
    ASSERT_NE(playback, nullptr);
    for (const bool autoconnect : {true, false}) {
        SCOPED_TRACE(autoconnect);
        const std::string name = livetest::UniqueName("moravox-connect");
        auto tool =
            Start(name, autoconnect ? std::vector<std::string>{} : std::vector<std::string>{"-C"});
        ASSERT_TRUE(tool->WaitUntilRunning()) << tool->Err();
        const auto expected = [&](jack_port_t* port) {
            return autoconnect ? std::vector<std::string>{jack_port_name(port)}
                               : std::vector<std::string>{};
        };
        EXPECT_EQ(probe->Connections(name + ":midi_in"), expected(capture));
        EXPECT_EQ(probe->Connections(name + ":midi_out"), expected(playback));
        EXPECT_EQ(tool->Out().find("connected") != std::string::npos, autoconnect) << tool->Out();
        EXPECT_EQ(tool->Stop(), 0) << tool->Err();
    }
}

TEST_F(LiveJackTest, AMalformedPresetEndsItWithStatus2) {
    const std::string garbage = File("garbage.fxp");
    std::ofstream(garbage) << "not a preset at all";
    for (const std::string& preset : {garbage, File("missing.fxp")}) {
        SCOPED_TRACE(preset);
        const std::string name = livetest::UniqueName("moravox-preset");
        auto tool = Start(name, {"-C", "--preset", preset});
        EXPECT_EQ(tool->Wait(), 2);
        const std::vector<std::string> lines = livetest::Lines(tool->Err());
        ASSERT_EQ(lines.size(), 1u) << tool->Err();
        EXPECT_NE(lines[0].find(preset), std::string::npos) << lines[0];
        EXPECT_TRUE(probe->Ports("^" + name + ":").empty());
    }
}

TEST(LiveServerTest, TheServerGoingAwayEndsTheToolWithStatus1) {
    if (!livetest::JackdInstalled()) GTEST_SKIP() << "jackd is not installed";
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        livetest::PrivateServer jackd;
        ASSERT_TRUE(jackd.WaitUntilReady());
        ToolProcess tool({"live", FAKE_PLUGIN_PATH, "--no-gui", "-C"},
                         {"JACK_DEFAULT_SERVER=" + jackd.Name()});
        ASSERT_TRUE(tool.WaitUntilRunning()) << tool.Err();
        jackd.Kill(signal);
        EXPECT_EQ(tool.Wait(), 1) << tool.Err();
        const std::vector<std::string> lines = livetest::Lines(tool.Err());
        ASSERT_EQ(lines.size(), 1u) << tool.Err();
        EXPECT_NE(lines[0].find("the JACK server went away"), std::string::npos) << lines[0];
    }
}
