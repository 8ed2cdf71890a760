// Shared set-up for tests that drive the fake plug-in through our host.
#pragma once

#include "host/fixtures/fake_plugin.h"
#include "host/core/host.h"
#include "host/core/plugin_library.h"

#include <gtest/gtest.h>

#include <string>

class FakePluginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.Loaded()) << library.Error(); }
    void TearDown() override { SetMode(0); }

    void SetMode(int mode) {
        auto set = reinterpret_cast<fake::SetModeProc>(library.Symbol("fake_plugin_set_mode"));
        ASSERT_NE(set, nullptr);
        set(mode);
    }

    int LiveInstances() {
        auto live =
            reinterpret_cast<fake::LiveInstancesProc>(library.Symbol("fake_plugin_live_instances"));
        return live != nullptr ? live() : -1;
    }

    // One of the fake's text answers to effVendorSpecific.
    static std::string Ask(moravox::host::Host& host, VstInt32 request) {
        char text[256] = {};
        host.Dispatch(effVendorSpecific, request, 0, text);
        return text;
    }

    moravox::host::PluginLibrary library{FAKE_PLUGIN_PATH};
};
