#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "plugin/protocol/audioeffectx.h"

namespace {

int destroyed = 0;

struct KeyEditor : AEffEditor {
    explicit KeyEditor(AudioEffect* e) : AEffEditor(e) {}
    VstInt32 onKeyDown(VstKeyCode& key) override {
        last = key;
        return 7;
    }
    VstInt32 onKeyUp(VstKeyCode& key) override {
        last = key;
        return 8;
    }
    VstKeyCode last{};
};

// A bare protocol object that remembers what the dispatcher asked of it.
class Probe : public AudioEffectX {
public:
    explicit Probe(audioMasterCallback master = nullptr) : AudioEffectX(master, 4, 3) {}
    ~Probe() override { destroyed++; }
    void process(float**, float**, VstInt32) override {}
    void setProgram(VstInt32 program) override {
        programs.push_back(program);
        AudioEffectX::setProgram(program);
    }
    void setParameter(VstInt32 index, float value) override {
        lastIndex = index;
        lastValue = value;
    }
    float getVu() override { return vu; }
    void setEditor(AEffEditor* e) { editor = e; }

    std::vector<VstInt32> programs;
    VstInt32 lastIndex = -1;
    float lastValue = 0;
    float vu = 0;
};

VstIntPtr Dispatch(Probe& p, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0) {
    AEffect* e = p.getAeffect();
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

TEST(Dispatcher, RecordDefaults) {
    Probe p;
    AEffect* e = p.getAeffect();
    EXPECT_EQ(e->magic, FourCC('V', 's', 't', 'P'));
    EXPECT_EQ(e->object, &p);
    EXPECT_EQ(e->numPrograms, 4);
    EXPECT_EQ(e->numParams, 3);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->uniqueID, FourCC('N', 'o', 'E', 'f'));
    EXPECT_EQ(e->version, 1);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->reservedProc, nullptr);
    for (char c : e->future) EXPECT_EQ(c, 0);
    EXPECT_FLOAT_EQ(p.getSampleRate(), 44100.0f);
    EXPECT_EQ(p.getBlockSize(), 1024);
}

TEST(Dispatcher, SetProgramOnlyWithinTheTable) {
    Probe p;
    Dispatch(p, effSetProgram, 0, 4);  // equal to numPrograms: ignored
    Dispatch(p, effSetProgram, 0, -1); // negative: ignored, it would index outside the table
    Dispatch(p, effSetProgram, 0, 3);
    Dispatch(p, effSetProgram, 0, 0);
    EXPECT_EQ(p.programs, (std::vector<VstInt32>{3, 0}));
    Dispatch(p, effSetProgram, 0, 2);
    EXPECT_EQ(Dispatch(p, effGetProgram), 2);
}

