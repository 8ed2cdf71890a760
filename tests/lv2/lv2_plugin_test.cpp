// The LV2 build, loaded through lilv as LV2 hosts load it, against the VST 2 build driven by
// our host: the same MIDI for the same settings, input and seed; the state; the Turtle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "engine/program/parameter_table.h"
#include "engine/vstplugin.h"
#include "host/cli/cli.h"
#include "host/core/host.h"
#include "host/formats/file_io.h"
#include "host/formats/fx_preset.h"
#include "host/core/plugin_library.h"
#include "lv2/lv2_host.h"
#include "plugin/lv2/lv2_plugin.h"
#include "plugin/lv2/lv2_ports.h"

using moravox::lv2::kControls;
using moravox::lv2::ParameterValue;
using testlv2::Lv2Host;
using testlv2::Message;

namespace {

constexpr uint32_t kFrames = 256;
constexpr int kBlocks = 24;

// A block's input: notes (ended both ways), controllers, program changes and pitch bends over
// the channels, at frames all over the block.
std::vector<Message> Input(int block) {
    std::vector<Message> in;
    for (int i = 0; i < 6; i++) {
        const int n = block * 6 + i;
        const auto channel = static_cast<uint8_t>(n % 16);
        const int frame = (n * 37) % static_cast<int>(kFrames);
        switch (n % 5) {
        case 0: in.push_back({frame, {uint8_t(0x90 | channel), uint8_t(n % 128), uint8_t(1 + n % 127)}}); break;
        case 1: in.push_back({frame, {uint8_t(0x80 | channel), uint8_t((n - 1) % 128), 64}}); break;
        case 2: in.push_back({frame, {uint8_t(0xB0 | channel), uint8_t(n % 120), uint8_t(n % 128)}}); break;
        case 3: in.push_back({frame, {uint8_t(0xC0 | channel), uint8_t(n % 40)}}); break;
        default: in.push_back({frame, {uint8_t(0xE0 | channel), 0, uint8_t(n % 128)}}); break;
        }
    }
    std::stable_sort(in.begin(), in.end(),
                     [](const Message& a, const Message& b) { return a.frame < b.frame; });
    return in;
}

// The VST 2 build in our host, with its output in the order an atom sequence gives it.
class Vst2 {
public:
    Vst2() : library(MORAVOX_PLUGIN_PATH), host(library) {
        host.Instantiate();
        host.Open();
        host.Resume();
        for (auto& c : audio) c.assign(kFrames, 0.0f);
    }
    moravox::host::Host& Host() { return host; }
    std::vector<Message> Run(const std::vector<Message>& in) {
        std::vector<VstMidiEvent> events;
        for (const Message& m : in) {
            VstMidiEvent e{};
            e.type = kVstMidiType;
            e.byteSize = sizeof(VstMidiEvent);
            e.deltaFrames = m.frame;
            for (size_t b = 0; b < m.bytes.size(); b++) e.midiData[b] = static_cast<char>(m.bytes[b]);
            events.push_back(e);
        }
        host.ClearCalls();
        if (!events.empty()) host.SendMidi(events);
        float* ins[] = {audio[0].data(), audio[1].data()};
        float* outs[] = {audio[2].data(), audio[3].data()};
        host.ProcessReplacing(ins, outs, kFrames);
        std::vector<Message> sent;
        for (const auto& call : host.Calls(audioMasterProcessEvents))
            for (const VstMidiEvent& e : call.midi) {
                const auto status = static_cast<uint8_t>(e.midiData[0]);
                const size_t size = (status & 0xE0) == 0xC0 ? 2 : 3;
                std::vector<uint8_t> bytes(e.midiData, e.midiData + size);
                sent.push_back({e.deltaFrames, bytes});
            }
        std::stable_sort(sent.begin(), sent.end(),
                         [](const Message& a, const Message& b) { return a.frame < b.frame; });
        return sent;
    }
    std::vector<uint8_t> Bank() {
        void* data = nullptr;
        const VstIntPtr size = host.Dispatch(effGetChunk, 0, 0, &data);
        const auto* bytes = static_cast<const uint8_t*>(data);
        return std::vector<uint8_t>(bytes, bytes + size);
    }

private:
    moravox::host::PluginLibrary library;
    moravox::host::Host host;
    std::vector<float> audio[4];
};

struct Ported {
    uint32_t port;
    float value; // in the port's natural units
};

struct Case {
    const char* name;
    std::vector<Ported> ports;
    // Panel-only settings (every Nth, offset, count, generator) as VST 2 parameters: the case
    // then goes into both builds as a bank chunk, the way the LV2 state carries them.
    std::vector<std::pair<int, float>> panel;
};

const Case kCases[] = {
    {"defaults", {}, {}},
    {"randomized", {{3, 1}, {6, 1}, {9, 1}, {5, 15}, {8, 127}, {11, 127}}, {}},
    {"inverted ranges, program changes out",
     {{3, 1}, {4, 12}, {5, 3}, {6, 1}, {7, 100}, {8, 20}, {9, 1}, {2, 1}}, {}},
    {"notes only, both through switches", {{1, 1}, {12, 1}, {13, 1}, {9, 1}}, {}},
    {"every option on",
     {{3, 1}, {6, 1}, {9, 1}, {12, 1}, {13, 1}, {15, 1}, {4, 2}, {5, 9}},
     {{17, 0.2f}, {18, 0.5f}, {19, 0.3f}, {20, 1.0f}}},
    {"every Nth on Park-Miller", {{9, 1}}, {{17, 0.3f}, {20, 1.0f}}},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class SameMidi : public ::testing::TestWithParam<Case> {};

TEST_P(SameMidi, AsTheVst2BuildForTheSameSettingsInputAndSeed) {
    const Case& c = GetParam();
    // Panel-only settings come by the state, or by patch:Set as a UI of its own sends them.
    const int routes = c.panel.empty() ? 1 : 2;
    for (uint32_t seed : {1u, 2024u, 4000000000u})
        for (int route = 0; route < routes; route++) {
            Lv2Host lv2(kFrames);
            ASSERT_TRUE(lv2.Ok());
            Vst2 vst;
            if (c.panel.empty() || route == 1) {
                // Through the ports, and the same parameter values in the same order.
                for (const Ported& p : c.ports) lv2.SetControl(p.port, p.value);
                for (uint32_t i = 0; i < kControls; i++)
                    vst.Host().SetParameter(static_cast<VstInt32>(i),
                                            ParameterValue(i, lv2.Control(i)));
                for (auto [index, value] : c.panel) {
                    vst.Host().SetParameter(index, value);
                    const auto parameter = static_cast<uint32_t>(index);
                    moravox::lv2::Message set;
                    ASSERT_TRUE(moravox::lv2::ForgeSet(
                        lv2.Ids(), lv2.Ids().settings[index - 17],
                        static_cast<int32_t>(moravox::lv2::NaturalValue(parameter, value)), set));
                    lv2.Send(set.Atom());
                }
            } else {
                // Through a bank chunk made by a third instance.
                Vst2 maker;
                for (const Ported& p : c.ports)
                    maker.Host().SetParameter(static_cast<VstInt32>(p.port),
                                              ParameterValue(p.port, p.value));
                for (auto [index, value] : c.panel) maker.Host().SetParameter(index, value);
                const std::vector<uint8_t> bank = maker.Bank();
                vst.Host().Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()),
                                    const_cast<uint8_t*>(bank.data()));
                lv2.RestoreChunk(bank, 0);
            }
            lv2.Seed(seed);
            vst.Host().Dispatch(effVendorSpecific, VSTPlugin::kSeedRequest,
                                static_cast<VstIntPtr>(seed));
            size_t total = 0;
            for (int b = 0; b < kBlocks; b++) {
                const std::vector<Message> in = Input(b);
                const std::vector<Message> expected = vst.Run(in);
                ASSERT_EQ(lv2.Run(in, kFrames), expected)
                    << c.name << ", seed " << seed << ", route " << route << ", block " << b;
                total += expected.size();
            }
            EXPECT_GT(total, 0u) << c.name;
        }
}

