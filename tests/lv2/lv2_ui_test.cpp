// The LV2 UI as X11 hosts show it: embedded in the host's window on the running instance; the
// same without instance access, following the plug-in through its ports and messages; and in a
// window of its own. Clicks on the panel reach the plug-in and the host's ports.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "host/gui/gui_png.h"
#include "lv2/lv2_host.h"
#include "plugin/lv2/lv2_messages.h"
#include "plugin/lv2/lv2_plugin.h"
#include "support/wait.h"

// Last: Xlib's macros (None, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

using testlv2::Lv2Host;

namespace {

// What the UI wrote: a port value, or a message (format atom:eventTransfer) for the plug-in.
struct Written {
    uint32_t port;
    uint32_t format;
    float value;
    std::vector<uint8_t> atom;
};

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
           const void* buffer) {
    Written w = {port, format, 0.0f, {}};
    if (format == 0 && size == sizeof(float)) std::memcpy(&w.value, buffer, sizeof(float));
    else if (format != 0) w.atom.assign(static_cast<const uint8_t*>(buffer),
                                        static_cast<const uint8_t*>(buffer) + size);
    static_cast<std::vector<Written>*>(controller)->push_back(w);
}

int Resize(LV2UI_Feature_Handle handle, int width, int height) {
    *static_cast<std::pair<int, int>*>(handle) = {width, height};
    return 0;
}

class Lv2Ui : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        x = moravox::host::LoadXlib(error);
        ASSERT_NE(x, nullptr) << error;
        d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr);
        int event = 0, xerror = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(d, &event, &xerror, &major, &minor));
        PointerAway();
        ASSERT_TRUE(dsp.Ok());

        // The UI's binary, as the Turtle names it.
        LilvUIs* uis = lilv_plugin_get_uis(testlv2::MoravoxPlugin());
        ASSERT_EQ(lilv_uis_size(uis), 1u);
        const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
        EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), moravox::lv2::kUiUri);
        char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        lilv_uis_free(uis);
        binary = dlopen(path, RTLD_NOW);
        lilv_free(path);
        ASSERT_NE(binary, nullptr) << dlerror();
        auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
            dlsym(binary, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(entry(1), nullptr);
        idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idle, nullptr);
    }
    void TearDown() override {
        if (handle) descriptor->cleanup(handle);
        if (parent) XDestroyWindow(d, parent);
        if (d) XCloseDisplay(d);
    }

    // A host window of the panel's size, black until the panel is in it.
    void MakeParent() {
        XSetWindowAttributes attributes = {};
        attributes.override_redirect = True;
        attributes.background_pixel = BlackPixel(d, DefaultScreen(d));
        parent = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 200, 245, 0, CopyFromParent,
                               InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                               &attributes);
        XMapRaised(d, parent);
        XSync(d, False);
    }
    void Instantiate(std::vector<const LV2_Feature*> features) {
        features.push_back(nullptr);
        handle = descriptor->instantiate(descriptor, moravox::lv2::kUri, "", Write, &written,
                                         &widget, features.data());
    }
    moravox::lv2::Plugin* Dsp() {
        return static_cast<moravox::lv2::Plugin*>(lilv_instance_get_handle(dsp.Instance()));
    }
    // The project's wait for a condition, with the UI's idle call before each look.
    template <class Done> bool WaitFor(Done done) {
        return support::Eventually([&] {
            idle->idle(handle);
            return done();
        });
    }
    // The panel is drawn in the window: many colours where there was black.
    bool Drawn(Window window, const char* screenshot) {
        moravox::host::RgbImage image;
        const bool drawn = WaitFor([&] {
            if (!moravox::host::CaptureWindow(*x, d, window, image)) return false;
            std::set<uint32_t> colours;
            for (size_t i = 0; i + 2 < image.rgb.size(); i += 3)
                colours.insert(image.rgb[i] << 16 | image.rgb[i + 1] << 8 | image.rgb[i + 2]);
            return colours.size() > 20;
        });
        if (drawn && screenshot) moravox::host::WritePng(std::string(MORAVOX_TEST_OUTPUT) + "/" + screenshot, image);
        return drawn;
    }
    // The pointer goes back outside every window after a click, so that no control's look
    // changes with the pointer over it.
    void PointerAway() {
        XTestFakeMotionEvent(d, -1, 400, 400, CurrentTime);
        XFlush(d);
    }
    void Click(int x, int y, unsigned button = 1) {
        XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(d, button, True, CurrentTime);
        XTestFakeButtonEvent(d, button, False, CurrentTime);
        PointerAway();
    }
    // The pixels of a part of the window, row by row.
    std::vector<uint8_t> Look(Window window, const int (&r)[4]) {
        moravox::host::RgbImage image;
        std::vector<uint8_t> part;
        if (!moravox::host::CaptureWindow(*x, d, window, image)) return part;
        for (int row = r[1]; row < r[1] + r[3]; row++) {
            const size_t at = (static_cast<size_t>(row) * image.width + r[0]) * 3;
            if (at + r[2] * 3 > image.rgb.size()) break;
            part.insert(part.end(), image.rgb.begin() + at, image.rgb.begin() + at + r[2] * 3);
        }
        return part;
    }
    // Waits until the part looks other than it did.
    bool Changed(Window window, const int (&r)[4], const std::vector<uint8_t>& before) {
        return WaitFor([&] { return Look(window, r) != before; });
    }
    void ClickIn(const int (&r)[4], unsigned button = 1) { Click(r[0] + r[2] / 2, r[1] + r[3] / 2, button); }
    // The next thing the UI writes after `seen` writes.
    const Written* Next(size_t seen) {
        if (!WaitFor([&] { return written.size() > seen; })) return nullptr;
        return &written[seen];
    }

    const moravox::host::XlibApi* x = nullptr;
    Display* d = nullptr;
    Window parent = 0;
    Lv2Host dsp{256};
    void* binary = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    std::vector<Written> written;
};

