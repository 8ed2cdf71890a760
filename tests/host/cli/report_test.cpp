#include "host/fake_plugin_fixture.h"
#include "host/core/plugin_info.h"
#include "host/cli/report.h"

#include <gtest/gtest.h>

#include <string>

using namespace moravox::host;

TEST(Report, FourCharCodes) {
    EXPECT_EQ(FourCharCode(kEffectMagic), "VstP");
    EXPECT_EQ(FourCharCode(FourCC('M', 'V', 'X', 'n')), "MVXn");
    EXPECT_EQ(FourCharCode(0x00414243), "?ABC");
    EXPECT_EQ(FourCharCode(static_cast<VstInt32>(0xFF7F2020)), "??  ");
}

TEST(Report, FlagNames) {
    struct Case {
        VstInt32 flags;
        const char* names;
    };
    const Case cases[] = {
        {0, "none"},
        {313, "hasEditor canMono canReplacing programChunks isSynth"},
        {effFlagsHasClip | effFlagsHasVu | effFlagsNoSoundInStop, "hasClip hasVu noSoundInStop"},
        {effFlagsExtIsAsync | effFlagsExtHasBuffer, "extIsAsync extHasBuffer"},
        {1 << 20, "0x00100000"},
        {effFlagsHasEditor | (1 << 12) | (1 << 6), "hasEditor 0x00001040"},
        {static_cast<VstInt32>(0x80000000u), "0x80000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(FlagNames(c.flags), c.names) << c.flags;
}

TEST(Report, MissingEditorAndBadMagicAreSaid) {
    PluginInfo info;
    info.magic = 0x12345678;
    info.category = 12;
    const std::string report = FormatReport(info);
    EXPECT_NE(report.find("Magic: BAD ("), std::string::npos) << report;
    EXPECT_NE(report.find("Editor: none\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Category: 12 (not a known category)\n"), std::string::npos) << report;
}

TEST_F(FakePluginTest, ScanReadsEverythingAndClosesThePlugIn) {
    Host host(library);
    ASSERT_TRUE(host.Instantiate());
    const int before = LiveInstances();
    const PluginInfo info = GatherInfo(host);
    EXPECT_EQ(host.Effect(), nullptr);
    EXPECT_EQ(LiveInstances(), before - 1);

    EXPECT_EQ(info.numParams, fake::kNumParams);
    ASSERT_EQ(info.parameters.size(), 3u);
    EXPECT_EQ(info.parameters[2].name, "Mix");
    ASSERT_EQ(info.programs.size(), 4u);
    EXPECT_EQ(info.programs[3], "Wide");
    ASSERT_EQ(info.canDo.size(), PluginCanDoWords().size());
    EXPECT_EQ(info.canDo[0].text, "sendVstEvents");

    const std::string report = FormatReport(info);
    const char* lines[] = {
        "Plug-in: " FAKE_PLUGIN_PATH "\n",
        "Magic: OK (VstP, 0x56737450)\n",
        "Unique ID: 'FaKe' (0x46614B65)\n",
        "Plug-in version: 5\n",
        "VST version: 2400\n",
        "Effect name: Fake Effect\n",
        "Vendor: Moravox Tests\n",
        "Product: Fake\n",
        "Vendor version: 7\n",
        "Category: 1 (effect)\n",
        "Flags: 17 (hasEditor canReplacing)\n",
        "Inputs: 2\n",
        "Outputs: 2\n",
        "Programs: 4\n",
        "Parameters: 3\n",
        "Initial delay: 3\n",
        "  0: Gain = 0.50 dB\n",
        "  1: Pan = 0.25\n",
        "  2: Mix = 1.00 %\n",
        "  0: Init\n",
        "  3: Wide\n",
        "  receiveVstMidiEvent: yes (1)\n",
        "  receiveVstTimeInfo: no (-1)\n",
        "  bypass: don't know (0)\n",
        "Editor: 300 x 120 (top 0, left 0, bottom 120, right 300)\n",
    };
    for (const char* line : lines) EXPECT_NE(report.find(line), std::string::npos) << line;
}