INSTANTIATE_TEST_SUITE_P(Settings, SameMidi, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// An FXB the tool wrote, read as the host tool reads one.
bool ReadBank(const std::string& path, moravox::host::FxPreset& preset) {
    std::vector<uint8_t> bytes;
    std::string error;
    moravox::host::FormatError problem;
    return moravox::host::ReadFileBytes(path, bytes, error) &&
           moravox::host::ReadFx(bytes, moravox::host::FxKind::Bank, FourCC('M', 'V', 'X', 'n'),
                                 preset, problem);
}

std::string Text(LilvState* state) {
    Lv2Host host(kFrames);
    char* text = lilv_state_to_string(testlv2::World(), host.UridMap(), host.UridUnmap(), state,
                                      "urn:state", nullptr);
    std::string s = text ? text : "";
    lilv_free(text);
    return s;
}

TEST(Lv2State, RoundTripsIntoAFreshInstance) {
    Vst2 maker;
    for (auto [index, value] : std::vector<std::pair<int, float>>{
             {3, 1.0f}, {9, 1.0f}, {13, 1.0f}, {17, 0.2f}, {18, 0.4f}, {20, 0.0f}})
        maker.Host().SetParameter(index, value);
    maker.Host().Dispatch(effSetProgram, 0, 5);
    maker.Host().SetParameter(6, 1.0f);
    Lv2Host first(kFrames);
    first.RestoreChunk(maker.Bank(), 5);
    LilvState* saved = first.Save();
    ASSERT_NE(saved, nullptr);

    Lv2Host second(kFrames);
    second.Restore(saved);
    LilvState* again = second.Save();
    EXPECT_TRUE(lilv_state_equals(saved, again)) << Text(saved) << "\n---\n" << Text(again);
    // And the two play alike.
    first.Seed(77);
    second.Seed(77);
    for (int b = 0; b < 8; b++) EXPECT_EQ(first.Run(Input(b), kFrames), second.Run(Input(b), kFrames));
    lilv_state_free(saved);
    lilv_state_free(again);
}

// A VST 2 bank (FXB) turned into LV2 state by the tool: the LV2 build restores the bank byte
// for byte, its current program, and the host's ports from the program's parameters.
TEST(Lv2State, AVst2BankBecomesLv2StateThroughTheTool) {
    char dir[] = "/tmp/moravox-lv2-state-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string fxb = std::string(dir) + "/bank.fxb", bundle = std::string(dir) + "/s.lv2";
    std::ostringstream out, err;
    ASSERT_EQ(moravox::host::RunCommandLine({"bank", "save", MORAVOX_PLUGIN_PATH, fxb, "--program",
                                             "3", "--set", "9=1", "--set", "7=0.5", "--set",
                                             "17=0.3", "--name", "Scatter \"wide\""},
                                            out, err),
              0)
        << err.str();
    ASSERT_EQ(moravox::host::RunCommandLine({"bank", "lv2", MORAVOX_PLUGIN_PATH, bundle, "--bank", fxb},
                                            out, err),
              0)
        << err.str();
    moravox::host::FxPreset preset;
    ASSERT_TRUE(ReadBank(fxb, preset));

    Lv2Host lv2(kFrames);
    LilvState* state = lilv_state_new_from_file(testlv2::World(), lv2.UridMap(), nullptr,
                                                (bundle + "/state.ttl").c_str());
    ASSERT_NE(state, nullptr);
    EXPECT_STREQ(lilv_state_get_label(state), "Scatter \"wide\"");
    lv2.Restore(state);
    lilv_state_free(state);
    AEffect* effect =
        static_cast<moravox::lv2::Plugin*>(lilv_instance_get_handle(lv2.Instance()))->Effect();
    void* chunk = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &chunk, 0.0f);
    ASSERT_EQ(static_cast<size_t>(size), preset.chunk.size());
    EXPECT_EQ(std::memcmp(chunk, preset.chunk.data(), preset.chunk.size()), 0);
    EXPECT_EQ(effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f), 3);
    EXPECT_EQ(lv2.Control(9), 1.0f);   // value randomized
    EXPECT_EQ(lv2.Control(7), 64.0f);  // number min: 0.5 of 127, rounded up
    EXPECT_EQ(lv2.Control(0), 1.0f);   // format, as the program has it
    for (const char* file : {"/s.lv2/state.ttl", "/s.lv2/manifest.ttl", "/s.lv2", "/bank.fxb"})
        std::remove((std::string(dir) + file).c_str());
    rmdir(dir);
}

