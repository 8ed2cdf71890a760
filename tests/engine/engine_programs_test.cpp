#include <algorithm>
#include <cstring>
#include <string>

#include "engine/vstplugin.h"
#include "engine_fixture.h"
#include "engine/program/parameter_table.h"

using namespace velk::engine; // the parameter names

namespace {

using Bytes = std::vector<unsigned char>;

class Programs : public testutil::Engine {
protected:
    Bytes Chunk(bool program) {
        void* data = nullptr;
        const VstIntPtr size = host.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return Bytes(bytes, bytes + size);
    }
    VstIntPtr Load(Bytes chunk, bool program) {
        return host.Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                             chunk.data());
    }
    static int32_t Word(const Bytes& b, size_t offset) {
        int32_t v;
        memcpy(&v, &b[offset], 4);
        return v;
    }
    static void SetWord(Bytes& b, size_t offset, int32_t v) { memcpy(&b[offset], &v, 4); }
};

TEST_F(Programs, DefaultNamesAndIndexedLookup) {
    EXPECT_EQ(host.ProgramName(0), "01 - empty preset");
    EXPECT_EQ(host.ProgramName(8), "09 - empty preset");
    EXPECT_EQ(host.ProgramName(9), "10 - empty preset");
    EXPECT_EQ(host.ProgramName(31), "32 - empty preset");
    char text[64] = "untouched";
    for (VstInt32 bad : {32, -1, -1000}) {
        EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, bad, 0, text), 0) << bad;
        EXPECT_STREQ(text, "untouched");
    }
}

// A host's buffer may be as small as the 24 characters hosts have long used: a name writes
// itself and its terminator, nothing past them.
TEST_F(Programs, ANameWritesNothingPastItsEnd) {
    for (const VstInt32 opcode : {effGetProgramName, effGetProgramNameIndexed}) {
        char text[64];
        std::memset(text, 'x', sizeof text);
        host.Dispatch(opcode, 3, 0, text);
        const size_t length = std::strlen("04 - empty preset");
        EXPECT_EQ(std::string(text), opcode == effGetProgramName ? "01 - empty preset"
                                                                  : "04 - empty preset");
        EXPECT_EQ(std::string(text + length + 1, 8), std::string(8, 'x')) << opcode;
    }
}

TEST_F(Programs, LongNamesAreCutWithoutTouchingTheHostsText) {
    std::string name(60, 'x');
    name[50] = 'y';
    std::string original = name;
    host.Dispatch(effSetProgramName, 0, 0, name.data());
    EXPECT_EQ(name, original);
    EXPECT_EQ(host.GetString(effGetProgramName), std::string(47, 'x'));
}

TEST_F(Programs, ProgramChunkRoundTripsByteForByte) {
    Set(P_CHANNEL_MIN, 0.4f);
    Set(P_EVERY_NTH, 0.3f);
    host.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("Stored"));
    Bytes chunk = Chunk(true);
    ASSERT_EQ(chunk.size(), 220u);
    chunk[58] = 0xAB; // alignment and reserved bytes travel untouched
    chunk[200] = 0xCD;
    host.Dispatch(effSetProgram, 0, 7);
    ASSERT_EQ(Load(chunk, true), 1);
    EXPECT_EQ(Chunk(true), chunk);
    EXPECT_EQ(host.GetString(effGetProgramName), "Stored");
    EXPECT_EQ(host.Dispatch(effGetProgram), 7);
    EXPECT_NEAR(Get(P_EVERY_NTH), 0.3f, 1e-6);
}

TEST_F(Programs, ChunkSizes) {
    Bytes program = Chunk(true);
    struct Case {
        size_t size;
        VstIntPtr result;
        bool message;
    } cases[] = {{220, 1, false}, {92, 1, false},  {221, 1, true}, {100, 0, false},
                 {0, 0, false},   {219, 0, false}, {4000, 1, true}};
    for (const Case& c : cases) {
        Bytes chunk(c.size, 0);
        std::copy_n(program.begin(), std::min(c.size, program.size()), chunk.begin());
        testing::internal::CaptureStderr();
        EXPECT_EQ(Load(chunk, true), c.result) << c.size;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("Failed to load program") != std::string::npos, c.message) << c.size;
    }
    testing::internal::CaptureStderr();
    Bytes bank = Chunk(false);
    ASSERT_EQ(bank.size(), 7040u);
    bank.resize(8000);
    EXPECT_EQ(Load(bank, false), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Moravox: Failed to load bank\n(Reason: Saved with newer version\n"
              "This version = 1.02\nSome settings will be lost !)\n");
    EXPECT_EQ(Load(Bytes(7039), false), 0);
    EXPECT_EQ(Load(Bytes(2945), false), 0);
    EXPECT_EQ(host.Dispatch(effSetChunk, 0, -1, bank.data()), 0);
    EXPECT_EQ(host.Dispatch(effSetChunk, 0, 7040, nullptr), 0);
}

