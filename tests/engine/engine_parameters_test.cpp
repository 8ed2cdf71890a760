#include <cmath>

#include "engine/vstplugin.h"
#include "engine_fixture.h"
#include "plugin/editor.h"
#include "engine/program/parameter_table.h"

using namespace velk::engine; // the parameter names

namespace {

class Parameters : public testutil::Engine {};

TEST_F(Parameters, NamesAsTheHostListsThem) {
    const char* names[] = {"OP: Format (enable)",  "OP: Format-IN",       "OP: Format-OUT",
                           "OP: Channel (enable)", "OP: Channel (min)",   "OP: Channel (max)",
                           "OP: Number (enable)",  "OP: Number (min)",    "OP: Number (max)",
                           "OP: Value (enable)",   "OP: Value (min)",     "OP: Value (max)",
                           "OP: Midi Through",     "OP: Midi In-Through", "AC: Midi Panic",
                           "OP: Preset Switching"};
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(host.ParameterName(i), names[i]);
        EXPECT_EQ(host.ParameterLabel(i), "");
    }
    for (int i : {16, 17, 20, 49, -1, 1000}) {
        EXPECT_EQ(host.ParameterName(i), "empty") << i;
        EXPECT_EQ(Display(i), "empty") << i;
    }
}

TEST_F(Parameters, StoredFormsAndDisplays) {
    struct Case {
        int index;
        float set;
        float get;
        const char* display;
    } cases[] = {
        {1, 0.5f, 0.5f, "Keys"},      {1, 1.0f / 22, 1.0f / 22, "N"},
        {1, 0.0f, 0.0f, "N+CC"},      {1, 2.0f / 22, 2.0f / 22, "CC"},
        {1, 1.0f, 1.0f, "Keys"},      {2, 0.5f, 1.0f, "PC"},
        {2, 0.49f, 0.0f, "CC"},       {4, 0.5f, 8.0f / 15, "8"},
        {5, 1.0f, 1.0f, "15"},        {4, 0.0f, 0.0f, "0"},
        {7, 0.5f, 64.0f / 127, "64"}, {11, 1.0f, 1.0f, "127"},
        {0, 0.2f, 0.0f, "Off"},       {0, 0.51f, 1.0f, "On"},
        {12, 1.0f, 1.0f, "On"},       {17, 0.35f, 0.4f, "empty"},
        {18, 0.255f, 0.26f, "empty"}, {19, 0.05f, 0.1f, "empty"},
        {20, 0.25f, 0.5f, "empty"},   {20, 0.8f, 1.0f, "empty"},
    };
    for (const Case& c : cases) {
        Set(c.index, c.set);
        EXPECT_NEAR(Get(c.index), c.get, 1e-6) << c.index << " <- " << c.set;
        EXPECT_EQ(Display(c.index), c.display) << c.index << " <- " << c.set;
    }
}

TEST_F(Parameters, ValuesOutsideZeroToOneChangeNothing) {
    Set(P_CHANNEL_MIN, 0.2f);
    const float before = Get(P_CHANNEL_MIN);
    for (float bad : {1.5f, -0.1f, NAN, INFINITY, -INFINITY}) {
        Set(P_CHANNEL_MIN, bad);
        Set(P_FORMAT, bad);
        EXPECT_EQ(Get(P_CHANNEL_MIN), before) << bad;
        EXPECT_EQ(Get(P_FORMAT), 1.0f) << bad;
    }
}