// The other way: LV2 state as lilv saves it for a host (Ardour's session folders hold the
// same) becomes a VST 2 bank through the tool, byte for byte, with its current program; a state
// without a bank is refused.
TEST(Lv2State, LilvSavedStateBecomesAVst2BankThroughTheTool) {
    Vst2 maker;
    maker.Host().Dispatch(effSetProgram, 0, 9);
    maker.Host().SetParameter(6, 1.0f);
    maker.Host().SetParameter(18, 0.3f);
    const std::vector<uint8_t> bank = maker.Bank();
    Lv2Host lv2(kFrames);
    lv2.RestoreChunk(bank, 9);
    LilvState* state = lv2.Save();
    ASSERT_NE(state, nullptr);
    char dir[] = "/tmp/moravox-lv2-back-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string folder = std::string(dir) + "/saved.lv2", fxb = std::string(dir) + "/b.fxb";
    ASSERT_EQ(lilv_state_save(testlv2::World(), lv2.UridMap(), lv2.UridUnmap(), state, nullptr,
                              folder.c_str(), "state.ttl"),
              0);
    lilv_state_free(state);

    std::ostringstream out, err;
    ASSERT_EQ(moravox::host::RunCommandLine({"bank", "save", MORAVOX_PLUGIN_PATH, fxb, "--bank",
                                             folder},
                                            out, err),
              0)
        << err.str();
    moravox::host::FxPreset preset;
    ASSERT_TRUE(ReadBank(fxb, preset));
    EXPECT_EQ(preset.chunk, bank);
    EXPECT_EQ(preset.currentProgram, 9);

    const std::string presets = std::string(MORAVOX_LV2_BUNDLE) + "/presets.ttl";
    std::ostringstream refusedOut, refused;
    EXPECT_EQ(moravox::host::RunCommandLine({"bank", "save", MORAVOX_PLUGIN_PATH, fxb, "--bank",
                                             presets},
                                            refusedOut, refused),
              2);
    EXPECT_NE(refused.str().find("no Moravox bank"), std::string::npos) << refused.str();
    std::filesystem::remove_all(dir);
}

