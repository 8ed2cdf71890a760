#include "host/fake_plugin_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>
#include "engine/program/parameter_table.h"

using moravox::host::Host;
using moravox::host::HostAnswers;
using moravox::host::HostCall;

using namespace velk::engine; // the parameter names

namespace {

HostAnswers WithProduct(const std::string& product) {
    HostAnswers answers;
    answers.product = product;
    return answers;
}

VstMidiEvent Note(int note, int velocity, int delta) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(0x90);
    event.midiData[1] = static_cast<char>(note);
    event.midiData[2] = static_cast<char>(velocity);
    return event;
}

// Runs one block; true when the fake passed the audio through.
bool RunBlock(Host& host) {
    float left[8] = {1, 2, 3}, right[8] = {4, 5, 6}, outLeft[8] = {}, outRight[8] = {};
    float* in[2] = {left, right};
    float* out[2] = {outLeft, outRight};
    host.ProcessReplacing(in, out, 8);
    return outLeft[2] == 3.0f && outRight[0] == 4.0f;
}

} // namespace

TEST_F(FakePluginTest, EntryAsksVersionAndIsAnsweredBeforeTheRecordIsKnown) {
    Host host(library, WithProduct("Alpha"));
    ASSERT_TRUE(host.Instantiate()) << host.Error();
    ASSERT_NE(host.Effect(), nullptr);
    EXPECT_EQ(host.Effect()->magic, kEffectMagic);
    const std::vector<HostCall> calls = host.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_FALSE(calls[0].hasPtr);
    EXPECT_EQ(calls[0].answer, 2400);
    EXPECT_EQ(Ask(host, fake::kAskHostProduct), "Alpha");
}

TEST_F(FakePluginTest, InstantiationFailuresAreReported) {
    struct Case {
        const char* name;
        int mode;
        HostAnswers answers;
        std::string reason;
    };
    HostAnswers zeroVersion;
    zeroVersion.version = 0;
    HostAnswers silent;
    silent.answerZero = true;
    const Case cases[] = {
        {"version 0", 0, zeroVersion, "returned no effect"},
        {"answers 0", 0, silent, "returned no effect"},
        {"refusing", fake::kModeRefuse, HostAnswers(), "returned no effect"},
        {"bad magic", fake::kModeBadMagic, HostAnswers(), "bad magic number 0x12345678"},
    };
    for (const Case& c : cases) {
        SetMode(c.mode);
        Host host(library, c.answers);
        EXPECT_FALSE(host.Instantiate()) << c.name;
        EXPECT_EQ(host.Effect(), nullptr) << c.name;
        EXPECT_NE(host.Error().find(c.reason), std::string::npos) << c.name << ": " << host.Error();
        EXPECT_EQ(host.Dispatch(effGetVendorVersion), 0) << c.name;
    }
}

TEST_F(FakePluginTest, InstantiatesOnlyOnceAndNotFromABrokenLibrary) {
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    EXPECT_FALSE(host.Instantiate());
    EXPECT_NE(host.Error().find("already"), std::string::npos);

    moravox::host::PluginLibrary missing("/nonexistent/x.so");
    Host orphan(missing);
    EXPECT_FALSE(orphan.Instantiate());
    EXPECT_EQ(orphan.Error(), missing.Error());
}

TEST_F(FakePluginTest, NullCallbackGivesAPlugInThatCannotReachTheHost) {
    Host host(library);
    ASSERT_TRUE(host.InstantiateWithoutCallback());
    host.Resume();
    EXPECT_EQ(Ask(host, fake::kAskDirectory), "(null)");
    host.SetParameter(P_FORMAT, 0.1f);
    EXPECT_EQ(host.Calls().size(), 0u);
}