TEST_F(Parameters, PresetSwitchingIsOneSwitchDecidedByProgramOne) {
    Set(P_PRESET_SWITCHING, 1.0f);
    host.Dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(Get(P_PRESET_SWITCHING), 1.0f); // written into every program
    // A program chunk turns it off in program 4 only.
    void* chunk = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, 1, 0, &chunk);
    ASSERT_EQ(size, 220);
    std::vector<unsigned char> record(static_cast<const unsigned char*>(chunk),
                                      static_cast<const unsigned char*>(chunk) + size);
    record[53] = 0;
    ASSERT_EQ(host.Dispatch(effSetChunk, 1, size, record.data()), 1);
    EXPECT_EQ(Get(P_PRESET_SWITCHING), 0.0f);
    Set(P_PRESET_SWITCHING, 1.0f); // program 1 already has it on: nothing happens
    EXPECT_EQ(Get(P_PRESET_SWITCHING), 0.0f);
    Set(P_PRESET_SWITCHING, 0.0f); // off differs from program 1: every program turns off
    host.Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(Get(P_PRESET_SWITCHING), 0.0f);
}

TEST_F(Parameters, ProgramChangesKeepPanicAndPerProgramValues) {
    Set(P_NUMBER_MIN, 1.0f);
    Set(P_PANIC, 1.0f);
    host.Dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(Get(P_NUMBER_MIN), 0.0f);
    EXPECT_EQ(Get(P_PANIC), 1.0f);
    host.Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(Get(P_NUMBER_MIN), 1.0f);
}

// The editor is told about changes only while it is open, and only for real changes.
class Notification : public ::testing::Test {
protected:
    static VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
        return opcode == audioMasterVersion ? 2400 : 0;
    }
    void SetUp() override {
        plugin = new VSTPlugin(Master, status);
        editor = plugin->Editor();
        char window = 0;
        plugin->dispatcher(effEditOpen, 0, 0, &window, 0);
        editor->TakeUpdatedIndices();
        editor->TakeUpdateAll();
    }
    void TearDown() override { delete plugin; }

    int status = 0;
    VSTPlugin* plugin = nullptr;
    SPluginEditor* editor = nullptr;
};

TEST_F(Notification, ChangedParametersOnly) {
    plugin->setParameter(P_FORMAT, 0.7f); // already on
    plugin->setParameter(P_CHANNEL, 0.2f); // already off
    EXPECT_EQ(editor->TakeUpdatedIndices(), 0u);
    plugin->setParameter(P_CHANNEL, 0.9f);
    plugin->setParameter(P_CHANNEL_MIN, 0.5f);
    plugin->setParameter(P_CHANNEL_MIN, 0.5f); // integers notify without comparing
    EXPECT_EQ(editor->TakeUpdatedIndices(), (1u << 3) | (1u << 4));
    plugin->setParameter(P_PANIC, 1.0f);
    plugin->setParameter(P_PRESET_SWITCHING, 1.0f);
    plugin->setParameter(P_MANUAL_TRIGGER, 1.0f);
    EXPECT_EQ(editor->TakeUpdatedIndices(), 0u);
    plugin->setProgram(2);
    EXPECT_TRUE(editor->TakeUpdateAll());
    plugin->dispatcher(effEditClose, 0, 0, nullptr, 0);
    plugin->setParameter(P_CHANNEL, 0.0f);
    plugin->setProgram(1);
    EXPECT_EQ(editor->TakeUpdatedIndices(), 0u);
    EXPECT_FALSE(editor->TakeUpdateAll());
}

TEST_F(Notification, SwitchingThroughFlagsOffRequestsNoteOffs) {
    for (int index : {0, 12, 13}) {
        plugin->setProgram(0);
        plugin->setParameter(P_THRU, 1.0f); // a program with Through on does not request
        plugin->setProgram(0);
        plugin->setParameter(index, 1.0f);
        float* none[2] = {nullptr, nullptr};
        plugin->resume();
        for (int i = 0; i < 3; i++) plugin->processReplacing(none, none, 0);
        ASSERT_FALSE(plugin->NoteOffRequested()) << index;
        plugin->setParameter(index, 0.0f);
        EXPECT_TRUE(plugin->NoteOffRequested()) << index;
        for (int i = 0; i < 2; i++) plugin->processReplacing(none, none, 0);
        EXPECT_FALSE(plugin->NoteOffRequested()) << index; // served within two blocks
    }
}

} // namespace