TEST(Dispatcher, FixedAnswers) {
    Probe p;
    p.vu = 0.5f;
    EXPECT_EQ(Dispatch(p, effGetVu), 16383);
    p.vu = NAN;
    EXPECT_EQ(Dispatch(p, effGetVu), 0);
    EXPECT_EQ(Dispatch(p, effKeysRequired), 1);
    EXPECT_EQ(Dispatch(p, effIdentify, 99, 99, &p, 3.0f), FourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(Dispatch(p, effGetVstVersion), 2300);
    EXPECT_EQ(Dispatch(p, effGetNumProgramCategories), 1);
    EXPECT_EQ(Dispatch(p, effCanBeAutomated, 1), 1);
    EXPECT_EQ(Dispatch(p, effConnectInput, 0, 1), 1);
    EXPECT_EQ(Dispatch(p, effConnectOutput, 0, 1), 1);
    EXPECT_EQ(Dispatch(p, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
    EXPECT_EQ(p.getBlockSize(), 512);
    EXPECT_FLOAT_EQ(p.getSampleRate(), 96000.0f);
    EXPECT_EQ(Dispatch(p, effGetCurrentMidiProgram), -1);
    EXPECT_EQ(Dispatch(p, effSetTotalSampleToProcess, 0, 1234), 1234);
    EXPECT_EQ(Dispatch(p, effGetPlugCategory), kPlugCategUnknown);
    p.isSynth(true);
    EXPECT_EQ(Dispatch(p, effGetPlugCategory), kPlugCategSynth);
}

TEST(Dispatcher, EveryOpcodeSurvivesNullAndJunkArguments) {
    Probe p;
    // Opcodes whose default answer is not 0 even with a null pointer.
    auto nonZero = [](VstInt32 op) {
        return op == effIdentify || op == effCanBeAutomated || op == effGetNumProgramCategories ||
               op == effConnectInput || op == effConnectOutput || op == effKeysRequired ||
               op == effGetVstVersion || op == effGetCurrentMidiProgram ||
               op == effSetBlockSizeAndSampleRate || op == effSetTotalSampleToProcess;
    };
    for (VstInt32 op = 0; op < 200; op++) {
        if (op == effClose) continue;
        // These two read a pointer out of the value: only null is junk we can survive.
        const bool valueIsPointer =
            op == effSetSpeakerArrangement || op == effGetSpeakerArrangement;
        const VstIntPtr junk[] = {0, -1, 0x7fffffff};
        for (VstIntPtr value : junk) {
            if (valueIsPointer && value != 0) continue;
            VstIntPtr r = Dispatch(p, op, -5, value, nullptr, NAN);
            if (op >= effNumOpcodes || (!nonZero(op) && op != effGetProgram)) {
                EXPECT_EQ(r, 0) << "opcode " << op;
            }
        }
    }
}

TEST(Dispatcher, DefaultStringOperationsWriteEmptyText) {
    Probe p;
    const VstInt32 ops[] = {effGetProgramName, effGetParamLabel, effGetParamDisplay,
                            effGetParamName};
    for (VstInt32 op : ops) {
        char text[64];
        memset(text, 'x', sizeof(text));
        EXPECT_EQ(Dispatch(p, op, 0, 0, text), 0);
        EXPECT_EQ(text[0], '\0') << op;
        EXPECT_EQ(text[1], 'x') << op; // nothing beyond the terminator
    }
}

TEST(Dispatcher, CloseDestroysTheObject) {
    destroyed = 0;
    Probe* p = new Probe();
    AEffect* e = p->getAeffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0), 1);
    EXPECT_EQ(destroyed, 1);
}

TEST(Dispatcher, KeyOpcodesBuildTheKeyCode) {
    Probe p;
    EXPECT_EQ(Dispatch(p, effEditKeyDown, 'a', 0x1ff, nullptr, 3.9f), 0); // no editor yet
    auto* editor = new KeyEditor(&p);
    p.setEditor(editor);
    EXPECT_EQ(Dispatch(p, effEditKeyDown, 'a', 0x1ff, nullptr, 3.9f), 7);
    EXPECT_EQ(editor->last.character, 'a');
    EXPECT_EQ(editor->last.virt, 0xff);
    EXPECT_EQ(editor->last.modifier, 3);
    EXPECT_EQ(Dispatch(p, effEditKeyUp, 'b', 2, nullptr, NAN), 8);
    EXPECT_EQ(editor->last.modifier, 0);
    ERect* rect = reinterpret_cast<ERect*>(1);
    EXPECT_EQ(Dispatch(p, effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
}

// A host callback that records its calls and answers a fixed value.
struct Recorded {
    VstInt32 opcode, index;
    VstIntPtr value;
    void* ptr;
    float opt;
};
std::vector<Recorded> calls;
VstIntPtr answer = 0;
VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    calls.push_back({opcode, index, value, ptr, opt});
    return answer;
}

TEST(HostCalls, DefaultsWithoutCallback) {
    Probe p(nullptr);
    EXPECT_EQ(p.getMasterVersion(), 1);
    EXPECT_TRUE(p.isInputConnected(0));
    EXPECT_TRUE(p.isOutputConnected(1));
    EXPECT_FALSE(p.sendVstEventsToHost(nullptr));
    EXPECT_EQ(p.getDirectory(), nullptr);
    EXPECT_DOUBLE_EQ(p.updateSampleRate(), 44100.0);
    EXPECT_EQ(p.updateBlockSize(), 1024);
    p.setParameterAutomated(2, 0.25f);
    EXPECT_EQ(p.lastIndex, 2);
}

TEST(HostCalls, OpcodesAndArguments) {
    calls.clear();
    answer = 1;
    Probe p(Master);
    char text[64] = {};
    p.wantEvents(1);
    p.sizeWindow(200, 245);
    p.getHostProductString(text);
    p.beginEdit(5);
    p.setParameterAutomated(3, 0.75f);
    p.isOutputConnected(4);
    struct Expect {
        VstInt32 opcode, index;
        VstIntPtr value;
        bool ptr;
        float opt;
    } expected[] = {
        {audioMasterWantMidi, 0, 1, false, 0},        {audioMasterSizeWindow, 200, 245, false, 0},
        {audioMasterGetProductString, 0, 0, true, 0}, {audioMasterBeginEdit, 5, 0, false, 0},
        {audioMasterAutomate, 3, 0, false, 0.75f},    {audioMasterPinConnected, 4, 1, false, 0},
    };
    ASSERT_EQ(calls.size(), std::size(expected));
    for (size_t i = 0; i < calls.size(); i++) {
        EXPECT_EQ(calls[i].opcode, expected[i].opcode) << i;
        EXPECT_EQ(calls[i].index, expected[i].index) << i;
        EXPECT_EQ(calls[i].value, expected[i].value) << i;
        EXPECT_EQ(calls[i].ptr != nullptr, expected[i].ptr) << i;
        EXPECT_FLOAT_EQ(calls[i].opt, expected[i].opt) << i;
    }
    EXPECT_EQ(p.lastIndex, 3);            // automation sets the plug-in's own parameter first
    EXPECT_FALSE(p.isOutputConnected(0)); // a non-zero answer means "not connected"
}

TEST(HostCalls, AnswersAreInterpreted) {
    calls.clear();
    Probe p(Master);
    answer = 0;
    EXPECT_EQ(p.getMasterVersion(), 1);
    EXPECT_FALSE(p.openFileSelector(nullptr));
    EXPECT_TRUE(calls.size() == 1); // only the version call reached the host
    answer = 2;
    EXPECT_FALSE(p.sendVstEventsToHost(nullptr)); // only an answer of 1 counts
    answer = 96000;
    EXPECT_DOUBLE_EQ(p.updateSampleRate(), 96000.0);
    answer = -5;
    EXPECT_DOUBLE_EQ(p.updateSampleRate(), 96000.0);
    EXPECT_EQ(p.updateBlockSize(), 1024);
    answer = 64;
    EXPECT_EQ(p.updateBlockSize(), 64);
}

TEST(SpeakerArrangements, AllocateMatchAndFree) {
    Probe p;
    VstSpeakerArrangement* from = nullptr;
    ASSERT_TRUE(p.allocateArrangement(&from, 10));
    from->type = 7;
    VstSpeakerProperties* speakers = from->speakers;
    for (int i = 0; i < 10; i++) {
        speakers[i].azimuth = static_cast<float>(i);
        snprintf(speakers[i].name, sizeof(speakers[i].name), "speaker %d", i);
    }
    VstSpeakerArrangement* to = nullptr;
    EXPECT_FALSE(p.matchArrangement(&to, nullptr));
    ASSERT_TRUE(p.matchArrangement(&to, from));
    EXPECT_EQ(to->numChannels, 10);
    EXPECT_EQ(to->type, 7);
    VstSpeakerProperties* copied = to->speakers;
    EXPECT_FLOAT_EQ(copied[9].azimuth, 9.0f);
    EXPECT_STREQ(copied[9].name, "speaker 9");
    EXPECT_FALSE(p.copySpeaker(nullptr, copied));
    VstSpeakerArrangement* in = from;
    VstSpeakerArrangement* out = to;
    EXPECT_FALSE(Dispatch(p, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out));
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(p.deallocateArrangement(&from));
    EXPECT_TRUE(p.deallocateArrangement(&to));
    EXPECT_EQ(to, nullptr);
}

} // namespace