TEST_F(FakePluginTest, CallsReachTheInstanceThatMadeThem) {
    Host alpha(library, WithProduct("Alpha"));
    Host beta(library, WithProduct("Beta"));
    ASSERT_TRUE(alpha.Instantiate());
    ASSERT_TRUE(beta.Instantiate());
    EXPECT_EQ(Ask(alpha, fake::kAskHostProduct), "Alpha");
    EXPECT_EQ(Ask(beta, fake::kAskHostProduct), "Beta");
    alpha.ClearCalls();
    beta.ClearCalls();

    alpha.SetParameter(P_FORMAT_IN, 0.75f);
    beta.SendMidi({Note(60, 100, 0)});
    EXPECT_TRUE(RunBlock(beta));

    const std::vector<HostCall> automated = alpha.Calls(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 1);
    EXPECT_EQ(automated[0].opt, 0.75f);
    EXPECT_EQ(alpha.GetParameter(P_FORMAT_IN), 0.75f);
    EXPECT_EQ(alpha.CallCount(audioMasterProcessEvents), 0u);
    EXPECT_EQ(beta.CallCount(audioMasterAutomate), 0u);
    EXPECT_EQ(beta.CallCount(audioMasterProcessEvents), 1u);
}

TEST_F(FakePluginTest, ProcessEventsAreLoggedAsCopies) {
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    EXPECT_EQ(host.SendMidi({Note(60, 100, 0), Note(64, 90, 3), Note(67, 80, 7)}), 1);
    EXPECT_TRUE(RunBlock(host));
    EXPECT_TRUE(RunBlock(host)); // nothing pending: no second hand-over
    // The fake wipes its buffer after handing it over, so only a copy still holds the notes.
    const std::vector<HostCall> calls = host.Calls(audioMasterProcessEvents);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].answer, 1);
    ASSERT_EQ(calls[0].midi.size(), 3u);
    const int notes[] = {61, 65, 68}, velocities[] = {100, 90, 80}, deltas[] = {0, 3, 7};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[0].midi[i].type, kVstMidiType);
        EXPECT_EQ(calls[0].midi[i].midiData[1], notes[i]);
        EXPECT_EQ(calls[0].midi[i].midiData[2], velocities[i]);
        EXPECT_EQ(calls[0].midi[i].deltaFrames, deltas[i]);
    }
    host.SendMidi({});
    EXPECT_TRUE(RunBlock(host));
    EXPECT_EQ(host.CallCount(audioMasterProcessEvents), 1u);
}

TEST_F(FakePluginTest, CallsFromSeveralPlugInThreadsAreAllLogged) {
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    host.ClearCalls();
    EXPECT_EQ(host.Dispatch(effVendorSpecific, fake::kAutomateFromThreads, 4), 1);
    EXPECT_EQ(host.CallCount(audioMasterAutomate), 400u);
    std::map<VstInt32, int> perThread;
    for (const HostCall& call : host.Calls()) ++perThread[call.index];
    EXPECT_EQ(perThread, (std::map<VstInt32, int>{{0, 100}, {1, 100}, {2, 100}, {3, 100}}));
}

TEST_F(FakePluginTest, CanDoAnswersFollowTheSettings) {
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    auto ask = [&host](const char* text) {
        std::string copy = text;
        return host.Dispatch(effVendorSpecific, fake::kAskHostCanDo, 0, copy.data());
    };
    EXPECT_EQ(ask("sendVstEvents"), 1);
    EXPECT_EQ(ask("receiveVstMidiEvent"), 1);
    EXPECT_EQ(ask("sizeWindow"), 1);
    EXPECT_EQ(ask("offline"), 0);
    EXPECT_EQ(ask("sendVstTimeInfo"), 0);

    HostAnswers answers = host.Answers();
    answers.canDo["offline"] = 1;
    answers.canDo["sizeWindow"] = -1;
    host.SetAnswers(answers);
    EXPECT_EQ(ask("offline"), 1);
    EXPECT_EQ(ask("sizeWindow"), -1);

    const std::vector<HostCall> calls = host.Calls(audioMasterCanDo);
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[3].text, "offline");
    EXPECT_EQ(calls[3].answer, 0);
}