// The bundle's 32 presets, as a host's preset menu offers them: each switches to its program
// and leaves the bank (the user's programs) as it is.
TEST(Lv2State, TheBundlesPresetsSwitchProgramsAndKeepTheBank) {
    Vst2 maker;
    maker.Host().SetParameter(9, 1.0f);
    maker.Host().Dispatch(effSetProgram, 0, 7);
    maker.Host().SetParameter(3, 1.0f);
    const std::vector<uint8_t> bank = maker.Bank();
    Lv2Host lv2(kFrames);
    lv2.RestoreChunk(bank, 2);
    AEffect* effect =
        static_cast<moravox::lv2::Plugin*>(lilv_instance_get_handle(lv2.Instance()))->Effect();

    LilvWorld* w = testlv2::World();
    LilvNode* preset = lilv_new_uri(w, "http://lv2plug.in/ns/ext/presets#Preset");
    LilvNodes* presets = lilv_plugin_get_related(testlv2::MoravoxPlugin(), preset);
    std::vector<std::string> labels;
    LILV_FOREACH (nodes, i, presets) {
        const LilvNode* uri = lilv_nodes_get(presets, i);
        lilv_world_load_resource(w, uri);
        LilvState* state = lilv_state_new_from_world(w, lv2.UridMap(), uri);
        ASSERT_NE(state, nullptr) << lilv_node_as_uri(uri);
        const std::string label = lilv_state_get_label(state);
        labels.push_back(label);
        lv2.Restore(state);
        lilv_state_free(state);
        char expected[24];
        std::snprintf(expected, sizeof(expected), "Program %02d",
                      static_cast<int>(effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f)) + 1);
        EXPECT_EQ(label, expected);
        void* chunk = nullptr;
        const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &chunk, 0.0f);
        ASSERT_EQ(static_cast<size_t>(size), bank.size());
        EXPECT_EQ(std::memcmp(chunk, bank.data(), bank.size()), 0) << label << " changed the bank";
    }
    lilv_nodes_free(presets);
    lilv_node_free(preset);
    std::sort(labels.begin(), labels.end());
    ASSERT_EQ(labels.size(), 32u);
    EXPECT_EQ(labels.front(), "Program 01");
    EXPECT_EQ(labels.back(), "Program 32");
    EXPECT_EQ(std::unique(labels.begin(), labels.end()), labels.end());
}