// Places on the panel (left, top, width, height): the preset-switching button ("P"), the
// trigger, "ADV" and panic below; in the normal view (at 20,76) the value switch ("V"), in the
// advanced view (the same place) the every-Nth dial.
constexpr int kP[] = {160, 58, 16, 16}, kTrigger[] = {20, 210, 40, 20},
              kAdvanced[] = {64, 210, 76, 20}, kPanic[] = {144, 210, 36, 20}, kV[] = {25, 183, 30, 20},
              kEveryNth[] = {140, 108, 36, 14};

TEST_F(Lv2Ui, OpensInTheHostsWindowAndAClickReachesThePluginAndThePort) {
    MakeParent();
    std::pair<int, int> size;
    LV2UI_Resize resize = {&size, Resize};
    const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature access = {LV2_INSTANCE_ACCESS_URI, Dsp()};
    const LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
    const LV2_Feature mapFeature = {LV2_URID__map, dsp.UridMap()};
    Instantiate({&parentFeature, &access, &resizeFeature, &mapFeature});
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(size, (std::pair<int, int>{200, 245}));
    ASSERT_TRUE(Drawn(parent, "lv2-ui.png")) << "the panel did not appear";

    AEffect* effect = Dsp()->Effect();
    ASSERT_EQ(effect->getParameter(effect, 15), 0.0f);
    ClickIn(kP);
    const Written* w = Next(0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->port, 15u);
    EXPECT_EQ(w->value, 1.0f);
    EXPECT_EQ(effect->getParameter(effect, 15), 1.0f);
    EXPECT_EQ(written.size(), 1u) << "only the port: the plug-in has the rest itself";
}