TEST_F(FakePluginTest, DirectoryAnswer) {
    struct Case {
        const char* name;
        std::optional<std::string> directory;
        bool null;
        std::string expected;
    };
    const std::string own = library.Directory();
    const Case cases[] = {
        {"default", std::nullopt, false, own},
        {"set", std::string("/opt/vst/"), false, "/opt/vst/"},
        {"null", std::nullopt, true, "(null)"},
    };
    for (const Case& c : cases) {
        HostAnswers answers;
        answers.directory = c.directory;
        answers.nullDirectory = c.null;
        Host host(library, answers);
        ASSERT_TRUE(host.Instantiate());
        host.Resume();
        EXPECT_EQ(Ask(host, fake::kAskDirectory), c.expected) << c.name;
        EXPECT_EQ(host.CallCount(audioMasterWantMidi), 1u) << c.name;
    }
}

TEST_F(FakePluginTest, TextsHandedToThePlugInKeepTheSixtyFourByteLimit) {
    Host host(library, WithProduct(std::string(100, 'p')));
    ASSERT_TRUE(host.Instantiate());
    EXPECT_EQ(Ask(host, fake::kAskHostProduct), std::string(63, 'p'));
}

TEST_F(FakePluginTest, OpenSetsTheBlockSizeFromTheAnswers) {
    HostAnswers answers;
    answers.blockSize = 512;
    Host host(library, answers);
    ASSERT_TRUE(host.Instantiate());
    host.Open();
    EXPECT_EQ(host.Dispatch(effVendorSpecific, fake::kAskBlockSize), 512);
}

TEST_F(FakePluginTest, TextQueries) {
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    EXPECT_EQ(host.ParameterName(0), "Gain");
    EXPECT_EQ(host.ParameterDisplay(0), "0.50");
    EXPECT_EQ(host.ParameterLabel(0), "dB");
    EXPECT_EQ(host.ParameterLabel(1), "");
    EXPECT_EQ(host.GetString(effGetEffectName), "Fake Effect");
    EXPECT_EQ(host.ProgramName(2), "Dark");
    EXPECT_EQ(host.CanDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(host.CanDo("offline"), -1);
    const std::optional<ERect> rect = host.EditorRect();
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->bottom, 120);
    EXPECT_EQ(rect->right, 300);
}

TEST_F(FakePluginTest, ProgramNamesWithoutIndexedAnswerLeaveTheProgramAlone) {
    SetMode(fake::kModeNoIndexedNames);
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    host.Dispatch(effSetProgram, 0, 1);
    const std::string expected[] = {"Init", "Bright", "Dark", "Wide"};
    for (int i = 0; i < fake::kNumPrograms; ++i) EXPECT_EQ(host.ProgramName(i), expected[i]);
    EXPECT_EQ(host.Dispatch(effGetProgram), 1);
}

TEST_F(FakePluginTest, CloseDestroysTheRecordAndTheHostStopsUsingIt) {
    const int before = LiveInstances();
    {
        Host host(library);
        ASSERT_TRUE(host.Instantiate());
        EXPECT_EQ(LiveInstances(), before + 1);
        host.Close();
        EXPECT_EQ(LiveInstances(), before);
        EXPECT_EQ(host.Effect(), nullptr);
        // Every driver is now a no-op rather than a use of freed memory.
        EXPECT_EQ(host.Dispatch(effGetVendorVersion), 0);
        host.SetParameter(P_FORMAT, 1.0f);
        EXPECT_EQ(host.GetParameter(P_FORMAT), 0.0f);
        EXPECT_FALSE(RunBlock(host));
        host.Close();
    }
    {
        Host host(library);
        ASSERT_TRUE(host.Instantiate());
        host.Open();
        host.Resume();
        EXPECT_EQ(LiveInstances(), before + 1);
    }
    EXPECT_EQ(LiveInstances(), before);
}