TEST(Lv2State, AChunkThePluginRefusesLeavesTheBankAsItWas) {
    Lv2Host lv2(kFrames);
    LilvState* before = lv2.Save();
    lv2.RestoreChunk(std::vector<uint8_t>(13, 0xFF), 3);
    LilvState* after = lv2.Save();
    EXPECT_TRUE(lilv_state_equals(before, after));
    lilv_state_free(before);
    lilv_state_free(after);
}

// What a careless host may hand over: control values outside every range, MIDI that is not a
// channel message, events outside the block, more events than the plug-in's queue holds, and
// too little room for the output. The answers stay inside their ranges and the room given.
TEST(Lv2Input, CarelessHostsGetSafeAnswers) {
    Lv2Host lv2(kFrames);
    ASSERT_TRUE(lv2.Ok());
    const float wild[] = {NAN, 1e30f, -1e30f, INFINITY, -3.0f, 0.4f, 22.7f, 128.0f};
    // Format on (1e30), input "N+CC" (-1e30), program changes out (infinity), the rest wild.
    for (uint32_t i = 0; i < kControls; i++) lv2.SetControl(i, wild[(i + 1) % 8]);
    std::vector<Message> in = {{-5, {0x90, 1, 2}},       {0, {0xF0, 0x7E, 0x7F}},
                               {1, {0x40, 0x40}},        {2, {}},
                               {3, {0x90, 60, 100, 7}},  {4, {0xFF}},
                               {5, {0xC3, 200}},         {9999, {0xB1, 1, 2}}};
    for (int i = 0; i < 300; i++) in.push_back({10, {uint8_t(0x90 | (i % 16)), uint8_t(i % 128), 90}});
    size_t total = 0;
    for (uint32_t room : {32000u, 64u, 30u, 0u}) { // 30: no multiple of the events' 8-byte steps
        lv2.LimitOutput(room);
        for (int b = 0; b < 4; b++) {
            const std::vector<Message> out = lv2.Run(b == 0 ? in : std::vector<Message>{}, kFrames);
            total += out.size();
            EXPECT_TRUE(lv2.OutputMarkIntact()) << room;
            EXPECT_LE(out.size(), 256u);
            int last = 0;
            for (const Message& m : out) {
                EXPECT_GE(m.frame, last);
                EXPECT_LT(m.frame, static_cast<int>(kFrames));
                last = m.frame;
                ASSERT_GE(m.bytes.size(), 2u);
                ASSERT_LE(m.bytes.size(), 3u);
                EXPECT_GE(m.bytes[0], 0x80);
                EXPECT_LT(m.bytes[0], 0xF0);
                for (size_t k = 1; k < m.bytes.size(); k++) EXPECT_LT(m.bytes[k], 0x80);
            }
        }
    }
    EXPECT_GT(total, 256u); // the big room took a full block
    auto* plugin = static_cast<moravox::lv2::Plugin*>(lilv_instance_get_handle(lv2.Instance()));
    AEffect* effect = plugin->Effect();
    for (VstInt32 i = 0; i < static_cast<VstInt32>(kControls); i++) {
        const float v = effect->getParameter(effect, i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i << ": " << v;
    }
}

// The messages of a UI without instance access: the panel's own settings within the panel's
// ranges, the program only when there is one, the trigger, and the current program's record
// for whoever asked, and again when the program changes.
TEST(Lv2Messages, SettingsProgramTriggerAndTheRecord) {
    Lv2Host lv2(kFrames);
    ASSERT_TRUE(lv2.Ok());
    const moravox::lv2::Urids& u = lv2.Ids();
    AEffect* effect =
        static_cast<moravox::lv2::Plugin*>(lilv_instance_get_handle(lv2.Instance()))->Effect();
    auto send = [&](uint32_t property, int32_t value) {
        moravox::lv2::Message set;
        ASSERT_TRUE(moravox::lv2::ForgeSet(u, property, value, set));
        lv2.Send(set.Atom());
    };
    struct Setting {
        int setting;
        int32_t sent;
        float natural;
    };
    for (const Setting& s : std::vector<Setting>{
             {0, 0, 1}, {0, 1000, 10}, {0, 4, 4}, {1, -5, 0}, {1, 37, 37}, {2, 7, 7}, {3, 9, 2}}) {
        send(u.settings[s.setting], s.sent);
        lv2.Run({}, kFrames);
        const int parameter = moravox::lv2::kPanelSettings[s.setting].parameter;
        EXPECT_EQ(moravox::lv2::NaturalValue(static_cast<uint32_t>(parameter),
                                             effect->getParameter(effect, parameter)),
                  s.natural)
            << parameter << " <- " << s.sent;
    }
    // A host parameter by message, whatever its port says; no port past the 16.
    for (int32_t port : {9, 16, -1}) {
        moravox::lv2::Message set;
        ASSERT_TRUE(moravox::lv2::ForgeParameter(u, static_cast<uint32_t>(port), 1.0f, set));
        lv2.Send(set.Atom());
        lv2.Run({}, kFrames);
    }
    EXPECT_EQ(effect->getParameter(effect, 9), 1.0f);
    EXPECT_EQ(lv2.Control(9), 0.0f);
    auto program = [&] { return effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f); };
    send(u.program, 40);
    lv2.Run({}, kFrames);
    EXPECT_EQ(program(), 0);
    EXPECT_TRUE(lv2.Notified().empty()) << "a record nobody asked for";

    // Asked, the settings' values, the program and the record come once; a program change
    // sends the new record.
    moravox::lv2::Message get;
    ASSERT_TRUE(moravox::lv2::ForgeGet(u, get));
    for (int32_t expected : {0, 4}) {
        if (expected == 0) lv2.Send(get.Atom());
        else send(u.program, expected);
        lv2.Run({}, kFrames);
        EXPECT_EQ(program(), expected);
        const auto notified = lv2.Notified();
        ASSERT_EQ(notified.size(), expected == 0 ? 6u : 1u);
        uint32_t property = 0;
        const LV2_Atom* value = nullptr;
        std::vector<std::pair<uint32_t, int64_t>> values;
        for (size_t n = 0; n + 1 < notified.size(); n++) {
            int64_t v = -1;
            ASSERT_TRUE(moravox::lv2::ReadSet(u, reinterpret_cast<const LV2_Atom*>(notified[n].data()),
                                              property, value) &&
                        moravox::lv2::ReadInteger(u, value, v));
            values.push_back({property, v});
        }
        if (expected == 0) {
            EXPECT_EQ(values, (std::vector<std::pair<uint32_t, int64_t>>{
                                  {u.settings[0], 4}, {u.settings[1], 37}, {u.settings[2], 7},
                                  {u.settings[3], 2}, {u.program, 0}}));
        }
        const auto* atom = reinterpret_cast<const LV2_Atom*>(notified.back().data());
        ASSERT_TRUE(moravox::lv2::ReadSet(u, atom, property, value));
        EXPECT_EQ(property, u.record);
        const LV2_Atom* index = moravox::lv2::Property(atom, u.program);
        int64_t number = -1;
        ASSERT_TRUE(index && moravox::lv2::ReadInteger(u, index, number));
        EXPECT_EQ(number, expected);
        void* chunk = nullptr;
        const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 1, 0, &chunk, 0.0f);
        ASSERT_EQ(value->size, static_cast<uint32_t>(size));
        EXPECT_EQ(std::memcmp(value + 1, chunk, value->size), 0);
        lv2.Run({}, kFrames);
        EXPECT_TRUE(lv2.Notified().empty());
    }

    EXPECT_TRUE(lv2.Run({}, kFrames).empty());
    send(u.trigger, 1);
    EXPECT_FALSE(lv2.Run({}, kFrames).empty()) << "the trigger made no event";
    send(u.trigger, 0);
    EXPECT_TRUE(lv2.Run({}, kFrames).empty());

    // A message claiming less than its last property takes: nothing is read past the claim
    // (the copy is exactly as long as the claim, for the sanitizers to watch).
    moravox::lv2::Message set;
    ASSERT_TRUE(moravox::lv2::ForgeSet(u, u.settings[0], 5, set));
    for (uint32_t cut : {5u, 8u, 12u}) { // into the value, past its padding
        std::vector<uint8_t> shorter(set.bytes, set.bytes + set.Size() - cut);
        auto* atom = reinterpret_cast<LV2_Atom*>(shorter.data());
        atom->size -= cut;
        uint32_t property = 0;
        const LV2_Atom* value = nullptr;
        EXPECT_FALSE(moravox::lv2::ReadSet(u, atom, property, value)) << cut;
        EXPECT_NE(moravox::lv2::Property(atom, u.patchProperty), nullptr) << cut;
    }
}