// A host without instance access (one that runs the UI apart from the plug-in) gets a panel on
// an instance of the UI's own. It shows the plug-in's program as the plug-in sends it, follows
// the ports, and sends its own settings and the trigger as messages.
TEST_F(Lv2Ui, WithoutInstanceAccessItFollowsThePluginThroughPortsAndMessages) {
    dsp.SetControl(15, 1.0f); // preset switching on in the plug-in, before the UI opens
    dsp.Run({}, 256);
    MakeParent();
    const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature mapFeature = {LV2_URID__map, dsp.UridMap()};
    Instantiate({&parentFeature, &mapFeature});
    ASSERT_NE(handle, nullptr);
    const moravox::lv2::Urids& u = dsp.Ids();
    // The host carries the UI's messages to the plug-in and the notify port's back to the UI.
    size_t carried = 0;
    std::vector<testlv2::Message> out;
    auto carry = [&] {
        for (; carried < written.size(); carried++)
            if (written[carried].port == moravox::lv2::kMidiIn &&
                written[carried].format == u.eventTransfer)
                dsp.Send(reinterpret_cast<const LV2_Atom*>(written[carried].atom.data()));
        out = dsp.Run({}, 256);
        for (const auto& atom : dsp.Notified())
            descriptor->port_event(handle, moravox::lv2::kNotify,
                                   static_cast<uint32_t>(atom.size()), u.eventTransfer,
                                   atom.data());
    };
    ASSERT_TRUE(Drawn(parent, nullptr)) << "the panel did not appear";
    // It asked the plug-in for its program; with the answer, "P" shows on as the plug-in has it.
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written[0].port, moravox::lv2::kMidiIn);
    std::vector<uint8_t> before = Look(parent, kP);
    carry();
    ASSERT_TRUE(Changed(parent, kP, before)) << "the plug-in's program did not show";
    Drawn(parent, "lv2-ui-own-instance.png");
    size_t seen = written.size();
    ClickIn(kP);
    const Written* w = Next(seen);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->port, 15u);
    EXPECT_EQ(w->value, 0.0f);
    // The plug-in takes it from the message that comes along, though this host's port stays
    // where it was.
    AEffect* effect = Dsp()->Effect();
    ASSERT_TRUE(WaitFor([&] { return written.size() > seen + 1; }));
    carry();
    EXPECT_EQ(effect->getParameter(effect, 15), 0.0f);

    // The host turns "V" on at its port; the panel follows, and a click turns it off.
    before = Look(parent, kV);
    const float on = 1.0f;
    descriptor->port_event(handle, 9, sizeof(float), 0, &on);
    ASSERT_TRUE(Changed(parent, kV, before)) << "the port's value did not show";
    seen = written.size();
    ClickIn(kV);
    w = Next(seen);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->port, 9u);
    EXPECT_EQ(w->value, 0.0f);

    // Every Nth, one up with the wheel in the advanced view: a message, taken by the plug-in.
    before = Look(parent, kEveryNth);
    ClickIn(kAdvanced);
    ASSERT_TRUE(Changed(parent, kEveryNth, before)) << "the advanced view did not open";
    seen = written.size();
    ClickIn(kEveryNth, Button4);
    w = Next(seen);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->port, moravox::lv2::kMidiIn);
    EXPECT_EQ(w->format, u.eventTransfer);
    carry();
    EXPECT_EQ(moravox::lv2::NaturalValue(17, effect->getParameter(effect, 17)), 2.0f);

    // The trigger and the panic buttons: messages, and the plug-in sends its events.
    for (const auto* button : {&kTrigger, &kPanic}) {
        carry();
        EXPECT_TRUE(out.empty());
        seen = written.size();
        ClickIn(*button);
        ASSERT_NE(Next(seen), nullptr);
        carry();
        EXPECT_FALSE(out.empty()) << (button == &kTrigger ? "the trigger" : "panic")
                                  << " made no event";
    }
}

// Window titled "Moravox" among the root's children, or 0.
Window FindOwnWindow(Display* d) {
    Window root = 0, up = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &up, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; i++) {
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) && name && std::string(name) == "Moravox")
            found = children[i];
        if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
}

// A host that shows the UI itself: no parent, a window of the UI's own on show, gone on
// hide or when the window manager asks it to close; then the idle call says so.
TEST_F(Lv2Ui, ShowsInAWindowOfItsOwnUntilClosed) {
    const auto* show = static_cast<const LV2UI_Show_Interface*>(
        descriptor->extension_data(LV2_UI__showInterface));
    ASSERT_NE(show, nullptr);
    const LV2_Feature access = {LV2_INSTANCE_ACCESS_URI, Dsp()};
    const LV2_Feature mapFeature = {LV2_URID__map, dsp.UridMap()};
    Instantiate({&access, &mapFeature});
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(widget, nullptr);
    EXPECT_EQ(FindOwnWindow(d), 0u) << "shown before the host asked";

    for (int round = 0; round < 2; round++) {
        ASSERT_EQ(show->show(handle), 0);
        Window own = 0;
        ASSERT_TRUE(WaitFor([&] { return (own = FindOwnWindow(d)) != 0; }));
        XWindowAttributes a;
        ASSERT_TRUE(XGetWindowAttributes(d, own, &a));
        EXPECT_EQ(a.width, 200);
        EXPECT_EQ(a.height, 245);
        ASSERT_TRUE(Drawn(own, "lv2-ui-window.png")) << "the panel did not appear";
        if (round == 0) {
            EXPECT_EQ(show->hide(handle), 0);
        } else {
            // The window manager's close button.
            XEvent close = {};
            close.xclient.type = ClientMessage;
            close.xclient.window = own;
            close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
            close.xclient.format = 32;
            close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
            XSendEvent(d, own, False, NoEventMask, &close);
            XFlush(d);
            EXPECT_TRUE(support::Eventually([&] { return idle->idle(handle) == 1; }));
        }
        XSync(d, False);
        EXPECT_TRUE(support::Eventually([&] { return FindOwnWindow(d) == 0; }));
    }
}

} // namespace
