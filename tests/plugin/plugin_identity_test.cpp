#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "plugin_test_util.h"

namespace {

using moravox::host::HostAnswers;
using testutil::LoadedPlugin;

TEST(PluginIdentity, RecordAsTheHostSeesIt) {
    LoadedPlugin p;
    ASSERT_TRUE(p.host.Instantiate()) << p.host.Error();
    AEffect* e = p.host.Effect();
    EXPECT_EQ(e->magic, FourCC('V', 's', 't', 'P'));
    EXPECT_EQ(e->flags, 313);
    EXPECT_EQ(e->uniqueID, FourCC('M', 'V', 'X', 'n'));
    EXPECT_EQ(e->numPrograms, 32);
    EXPECT_EQ(e->numParams, 16);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->reservedProc, nullptr);
    EXPECT_EQ(p.host.Dispatch(effGetVendorVersion), 102);
    EXPECT_EQ(p.host.Dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(p.host.Dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(p.host.GetString(effGetEffectName), "Moravox");
    EXPECT_EQ(p.host.GetString(effGetProductString), "Moravox");
    EXPECT_FALSE(p.host.GetString(effGetVendorString).empty());
}

TEST(PluginIdentity, CanDoAnswersYesOrNoNeverUnknown) {
    LoadedPlugin p;
    ASSERT_TRUE(p.host.Instantiate());
    const std::set<std::string> yes = {"sendVstMidiEvent", "sendVstEvents", "receiveVstEvents",
                                       "receiveVstMidiEvent", "receiveVstTimeInfo"};
    const char* words[] = {"sendVstMidiEvent",
                           "sendVstEvents",
                           "receiveVstEvents",
                           "receiveVstMidiEvent",
                           "receiveVstTimeInfo",
                           "receiveVstMidiEvents",
                           "sendVstTimeInfo",
                           "bypass",
                           "",
                           "SENDVSTEVENTS",
                           "midiProgramNames"};
    for (const char* word : words)
        EXPECT_EQ(p.host.CanDo(word), yes.count(word) ? 1 : -1) << '"' << word << '"';
    EXPECT_EQ(p.host.Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST(PluginIdentity, EditorOpcodes) {
    LoadedPlugin p;
    ASSERT_TRUE(p.host.Instantiate());
    EXPECT_EQ(p.host.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
    auto rect = p.host.EditorRect();
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->right - rect->left, 200);
    EXPECT_EQ(rect->bottom - rect->top, 245);
    EXPECT_EQ(p.host.Dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(p.host.Dispatch(effEditIdle), 0);
    EXPECT_EQ(p.host.Dispatch(effEditClose), 1);
}

TEST(PluginStart, ResumeAsksForMidiAndTheDirectoryOnce) {
    HostAnswers answers;
    answers.directory = "/opt/vst/moravox.so";
    LoadedPlugin p(answers);
    ASSERT_TRUE(p.host.Instantiate());
    p.host.Open();
    p.host.Resume();
    p.host.Suspend();
    p.host.Resume();
    auto midi = p.host.Calls(audioMasterWantMidi);
    ASSERT_EQ(midi.size(), 2u);
    EXPECT_EQ(midi[0].value, 1);
    EXPECT_EQ(p.host.CallCount(audioMasterGetDirectory), 1u);
}

TEST(PluginStart, HostAnsweringZeroToVersionGetsNothing) {
    HostAnswers answers;
    answers.version = 0;
    LoadedPlugin p(answers);
    EXPECT_FALSE(p.host.Instantiate());
    EXPECT_EQ(p.host.Effect(), nullptr);
    auto calls = p.host.Calls();
    ASSERT_EQ(calls.size(), 1u); // the version question and nothing else
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
}

TEST(PluginStart, NoCallbackGetsNothing) {
    LoadedPlugin p;
    EXPECT_FALSE(p.host.InstantiateWithoutCallback());
    EXPECT_EQ(p.host.Effect(), nullptr);
}

TEST(PluginStart, HostDetectionDecidesStartUp) {
    struct Case {
        const char* product;
        bool starts;
        const char* message;
    } cases[] = {
        {"Usine", false, "Moravox: Failed to load plugin\n(Reason: Host not supported (Usine))\n"},
        {"Samplitude Usine", true, ""},
        {"Cubase VST", true, ""},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        HostAnswers answers;
        answers.product = c.product;
        LoadedPlugin p(answers);
        testing::internal::CaptureStderr();
        bool started = p.host.Instantiate();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(started, c.starts) << c.product;
        EXPECT_EQ(err, c.message) << c.product;
    }
}

TEST(PluginExports, OnlyTheTwoEntryPoints) {
    std::string command = std::string("nm -D --defined-only ") + MORAVOX_PLUGIN_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> functions;
    char line[512];
    while (fgets(line, sizeof(line), pipe)) {
        char type = 0;
        char name[400] = {};
        if (sscanf(line, "%*s %c %399s", &type, name) == 2 && (type == 'T' || type == 'W'))
            functions.insert(name);
    }
    pclose(pipe);
    EXPECT_EQ(functions, (std::set<std::string>{"main", "VSTPluginMain"}));
}

TEST(PluginAudio, PassesBothChannelsThrough) {
    LoadedPlugin p;
    ASSERT_TRUE(p.host.Instantiate());
    p.host.Open();
    p.host.Resume();
    float inL[64], inR[64], outL[64], outR[64];
    for (int i = 0; i < 64; i++) {
        inL[i] = static_cast<float>(i);
        inR[i] = -static_cast<float>(i);
        outL[i] = outR[i] = 1.0f;
    }
    float* in[] = {inL, inR};
    float* out[] = {outL, outR};
    p.host.ProcessReplacing(in, out, 64);
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(outL[i], inL[i]);
        EXPECT_EQ(outR[i], inR[i]);
    }
    p.host.Process(in, out, 64); // accumulating
    for (int i = 0; i < 64; i++) EXPECT_EQ(outL[i], 2 * inL[i]);
    p.host.ProcessReplacing(in, in, 64); // in place
    EXPECT_EQ(inL[10], 10.0f);
    p.host.ProcessReplacing(nullptr, out, 64);
    p.host.ProcessReplacing(in, out, -1);
    EXPECT_EQ(outL[10], 20.0f);
}

} // namespace