TEST(Lv2Bundle, DescribesThePortsAsTheVst2BuildNamesItsParameters) {
    const LilvPlugin* plugin = testlv2::MoravoxPlugin();
    ASSERT_NE(plugin, nullptr);
    LilvNode* pluginName = lilv_plugin_get_name(plugin);
    EXPECT_STREQ(lilv_node_as_string(pluginName), "Moravox");
    lilv_node_free(pluginName);
    const LilvPluginClass* cls = lilv_plugin_get_class(plugin);
    EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(cls)),
                 "http://lv2plug.in/ns/lv2core#MIDIPlugin");
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), moravox::lv2::kPortCount);
    Vst2 vst;
    LilvWorld* w = testlv2::World();
    LilvNode* control = lilv_new_uri(w, LV2_CORE__ControlPort);
    LilvNode* audio = lilv_new_uri(w, LV2_CORE__AudioPort);
    LilvNode* atom = lilv_new_uri(w, "http://lv2plug.in/ns/ext/atom#AtomPort");
    LilvNode* input = lilv_new_uri(w, LV2_CORE__InputPort);
    for (uint32_t i = 0; i < moravox::lv2::kPortCount; i++) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool isInput = lilv_port_is_a(plugin, port, input);
        if (i < kControls) {
            LilvNode* name = lilv_port_get_name(plugin, port);
            EXPECT_EQ(lilv_node_as_string(name), vst.Host().ParameterName(static_cast<VstInt32>(i)));
            lilv_node_free(name);
            EXPECT_TRUE(lilv_port_is_a(plugin, port, control) && isInput) << i;
            // The default is the value a new instance has.
            LilvNode* def = nullptr;
            lilv_port_get_range(plugin, port, &def, nullptr, nullptr);
            ASSERT_NE(def, nullptr);
            EXPECT_EQ(ParameterValue(i, lilv_node_as_float(def)),
                      vst.Host().GetParameter(static_cast<VstInt32>(i))) << i;
            lilv_node_free(def);
        } else if (i < moravox::lv2::kMidiIn) {
            EXPECT_TRUE(lilv_port_is_a(plugin, port, audio)) << i;
            EXPECT_EQ(isInput, i < moravox::lv2::kAudioOutLeft) << i;
        } else {
            EXPECT_TRUE(lilv_port_is_a(plugin, port, atom)) << i;
            EXPECT_EQ(isInput, i == moravox::lv2::kMidiIn) << i;
        }
    }
    for (LilvNode* n : {control, audio, atom, input}) lilv_node_free(n);
}