TEST_F(Programs, OldBankKeepsTheAdvancedBlock) {
    Set(P_EVERY_NTH, 0.5f); // program 1: every 5th
    Set(P_RANDOMIZER, 0.0f);
    Bytes old(2944, 0);
    for (int i = 0; i < 32; i++) {
        std::string name = "old " + std::to_string(i);
        memcpy(&old[i * 92], name.c_str(), name.size() + 1);
        old[i * 92 + 48] = 1;         // format on
        SetWord(old, i * 92 + 72, 9); // channel max 9
    }
    ASSERT_EQ(Load(old, false), 1);
    EXPECT_EQ(host.ProgramName(0), "old 0");
    EXPECT_EQ(host.ProgramName(31), "old 31");
    EXPECT_EQ(Display(5), "9");
    EXPECT_NEAR(Get(P_EVERY_NTH), 0.5f, 1e-6);
    EXPECT_EQ(Get(P_RANDOMIZER), 0.0f);
    Bytes bank = Chunk(false);
    EXPECT_EQ(Word(bank, 220 + 92), 1); // program 2's every-Nth is still the default
}

TEST_F(Programs, DamagedChunksAreClampedIntoRange) {
    Bytes chunk = Chunk(true);
    memset(chunk.data(), 'A', 48); // no terminator
    chunk[48] = 7;                 // flag beyond 1
    SetWord(chunk, 60, -3);        // channel min
    SetWord(chunk, 72, 200);       // channel max
    SetWord(chunk, 76, 1000);      // number max
    SetWord(chunk, 84, 1000);      // formatIn
    SetWord(chunk, 88, -1);        // formatOut
    SetWord(chunk, 92, -5);        // every Nth
    SetWord(chunk, 96, 500);       // offset
    SetWord(chunk, 100, 11);       // event count
    SetWord(chunk, 104, 9);        // randomizer
    ASSERT_EQ(Load(chunk, true), 1);
    EXPECT_EQ(host.GetString(effGetProgramName), std::string(47, 'A'));
    Bytes stored = Chunk(true);
    EXPECT_EQ(stored[48], 1);
    EXPECT_EQ(Word(stored, 60), 0);
    EXPECT_EQ(Word(stored, 72), 15);
    EXPECT_EQ(Word(stored, 76), 127);
    EXPECT_EQ(Word(stored, 84), 22);
    EXPECT_EQ(Word(stored, 88), 0);
    EXPECT_EQ(Word(stored, 92), 0);
    EXPECT_EQ(Word(stored, 96), 100);
    EXPECT_EQ(Word(stored, 100), 10);
    EXPECT_EQ(Word(stored, 104), 2);
    for (int i = 0; i < 20; i++) {
        EXPECT_GE(Get(i), 0.0f) << i;
        EXPECT_LE(Get(i), 1.0f) << i;
    }
    // And what it sends is valid MIDI.
    Set(P_CHANNEL, 1.0f);
    Set(P_FORMAT_IN, 0.0f);
    for (const auto& e : Block({testutil::Midi(0x90, 60, 100)})) {
        EXPECT_GE(testutil::Status(e), 0x80);
        EXPECT_LT(testutil::Status(e) & 0x0F, 16);
    }
}

TEST_F(Programs, SetProgramIgnoresIndicesOutsideTheBank) {
    host.Dispatch(effSetProgram, 0, 4);
    host.Dispatch(effSetProgram, 0, 32);
    host.Dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(host.Dispatch(effGetProgram), 4);
}

// Copy and paste are not reached through the host protocol.
VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(CopyPaste, SettingsMoveTheNameStays) {
    int status = 0;
    VSTPlugin plugin(Master, status);
    plugin.pasteSelProgram(); // nothing copied yet: nothing changes
    EXPECT_EQ(plugin.getParameter(P_CHANNEL_MAX), 1.0f);
    plugin.setParameter(P_CHANNEL_MAX, 0.4f);
    plugin.setParameter(P_THRU, 1.0f);
    plugin.setParameter(P_EVERY_NTH, 0.7f);
    plugin.copySelProgram();
    plugin.setProgram(3);
    EXPECT_TRUE(plugin.NoteOffRequested()); // program 4 has Midi Through off
    char name[64];
    plugin.getProgramName(name);
    plugin.pasteSelProgram();
    EXPECT_NEAR(plugin.getParameter(P_CHANNEL_MAX), 6.0f / 15, 1e-6);
    EXPECT_NEAR(plugin.getParameter(P_EVERY_NTH), 0.7f, 1e-6);
    char after[64];
    plugin.getProgramName(after);
    EXPECT_STREQ(after, name);
}

} // namespace
