#include "system/system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sys_test_util.h"

using velk::system::SOperatingSystemData;
using velk::system::SProcessorData;
using velk::system::SSystemData;

namespace {

const char kCpuInfo[] = "processor\t: 0\n"
                        "vendor_id\t: AuthenticAMD\n"
                        "cpu family\t: 25\n"
                        "model name\t: AMD EPYC 7B13 64-Core Processor\n"
                        "cpu MHz\t\t: 2445.612\n"
                        "cpu cores\t: 4\n"
                        "flags\t\t: fpu vme mmx fxsr sse sse2 ht\n"
                        "\n"
                        "processor\t: 1\n";

void WriteKernel(const systest::TempRoot& root, const char* release) {
    root.Write("proc/sys/kernel/ostype", "Linux\n");
    root.Write("proc/sys/kernel/osrelease", std::string(release) + "\n");
    root.Write("proc/sys/kernel/version", "#1 SMP PREEMPT\n");
}

std::string CpuInfoWithFlags(const char* flags) {
    return std::string("processor\t: 0\nvendor_id\t: GenuineIntel\nflags\t\t: ") + flags + "\n";
}

// Everything written to the error stream while gathering from root.
std::string GatherErrors(const systest::TempRoot& root, SSystemData* data) {
    std::FILE* errors = std::tmpfile();
    SSystemData local(root.Root(), errors);
    local.getOSInfos();
    local.getCPUInfos();
    std::string text;
    std::rewind(errors);
    for (int c; (c = std::fgetc(errors)) != EOF;) text += static_cast<char>(c);
    std::fclose(errors);
    if (data) *data = local;
    return text;
}

} // namespace

