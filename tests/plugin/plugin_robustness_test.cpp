#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "plugin_test_util.h"
#include "support/wait.h"

namespace {

using moravox::host::HostAnswers;
using testutil::LoadedPlugin;

using support::ThreadCount;

// Every opcode with junk arguments, in every state a host may call it. Opcodes
// whose value or pointer must point at the host's own memory get a real buffer
// (a host cannot hand over anything else without crashing itself).
void Hammer(moravox::host::Host& host) {
    alignas(16) char buffer[1024];
    const VstIntPtr values[] = {0, 1, -1, 31, 32, 0x7fffffff};
    const VstInt32 indices[] = {0, -1, 15, 16, 1000};
    for (VstInt32 op = 0; op < 128; op++) {
        if (op == effClose || op == effMainsChanged || op == effEditOpen) continue;
        for (VstIntPtr value : values) {
            if ((op == effSetSpeakerArrangement || op == effGetSpeakerArrangement) && value != 0)
                continue;
            for (VstInt32 index : indices) {
                host.Dispatch(op, index, value, nullptr, NAN);
                memset(buffer, 0, sizeof(buffer));
                // A chunk pointer must come with a size that fits it.
                if (op == effSetChunk && (value < 0 || value > 1024)) continue;
                host.Dispatch(op, index, value, buffer, -1.0f);
                host.Dispatch(op, index, value, buffer, INFINITY);
            }
        }
    }
    host.SetParameter(-1, 0.5f);
    host.SetParameter(16, NAN);
    host.SetParameter(1000, INFINITY);
    host.GetParameter(-1);
    host.GetParameter(1 << 30);
}

TEST(PluginRobustness, AnyOpcodeWithAnyArgumentsInAnyState) {
    LoadedPlugin p;
    ASSERT_TRUE(p.host.Instantiate());
    Hammer(p.host); // before effOpen
    p.host.Open();
    Hammer(p.host);
    p.host.Resume();
    Hammer(p.host);
    p.host.Suspend();
    Hammer(p.host); // after suspend
    EXPECT_EQ(p.host.Effect()->magic, FourCC('V', 's', 't', 'P'));
    p.host.Close();
}

TEST(PluginRobustness, HostThatAnswersNothing) {
    HostAnswers answers;
    answers.answerZero = true;
    answers.version = 2400; // zero here would refuse start-up before anything else happens
    LoadedPlugin p(answers);
    // answerZero also silences the version question: start-up stops there.
    EXPECT_FALSE(p.host.Instantiate());
    HostAnswers quiet;
    quiet.product = "";
    quiet.vendor = "";
    quiet.vendorVersion = 0;
    quiet.nullDirectory = true;
    quiet.canDo.clear();
    quiet.sampleRate = 0;
    quiet.blockSize = 0;
    LoadedPlugin q(quiet);
    ASSERT_TRUE(q.host.Instantiate());
    q.host.Open();
    q.host.Resume();
    Hammer(q.host);
    q.host.Close();
}

TEST(PluginRobustness, InstancesAreIndependent) {
    LoadedPlugin a;
    moravox::host::Host b(a.library);
    ASSERT_TRUE(a.host.Instantiate());
    ASSERT_TRUE(b.Instantiate());
    EXPECT_NE(a.host.Effect(), b.Effect());
    a.host.Dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(a.host.Dispatch(effGetProgram), 5);
    EXPECT_EQ(b.Dispatch(effGetProgram), 0);
    a.host.Close();
    EXPECT_EQ(b.Dispatch(effGetProgram), 0);
}

// A host that scans plug-ins loads and unloads each one many times in one process.
TEST(PluginLifecycle, TwoHundredLoadsLeaveNothingBehind) {
    const int before = ThreadCount();
    for (int i = 0; i < 200; i++) {
        moravox::host::PluginLibrary library(MORAVOX_PLUGIN_PATH);
        ASSERT_TRUE(library.Loaded()) << library.Error();
        moravox::host::Host host(library);
        ASSERT_TRUE(host.Instantiate()) << host.Error();
        host.Open();
        host.Resume();
        host.Suspend();
        host.Close();
    }
    EXPECT_EQ(ThreadCount(), before);
    // Unloaded for real: nothing keeps the library mapped.
    void* handle = dlopen(MORAVOX_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(handle, nullptr);
    if (handle) dlclose(handle);
}

} // namespace