// What a command prints on both streams, and whether it ended well.
std::string Printed(const std::string& command, bool& ok) {
    std::string printed;
    ok = false;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return printed;
    char line[512];
    while (fgets(line, sizeof(line), pipe)) printed += line;
    ok = pclose(pipe) == 0;
    return printed;
}

TEST(Lv2Bundle, TurtleValidatesAgainstTheInstalledSchemas) {
    bool ok = false;
    const std::string printed =
        Printed("sord_validate $(find /usr/lib/lv2 -name '*.ttl') " MORAVOX_LV2_BUNDLE
                "/manifest.ttl " MORAVOX_LV2_BUNDLE "/moravox.ttl " MORAVOX_LV2_BUNDLE "/presets.ttl",
                ok);
    EXPECT_TRUE(ok) << printed;
    EXPECT_NE(printed.find("Found 0 errors"), std::string::npos) << printed;
}

// lilv's own tools, as a user runs them: lv2ls lists the plug-in, lv2info shows its class and
// every port in order.
TEST(Lv2Bundle, LilvsToolsListThePluginAndShowItsPorts) {
    const std::string path = "LV2_PATH=" MORAVOX_LV2_BUNDLE "/..:/usr/lib/lv2 ";
    bool ok = false;
    const std::string listed = Printed(path + "lv2ls", ok);
    EXPECT_TRUE(ok) << listed;
    EXPECT_NE(listed.find(std::string(moravox::lv2::kUri) + "\n"), std::string::npos) << listed;
    const std::string info = Printed(path + "lv2info " + moravox::lv2::kUri, ok);
    EXPECT_TRUE(ok) << info;
    EXPECT_NE(info.find("Name:              Moravox"), std::string::npos) << info;
    EXPECT_NE(info.find("Class:             MIDI Plugin"), std::string::npos) << info;
    const char* const symbols[] = {
        "format", "format_in", "format_out", "channel", "channel_min", "channel_max",
        "number", "number_min", "number_max", "value", "value_min", "value_max", "thru",
        "in_thru", "panic", "preset_switching", "in_left", "in_right", "out_left", "out_right",
        "midi_in", "midi_out", "notify"};
    static_assert(sizeof(symbols) / sizeof(symbols[0]) == moravox::lv2::kPortCount);
    size_t at = 0;
    for (uint32_t i = 0; i < moravox::lv2::kPortCount; i++) {
        at = info.find("Port " + std::to_string(i) + ":", at);
        ASSERT_NE(at, std::string::npos) << "no port " << i << "\n" << info;
        const size_t symbol = info.find("Symbol:", at);
        ASSERT_NE(symbol, std::string::npos);
        const size_t end = info.find('\n', symbol);
        EXPECT_EQ(info.substr(symbol, end - symbol),
                  std::string("Symbol:      ") + symbols[i]) << i;
    }
}

} // namespace
