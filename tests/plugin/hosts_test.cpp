#include <gtest/gtest.h>

#include "data/datastring.h"
#include "plugin/hosts.h"
#include "plugin/splugin.h"

namespace {

using namespace velk::plugin;

TEST(HostDetection, ProductStringsInTestOrder) {
    struct Case {
        const char* product;
        VstInt32 version;
        int type;
    } cases[] = {
        {"", 0, HOST_UNKNOWN},
        {"Ardour", 0, HOST_UNKNOWN},
        {"Cubase VST", 8200, HOST_CUBASE4},
        {"Cubase VST", 8199, HOST_CUBASE},
        {"Samplitude Usine", 0, HOST_SAMPLITUDE}, // tested before Usine: not refused
        {"SAVIHost", 0, HOST_SAVIHOST},
        {"Melodyne", 0, HOST_MELODYNE},
        {"Tracktion 3", 0, HOST_TRACKTION},
        {"Cantabile Lite", 0, HOST_CANTABILE},
        {"Phrazor", 0, HOST_PHRAZOR},
        {"Usine Hollyhock", 0, HOST_USINE},
        {"energyXT2", 0, HOST_ENERGYXT},
        {"energyxt", 0, HOST_UNKNOWN}, // case-sensitive
        {"Cubase with Usine", 1, HOST_CUBASE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectHostType(c.product, c.version), c.type) << c.product;
    EXPECT_EQ(DetectHostType(nullptr, 0), HOST_UNKNOWN);
}

TEST(HostDetection, DisplayNames) {
    const char* names[] = {
        "(unknown)",  "Sonar",     "Energy XT", "Project 5",     "FL Studio",
        "Cantabile",  "SaviHost",  "Melodyne",  "Cubase/Nuendo", "Cubase4/Nuendo4",
        "Samplitude", "Tracktion", "Phrazor",   "Usine"};
    for (int i = 0; i <= 13; i++) EXPECT_STREQ(HostDisplayName(i), names[i]) << i;
    EXPECT_STREQ(HostDisplayName(14), "(unknown)");
    EXPECT_STREQ(HostDisplayName(-1), "(unknown)");
}

TEST(DirectoryPart, KeepsTheFolderOfAHostPath) {
    struct Case {
        const char* path;
        const char* folder;
    } cases[] = {
        {"/opt/vst/x.so", "/opt/vst/"},
        {"/opt/vst/", "/opt/vst/"},
        {"C:\\vst\\x.dll", "C:\\vst\\"},
        {"x.so", ""},
        {"", ""},
        {"/x.so", "/"},
    };
    for (const Case& c : cases) {
        velk::data::datastring<32, char> out;
        DirectoryPart(c.path, out);
        EXPECT_STREQ(out.Text(), c.folder) << c.path;
    }
    velk::data::datastring<32, char> out;
    DirectoryPart(nullptr, out);
    EXPECT_STREQ(out.Text(), "");
}

} // namespace
