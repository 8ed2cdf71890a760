#include "host/core/plugin_library.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <unistd.h>

using moravox::host::PluginLibrary;

namespace {

std::string Folder(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

TEST(PluginLibrary, LoadsAPlugInAndPrefersVSTPluginMain) {
    PluginLibrary library(FAKE_PLUGIN_PATH);
    ASSERT_TRUE(library.Loaded()) << library.Error();
    EXPECT_TRUE(library.Error().empty());
    EXPECT_EQ(reinterpret_cast<void*>(library.Main()), library.Symbol("VSTPluginMain"));
    EXPECT_NE(library.Symbol("main"), nullptr);
    EXPECT_EQ(library.Symbol("no_such_symbol"), nullptr);
    EXPECT_EQ(library.Directory(), Folder(FAKE_PLUGIN_PATH));
}

TEST(PluginLibrary, ReportsWhyALibraryIsNotUsable) {
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {"/nonexistent/folder/missing.so", "cannot load plug-in"},
        {NO_ENTRY_LIBRARY_PATH, "exports neither VSTPluginMain nor main"},
        {"", "cannot load plug-in"},
    };
    for (const Case& c : cases) {
        PluginLibrary library(c.path);
        EXPECT_FALSE(library.Loaded()) << c.path;
        EXPECT_EQ(library.Main(), nullptr) << c.path;
        EXPECT_NE(library.Error().find(c.reason), std::string::npos) << library.Error();
        EXPECT_NE(library.Error().find("'" + c.path + "'"), std::string::npos) << library.Error();
    }
}

TEST(PluginLibrary, BareFileNameMeansTheCurrentFolder) {
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    const std::string path = FAKE_PLUGIN_PATH;
    ASSERT_EQ(chdir(Folder(path).c_str()), 0);
    {
        PluginLibrary library(path.substr(path.rfind('/') + 1));
        EXPECT_TRUE(library.Loaded()) << library.Error();
        EXPECT_EQ(library.Directory(), "./");
    }
    ASSERT_EQ(chdir(previous), 0);
}
