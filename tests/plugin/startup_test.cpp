#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../system/sys_test_util.h"
#include "plugin/entry/application.h"
#include "plugin/protocol/audioeffect.h"
#include "system/system.h"

namespace {

std::vector<VstInt32> calls;
VstIntPtr Master(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    calls.push_back(opcode);
    return opcode == audioMasterVersion ? 2400 : 0;
}

const char* const kCpuInfo = "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Test CPU\n"
                             "cpu MHz\t\t: 2400.000\nflags\t\t: fpu %s sse sse2\n";

struct Machine {
    const char* release;
    const char* flags;
    bool starts;
};

TEST(StartUp, MachineCheckDecidesBeforeAnyObjectExists) {
    const Machine machines[] = {
        {"3.10.0\n", "mmx", true},
        {"6.1.0-13-amd64\n", "mmx", true},
        {"2.4.20\n", "mmx", false},
        {"5.15.0\n", "nommxhere", true}, // "mmx" is a plain substring search
        {"5.15.0\n", "sse4", false},
        {nullptr, "mmx", true}, // a missing release leaves the kernel acceptable
    };
    for (const Machine& m : machines) {
        systest::TempRoot root;
        char cpuinfo[512];
        snprintf(cpuinfo, sizeof(cpuinfo), kCpuInfo, m.flags);
        root.Write("proc/cpuinfo", cpuinfo);
        root.Write("proc/sys/kernel/ostype", "Linux\n");
        if (m.release) root.Write("proc/sys/kernel/osrelease", m.release);
        velk::system::SSystemData system(root.Root());
        system.getOSInfos();
        system.getCPUInfos();

        calls.clear();
        testing::internal::CaptureStderr();
        AEffect* effect = StartPlugin(Master, &system);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(effect != nullptr, m.starts) << m.release << " " << m.flags;
        if (effect) {
            EXPECT_EQ(AudioEffect::FromRecord(effect)->getAeffect(), effect);
            EXPECT_EQ(err, "");
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
        } else {
            EXPECT_EQ(err, "Moravox: Failed to load plugin\n(Reason: System not supported\n"
                           "Please check the requirements)\n");
            EXPECT_EQ(calls, std::vector<VstInt32>{audioMasterVersion}); // nothing constructed
        }
    }
}

TEST(StartUp, NoMachineDataRefusesSafely) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(StartPlugin(Master, nullptr), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("System not supported"),
              std::string::npos);
    EXPECT_EQ(StartPlugin(nullptr, nullptr), nullptr);
}

} // namespace
