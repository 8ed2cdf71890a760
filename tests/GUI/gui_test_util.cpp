// gtest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "gui_test_util.h"

#include <X11/Xutil.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "GUI/staticdata.h"

namespace {

thread_local int lockDepth = 0;

// The library's load and unload hooks, as a host would run them.
class SToolkitEnvironment : public testing::Environment {
public:
    void SetUp() override { LoadTimeInit(); }
    void TearDown() override { UnloadTeardown(); }
};

const testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new SToolkitEnvironment);

} // namespace

// Counting wrappers: the toolkit is linked into this program, so its calls land here.
extern "C" void XLockDisplay(Display* display) {
    using Fn = void (*)(Display*);
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "XLockDisplay"));
    ++lockDepth;
    real(display);
}

extern "C" void XUnlockDisplay(Display* display) {
    using Fn = void (*)(Display*);
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "XUnlockDisplay"));
    --lockDepth;
    real(display);
}

namespace guitest {

int DisplayLockDepth() {
    return lockDepth;
}

int Pump() {
    Display* d = D();
    XSync(d, False);
    int delivered = 0;
    while (XPending(d)) {
        XEvent event;
        XNextEvent(d, &event);
        velk::gui::SControl::eventProc(&event);
        ++delivered;
    }
    return delivered;
}

void Send(Window window, XEvent event) {
    event.xany.window = window;
    event.xany.display = D();
    XSendEvent(D(), window, False, 0, &event);
}

XEvent Button(int type, unsigned button, unsigned long time, int x, int y, unsigned state) {
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.button = button;
    e.xbutton.time = time;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.state = state;
    e.xbutton.same_screen = True;
    return e;
}

XEvent Crossing(int type, int x, int y) {
    XEvent e{};
    e.xcrossing.type = type;
    e.xcrossing.x = x;
    e.xcrossing.y = y;
    e.xcrossing.mode = NotifyNormal;
    return e;
}

XEvent Motion(int x, int y) {
    XEvent e{};
    e.xmotion.type = MotionNotify;
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.same_screen = True;
    return e;
}

XEvent Key(int type, KeySym keysym) {
    XEvent e{};
    e.xkey.type = type;
    e.xkey.keycode = XKeysymToKeycode(D(), keysym);
    e.xkey.same_screen = True;
    return e;
}

int SImage::CountNot(unsigned long background) const {
    int n = 0;
    for (unsigned long p : pixels) n += p != background;
    return n;
}

bool SImage::InkBox(unsigned long background, int& l, int& t, int& r, int& b) const {
    l = width;
    t = height;
    r = b = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (At(x, y) != background) {
                if (x < l) l = x;
                if (y < t) t = y;
                if (x + 1 > r) r = x + 1;
                if (y + 1 > b) b = y + 1;
            }
    return r > 0;
}

SImage Grab(Drawable drawable, int width, int height) {
    SImage out;
    XImage* image = XGetImage(D(), drawable, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.pixels[static_cast<size_t>(y * width + x)] = XGetPixel(image, x, y);
    XDestroyImage(image);
    return out;
}

void SaveShot(const SImage& image, const std::string& name) {
    const char* folder = getenv("MORAVOX_GUI_SHOTS");
    if (!folder || !*folder) return;
    const std::string path = std::string(folder) + "/" + name + ".ppm";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    fprintf(f, "P6\n%d %d\n255\n", image.width, image.height);
    Visual* visual = DefaultVisual(D(), DefaultScreen(D()));
    for (unsigned long p : image.pixels) {
        if (visual->c_class == TrueColor) {
            fputc(static_cast<int>((p >> 16) & 0xFF), f);
            fputc(static_cast<int>((p >> 8) & 0xFF), f);
            fputc(static_cast<int>(p & 0xFF), f);
        } else {
            fputc(0, f), fputc(0, f), fputc(0, f);
        }
    }
    fclose(f);
}

unsigned long Pixel(int r, int g, int b) {
    return static_cast<unsigned long>(velk::gui::SCOL(r, g, b));
}

SRecorder::SRecorder(velk::gui::SControl* parent, int style, int x, int y, int width, int height,
                     Window parentWindow)
    : SWindow(nullptr, parent, 7, "recorder", style, x, y, width, height, parentWindow, false) {}

SRecorder::~SRecorder() {
    if (destroyed) destroyed->push_back(static_cast<int>(GetId()));
}

void SRecorder::MouseStateChanged(bool*, int code) {
    calls.push_back({"MouseStateChanged", code, 0, 0, 0});
}

void SRecorder::MousePosChanged(int dx, int dy) {
    calls.push_back({"MousePosChanged", dx, dy, 0, 0});
}

void SRecorder::KeyStateChanged(int code, bool pressed, int mask, int kind) {
    calls.push_back({"KeyStateChanged", code, pressed ? 1 : 0, mask, kind});
}

void SRecorder::Draw(const velk::gui::Rect& r) {
    drawLockDepth = DisplayLockDepth();
    calls.push_back({"Draw", r.left, r.top, r.right, r.bottom});
    SWindow::Draw(r);
}

void SRecorder::DrawOutlines(const velk::gui::Rect& r) {
    calls.push_back({"DrawOutlines", r.left, r.top, r.right, r.bottom});
}

void SRecorder::ParseEvent(velk::gui::SEvent* event) {
    const int* data = static_cast<const int*>(event->data);
    calls.push_back({"ParseEvent", event->type, event->a,
                     data && event->type == velk::gui::EVENT_KEY ? data[1] : 0,
                     data && event->type == velk::gui::EVENT_KEY ? data[2] : 0});
}

std::vector<int> SRecorder::Codes() const {
    std::vector<int> out;
    for (const SCall& c : calls)
        if (c.what == "MouseStateChanged") out.push_back(c.a);
    return out;
}

int SRecorder::Count(const std::string& what) const {
    int n = 0;
    for (const SCall& c : calls) n += c.what == what;
    return n;
}

} // namespace guitest