TEST(SOperatingSystemData, KernelReleaseRule) {
    struct Case {
        const char* release;
        bool acceptable;
    };
    const Case cases[] = {
        {"2.4.20", false}, {"2.4", false},   {"2.2.14-5", false},        {"2.6.32-5", true},
        {"3.10.0", true},  {"5.15.0", true}, {"6.18.44-fc-v1300", true}, {"not a number", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SOperatingSystemData::ReleaseAcceptable(c.release), c.acceptable) << c.release;
}

TEST(SOperatingSystemData, ReadsTheThreeKernelFilesInOrder) {
    systest::TempRoot root;
    WriteKernel(root, "3.10.0");
    SOperatingSystemData os;
    EXPECT_TRUE(os.QueryFeatures(root.Root()));
    EXPECT_STREQ(os.Text(), "Linux\n3.10.0\n#1 SMP PREEMPT\n");
    EXPECT_TRUE(os.KernelAcceptable());
}

TEST(SOperatingSystemData, MissingReleaseLeavesTheKernelAcceptable) {
    systest::TempRoot root;
    root.Write("proc/sys/kernel/ostype", "Linux\n");
    SOperatingSystemData os;
    EXPECT_TRUE(os.QueryFeatures(root.Root()));
    EXPECT_STREQ(os.Text(), "Linux\n");
    EXPECT_TRUE(os.KernelAcceptable());

    systest::TempRoot empty;
    EXPECT_FALSE(os.QueryFeatures(empty.Root()));
    EXPECT_TRUE(os.KernelAcceptable());
}

TEST(SOperatingSystemData, LongTextsAreCutAtTheBuffer) {
    systest::TempRoot root;
    WriteKernel(root, "2.4.20");
    root.Write("proc/sys/kernel/version", std::string(1000, 'v'));
    SOperatingSystemData os;
    os.QueryFeatures(root.Root());
    const std::string text = os.Text();
    EXPECT_EQ(text.size(), SOperatingSystemData::kTextSize - 1);
    EXPECT_EQ(text.substr(0, 13), "Linux\n2.4.20\n");
    EXPECT_FALSE(os.KernelAcceptable());
}

TEST(SProcessorData, ParsesVendorModelClockAndCount) {
    SProcessorData cpu;
    cpu.Parse(kCpuInfo, 2);
    EXPECT_STREQ(cpu.Vendor(), "AuthenticAMD");
    EXPECT_STREQ(cpu.Model(), "AMD EPYC 7B13 64-Core Processor");
    EXPECT_EQ(cpu.Clock(), 2446);
    EXPECT_EQ(cpu.Count(), 4); // "processor : 0" names none, "cpu cores" does
    EXPECT_EQ(cpu.Features(),
              velk::system::FEATURE_MMX | velk::system::FEATURE_SSE | velk::system::FEATURE_SSE2);
}

TEST(SProcessorData, CountRule) {
    struct Case {
        const char* text;
        int online, expected;
    };
    const Case cases[] = {
        {"processor : 3\ncpu cores : 8\n", 2, 3}, // a numbered first processor wins
        {"processor : 0\ncpu cores : 8\n", 2, 8},
        {"processor : 0\n", 6, 6},                  // neither: the online processors
        {"vendor_id : Foo\ncpu cores : 8\n", 2, 0}, // no processor line: no count
    };
    for (const Case& c : cases) {
        SProcessorData cpu;
        cpu.Parse(c.text, c.online);
        EXPECT_EQ(cpu.Count(), c.expected) << c.text;
    }
}

TEST(SProcessorData, HyperThreadingFallbackCount) {
    const unsigned family15 = 15u << 8, family6 = 6u << 8, ht = 1u << 28;
    const unsigned fourLogical = 4u << 16, oneLogical = 1u << 16;
    EXPECT_EQ(SProcessorData::FallbackCount(1, family15, fourLogical, ht | 1), 4);
    EXPECT_EQ(SProcessorData::FallbackCount(1, family15, oneLogical, ht | 1), 1);
    EXPECT_EQ(SProcessorData::FallbackCount(2, family6, fourLogical, ht | 1), 2);
    EXPECT_EQ(SProcessorData::FallbackCount(2, family15, fourLogical, 1), 2);
    EXPECT_EQ(SProcessorData::FallbackCount(3, family15, fourLogical, 0), 3);
}

TEST(SProcessorData, LongVendorAndModelAreCut) {
    const std::string text =
        "vendor_id : " + std::string(400, 'V') + "\nmodel name : " + std::string(400, 'M') + "\n";
    SProcessorData cpu;
    cpu.Parse(text.c_str(), 1);
    EXPECT_EQ(std::string(cpu.Vendor()), std::string(SProcessorData::kTextSize - 1, 'V'));
    EXPECT_EQ(std::string(cpu.Model()), std::string(SProcessorData::kTextSize - 1, 'M'));
}

TEST(SProcessorData, OnlyTheStartOfCpuinfoIsExamined) {
    systest::TempRoot root;
    root.Write("proc/cpuinfo", "processor\t: 0\n" + std::string(3000, 'x') + "\nflags : mmx\n");
    SProcessorData cpu;
    EXPECT_TRUE(cpu.QueryRegistry(root.Root()));
    EXPECT_EQ(cpu.Features(), 0u);
}

TEST(SSystemData, QualifiesRule) {
    struct Case {
        const char* release;
        const char* flags;
        bool sse, sse2, expected;
    };
    const Case cases[] = {
        {"3.10.0", "fpu mmx", false, false, true},
        {"2.4.20", "fpu mmx sse sse2", false, false, false},
        {"3.10.0", "fpu sse sse2", false, false, false}, // sse2 without mmx
        {"3.10.0", "fpu vme", false, false, false},
        {"3.10.0", "mmx", true, false, false},
        {"3.10.0", "mmx sse", true, false, true},
        {"3.10.0", "mmx sse", false, true, false},
        {"3.10.0", "mmx sse2", false, true, true}, // "sse" is found inside "sse2"
    };
    for (const Case& c : cases) {
        systest::TempRoot root;
        WriteKernel(root, c.release);
        root.Write("proc/cpuinfo", CpuInfoWithFlags(c.flags));
        SSystemData data(root.Root());
        data.getOSInfos();
        data.getCPUInfos();
        EXPECT_EQ(data.Qualifies(c.sse, c.sse2), c.expected)
            << c.release << " / " << c.flags << " / " << c.sse << c.sse2;
        EXPECT_EQ(data.ErrorMessage(c.sse, c.sse2).empty(), c.expected);
    }
}

TEST(SSystemData, ReportsMissingAndEmptyCpuinfo) {
    systest::TempRoot missing;
    WriteKernel(missing, "3.10.0");
    SSystemData data;
    EXPECT_EQ(GatherErrors(missing, &data), "Error: Reading /proc/cpuinfo failed (not found).\n");
    EXPECT_FALSE(data.HasMMX());
    EXPECT_FALSE(data.Qualifies(false, false));

    systest::TempRoot empty;
    WriteKernel(empty, "3.10.0");
    empty.Write("proc/cpuinfo", "");
    EXPECT_EQ(GatherErrors(empty, &data), "Error: Reading /proc/cpuinfo failed (no data).\n");
    EXPECT_FALSE(data.Qualifies(false, false));

    systest::TempRoot fine;
    WriteKernel(fine, "3.10.0");
    fine.Write("proc/cpuinfo", kCpuInfo);
    EXPECT_EQ(GatherErrors(fine, &data), "");
    EXPECT_TRUE(data.Qualifies(false, false));
}

TEST(SSystemData, DescribesTheMachine) {
    systest::TempRoot root;
    WriteKernel(root, "5.15.0");
    root.Write("proc/cpuinfo", kCpuInfo);
    SSystemData data(root.Root());
    data.getOSInfos();
    data.getCPUInfos();
    EXPECT_EQ(data.SystemDescription(), "Linux\n5.15.0\n#1 SMP PREEMPT\n");
    EXPECT_EQ(data.ProcessorDescription(),
              "CPU Type: AuthenticAMD\nCPU Model: AMD EPYC 7B13 64-Core Processor\nCPU Count: 4");
    EXPECT_EQ(data.Clock(), 2446);
    EXPECT_EQ(data.Count(), 4);
    EXPECT_TRUE(data.HasMMX() && data.HasSSE() && data.HasSSE2());
    EXPECT_FALSE(data.Has3DNow());
    const std::string report = data.FeatureMessage();
    EXPECT_NE(report.find("AMD EPYC 7B13"), std::string::npos);
    EXPECT_NE(report.find("MMX SSE SSE2"), std::string::npos);
}

TEST(SSystemData, DisplayInformationIsGatheredOnce) {
    SSystemData data;
    EXPECT_FALSE(data.DisplayGathered());
    EXPECT_TRUE(data.getDisplayInfos(nullptr));
    EXPECT_FALSE(data.getDisplayInfos(nullptr));
    EXPECT_TRUE(data.DisplayGathered());
}

TEST(SSystemData, ThisMachineQualifies) {
    std::FILE* errors = std::tmpfile();
    SSystemData data("", errors);
    data.getOSInfos();
    data.getCPUInfos();
    EXPECT_EQ(std::ftell(errors), 0L);
    std::fclose(errors);
    EXPECT_TRUE(data.KernelAcceptable());
    EXPECT_TRUE(data.HasMMX());
    EXPECT_TRUE(data.Qualifies(false, false));
    EXPECT_GT(data.Count(), 0);
    EXPECT_NE(data.SystemDescription().find("Linux"), std::string::npos);
}
