// The LV2 UI as an X11 host embeds it: the panel opens inside the host's window on the running
// instance, and a click on one of its buttons reaches the plug-in and the host's port.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <set>
#include <string>
#include <vector>

#include "host/gui/gui_png.h"
#include "lv2/lv2_host.h"
#include "support/wait.h"
#include "plugin/lv2/lv2_plugin.h"

// Last: Xlib's macros (None, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

using testlv2::Lv2Host;

namespace {

struct Written {
    uint32_t port;
    float value;
};

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
           const void* buffer) {
    if (format == 0 && size == sizeof(float))
        static_cast<std::vector<Written>*>(controller)->push_back(
            {port, *static_cast<const float*>(buffer)});
}

int Resize(LV2UI_Feature_Handle handle, int width, int height) {
    *static_cast<std::pair<int, int>*>(handle) = {width, height};
    return 0;
}

// The project's wait for a condition, with the UI's idle call before each look.
template <class Done> bool WaitFor(const LV2UI_Idle_Interface* idle, LV2UI_Handle ui, Done done) {
    return support::Eventually([&] {
        idle->idle(ui);
        return done();
    });
}

TEST(Lv2Ui, OpensInTheHostsWindowAndAClickReachesThePluginAndThePort) {
    std::string error;
    const moravox::host::XlibApi* x = moravox::host::LoadXlib(error);
    ASSERT_NE(x, nullptr) << error;
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    int event = 0, xerror = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(d, &event, &xerror, &major, &minor));

    Lv2Host dsp(256);
    ASSERT_TRUE(dsp.Ok());
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(d, DefaultScreen(d));
    const Window parent = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 200, 245, 0,
                                        CopyFromParent, InputOutput, CopyFromParent,
                                        CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(d, parent);
    XSync(d, False);

    // The UI's binary, as the Turtle names it.
    LilvUIs* uis = lilv_plugin_get_uis(testlv2::MoravoxPlugin());
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), moravox::lv2::kUiUri);
    char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    lilv_uis_free(uis);
    void* binary = dlopen(path, RTLD_NOW);
    lilv_free(path);
    ASSERT_NE(binary, nullptr) << dlerror();
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
        dlsym(binary, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(entry(1), nullptr);

    std::pair<int, int> size;
    LV2UI_Resize resize = {&size, Resize};
    const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature access = {LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(dsp.Instance())};
    const LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
    const LV2_Feature mapFeature = {LV2_URID__map, dsp.UridMap()};
    const LV2_Feature* features[] = {&parentFeature, &access, &resizeFeature, &mapFeature, nullptr};
    std::vector<Written> written;
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle = descriptor->instantiate(descriptor, moravox::lv2::kUri, "", Write,
                                                  &written, &widget, features);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(size, (std::pair<int, int>{200, 245}));
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
        descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);

    // The panel is drawn inside the host's window: many colours where there was black.
    moravox::host::RgbImage image;
    ASSERT_TRUE(WaitFor(idle, handle, [&] {
        if (!moravox::host::CaptureWindow(*x, d, parent, image)) return false;
        std::set<uint32_t> colours;
        for (size_t i = 0; i + 2 < image.rgb.size(); i += 3)
            colours.insert(image.rgb[i] << 16 | image.rgb[i + 1] << 8 | image.rgb[i + 2]);
        return colours.size() > 20;
    })) << "the panel did not appear";
    moravox::host::WritePng(std::string(MORAVOX_TEST_OUTPUT) + "/lv2-ui.png", image);

    // The preset-switching button ("P", at 160,58, 16 by 16).
    auto* plugin = static_cast<moravox::lv2::Plugin*>(lilv_instance_get_handle(dsp.Instance()));
    AEffect* effect = plugin->Effect();
    ASSERT_EQ(effect->getParameter(effect, 15), 0.0f);
    XTestFakeMotionEvent(d, -1, 168, 66, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
    EXPECT_TRUE(WaitFor(idle, handle, [&] { return !written.empty(); }));
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back().port, 15u);
    EXPECT_EQ(written.back().value, 1.0f);
    EXPECT_EQ(effect->getParameter(effect, 15), 1.0f);

    descriptor->cleanup(handle);
    XDestroyWindow(d, parent);
    XCloseDisplay(d);
}

} // namespace
