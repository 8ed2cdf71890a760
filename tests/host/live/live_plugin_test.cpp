// The live tool's own plug-in instance: its callback reaches exactly one instance, and answers
// the plug-in the way the tool behaves.
#include "host/fixtures/fake_plugin.h"
#include "host/live/live_plugin.h"

#include <gtest/gtest.h>

#include <string>

using moravox::host::LivePlugin;

namespace {

std::string Directory(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

TEST(LivePluginTest, OnlyOneInstanceRunsLiveAtATime) {
    LivePlugin second(FAKE_PLUGIN_PATH);
    {
        LivePlugin first(FAKE_PLUGIN_PATH);
        ASSERT_TRUE(first.Instantiate()) << first.Error();
        EXPECT_FALSE(second.Instantiate());
        EXPECT_NE(second.Error().find("another plug-in"), std::string::npos) << second.Error();
        EXPECT_EQ(second.Effect(), nullptr);
    }
    ASSERT_TRUE(second.Instantiate()) << second.Error();
    // The fake asks the host for its product from inside the entry, before the record is known.
    char product[256] = {};
    second.Dispatch(effVendorSpecific, fake::kAskHostProduct, 0, product);
    EXPECT_STREQ(product, "moravox-host");
}

TEST(LivePluginTest, AnswersTheCapabilitiesOfAHostWithAFixedWindow) {
    LivePlugin plugin(FAKE_PLUGIN_PATH);
    ASSERT_TRUE(plugin.Instantiate()) << plugin.Error();
    plugin.Open(44100.0f, 128);
    struct Case {
        const char* text;
        VstIntPtr answer;
    };
    const Case cases[] = {
        {"sendVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"sizeWindow", 0}, {"offline", 0}};
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(plugin.Dispatch(effVendorSpecific, fake::kAskHostCanDo, 0, text.data()), c.answer)
            << c.text;
    }
    EXPECT_EQ(plugin.Dispatch(effVendorSpecific, fake::kAskBlockSize), 128);
    plugin.Resume(); // the fake reads the directory on resume
    char directory[256] = {};
    plugin.Dispatch(effVendorSpecific, fake::kAskDirectory, 0, directory);
    EXPECT_EQ(directory, Directory(FAKE_PLUGIN_PATH));
}
