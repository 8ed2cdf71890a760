#include "host/gui_session.h"

#include "host/gui_png.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>

namespace moravox::host {

namespace {

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Hosts of kinds 1 and 2 idle the editor at this period.
constexpr uint64_t kEditorIdleMs = 40;
// Our top-level window before the plug-in says how large it wants to be.
constexpr unsigned kInitialSize = 100;

} // namespace

GuiSession::GuiSession(const XlibApi& x, const GuiOptions& options, std::ostream& out,
                       std::ostream& err)
    : x_(x), options_(options), out_(out), err_(err) {}

GuiSession::~GuiSession() {
    StopThreads();
    for (int fd : wakePipe_)
        if (fd >= 0) close(fd);
}

void GuiSession::Say(const std::string& line) {
    std::lock_guard<std::mutex> guard(outMutex_);
    out_ << line << '\n';
    out_.flush();
}

int GuiSession::Run(const std::string& pluginPath) {
    x_.XInitThreads(); // the plug-in draws from its own threads on connections we pass it
    display_ = x_.XOpenDisplay(nullptr);
    if (!display_) {
        err_ << "moravox-host: gui: cannot open the X display\n";
        return 1;
    }
    library_ = std::make_unique<PluginLibrary>(pluginPath);
    if (!library_->Loaded()) {
        err_ << "moravox-host: " << library_->Error() << '\n';
        return 1;
    }
    HostAnswers answers;
    answers.realtimeEvents = true; // the audio thread collects the MIDI without a log
    answers.canDo["sizeWindow"] = options_.hostModel == 3 ? 0 : 1;
    host_ = new Host(*library_, answers);
    if (!host_->Instantiate()) {
        err_ << "moravox-host: " << host_->Error() << '\n';
        return 1;
    }
    host_->Open();
    host_->Resume();
    if (pipe(wakePipe_) != 0 || !CreateWindows()) {
        err_ << "moravox-host: gui: cannot create the host window\n";
        return 1;
    }
    StartThreads();
    const auto start = std::chrono::steady_clock::now();
    if (!OpenEditor()) {
        err_ << "moravox-host: gui: the plug-in did not open its editor\n";
        StopThreads();
        TearDown();
        return 1;
    }
    firstOpenMs_ = Since(start);
    // Ready once the panel can take input.
    for (int tries = 0; tries < 100 && PanelWindow() == 0; tries++) Pump(10);
    Pump(30);
    Say(StateJson());
    if (options_.commands) reader_ = std::thread([this] { ReadCommands(); });
    if (!options_.screenshot.empty()) {
        Pump(300);
        if (!Screenshot(options_.screenshot)) err_ << "moravox-host: gui: screenshot failed\n";
    }
    if (options_.cycles > 0)
        Cycles();
    else
        Loop();
    StopThreads();
    Report();
    TearDown();
    return 0;
}

bool GuiSession::CreateWindows() {
    // Kind 2 makes its window on the connection it hands the editor.
    Display* d = display_;
    if (options_.hostModel == 2) {
        editorDisplay_ = x_.XOpenDisplay(nullptr);
        if (!editorDisplay_) return false;
        d = editorDisplay_;
    }
    const int screen = x_.XDefaultScreen(d);
    top_ = x_.XCreateSimpleWindow(d, x_.XDefaultRootWindow(d), options_.x, options_.y, kInitialSize,
                                  kInitialSize, 0, 0, x_.XBlackPixel(d, screen));
    if (!top_) return false;
    x_.XStoreName(d, top_, "moravox-host");
    x_.XSelectInput(d, top_, StructureNotifyMask | ExposureMask);
    deleteAtom_ = x_.XInternAtom(d, "WM_DELETE_WINDOW", False);
    x_.XSetWMProtocols(d, top_, &deleteAtom_, 1);
    if (options_.hostModel == 1) {
        socket_ = x_.XCreateSimpleWindow(d, top_, 0, 0, 1, 1, 0, 0, x_.XBlackPixel(d, screen));
        x_.XSelectInput(d, socket_, SubstructureNotifyMask | StructureNotifyMask);
        x_.XMapWindow(d, socket_);
    }
    // Kinds 1 and 3 show their window before opening the editor, kind 2 afterwards.
    if (options_.hostModel != 2) {
        x_.XMapWindow(d, top_);
        shown_ = true;
    }
    x_.XSync(d, False);
    return true;
}

void GuiSession::DestroyWindows() {
    Display* d = editorDisplay_ ? editorDisplay_ : display_;
    if (d && top_) {
        x_.XDestroyWindow(d, top_);
        x_.XSync(d, False);
    }
    top_ = socket_ = 0;
}

bool GuiSession::OpenEditor() {
    if (editorOpen_) return true;
    const size_t resizes = host_->CallCount(audioMasterSizeWindow);
    VstIntPtr opened = 0;
    switch (options_.hostModel) {
    case 1:
        opened = host_->Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(display_),
                                 reinterpret_cast<void*>(socket_));
        break;
    case 2:
        host_->Dispatch(effVendorSpecific, FourCC('s', 't', 'C', 'A'), FourCC('W', 'h', 'e', 'e'),
                        nullptr, 1.0f);
        opened = host_->Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(editorDisplay_),
                                 reinterpret_cast<void*>(top_));
        break;
    default: opened = host_->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(top_)); break;
    }
    if (!opened) return false;
    editorOpen_ = true;
    Display* d = editorDisplay_ ? editorDisplay_ : display_;
    // Kind 2 asks for the rectangle; kind 1 follows the plug-in's size requests.
    const bool asked = host_->CallCount(audioMasterSizeWindow) > resizes;
    if (options_.hostModel == 2 || (options_.hostModel == 1 && asked)) {
        if (auto rect = host_->EditorRect()) {
            const unsigned width = static_cast<unsigned>(rect->right - rect->left);
            const unsigned height = static_cast<unsigned>(rect->bottom - rect->top);
            if (width > 0 && height > 0) {
                x_.XResizeWindow(d, top_, width, height);
                if (socket_) x_.XResizeWindow(d, socket_, width, height);
            }
        }
    }
    if (!shown_) {
        x_.XMapWindow(d, top_);
        shown_ = true;
        x_.XSync(d, False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (x_.XQueryTree(d, top_, &root, &parent, &children, &count) && count > 0)
            TakeProcedureFrom(children[0]);
        if (children) x_.XFree(children);
    }
    x_.XFlush(d);
    return true;
}

void GuiSession::CloseEditor() {
    if (!editorOpen_) return;
    host_->Dispatch(effEditClose);
    editorOpen_ = false;
}

void GuiSession::TakeProcedureFrom(Window child) {
    Display* d = editorDisplay_ ? editorDisplay_ : display_;
    Atom property = x_.XInternAtom(d, "_XEventProc", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (x_.XGetWindowProperty(d, child, property, 0, 1, False, AnyPropertyType, &type, &format,
                              &count, &remaining, &data) == Success &&
        data && format == 32 && count == 1) {
        // One format-32 item: only its low 32 bits are the procedure's address.
        const uintptr_t item = *reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFul;
        procedure_ = item ? reinterpret_cast<Procedure>(item) : nullptr;
    }
    if (data) x_.XFree(data);
}

void GuiSession::HandleEvent(XEvent& event) {
    if (event.type == ClientMessage && event.xclient.window == top_ &&
        static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom_)
        quit_ = true;
    if (options_.hostModel == 1 && event.type == ReparentNotify &&
        event.xreparent.parent == socket_)
        TakeProcedureFrom(event.xreparent.window);
    if (!procedure_ || options_.hostModel == 3) return;
    if (options_.hostModel == 2 && (event.type == FocusIn || event.type == FocusOut)) return;
    procedure_(&event);
}

void GuiSession::IdleEditor() {
    if (options_.hostModel == 3 || !editorOpen_) return;
    const uint64_t now = NowMs();
    if (now - lastIdle_ < kEditorIdleMs) return;
    lastIdle_ = now;
    host_->Dispatch(effEditIdle);
}

void GuiSession::Pump(int ms) {
    const uint64_t until = NowMs() + static_cast<uint64_t>(ms > 0 ? ms : 0);
    Display* connections[2] = {display_, editorDisplay_};
    for (;;) {
        for (Display* d : connections) {
            while (d && x_.XPending(d) > 0) {
                XEvent event;
                x_.XNextEvent(d, &event);
                HandleEvent(event);
            }
        }
        RunQueuedWork();
        IdleEditor();
        const uint64_t now = NowMs();
        if (now >= until) return;
        pollfd fds[3];
        nfds_t n = 0;
        for (Display* d : connections)
            if (d) fds[n++] = {x_.XConnectionNumber(d), POLLIN, 0};
        fds[n++] = {wakePipe_[0], POLLIN, 0};
        const int wait = static_cast<int>(std::min<uint64_t>(until - now, kEditorIdleMs));
        if (poll(fds, n, wait) > 0 && (fds[n - 1].revents & POLLIN)) {
            char drain[64];
            (void)!read(wakePipe_[0], drain, sizeof(drain));
        }
    }
}

void GuiSession::RunQueuedWork() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> guard(workMutex_);
            if (work_.empty()) return;
            next = std::move(work_.front());
            work_.pop_front();
        }
        next();
    }
}

void GuiSession::OnGuiThread(std::function<void()> work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    {
        std::lock_guard<std::mutex> guard(workMutex_);
        work_.push_back([work, done] {
            work();
            done->set_value();
        });
    }
    (void)!write(wakePipe_[1], "w", 1);
    while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (stop_) return;
}

void GuiSession::Loop() {
    const uint64_t start = NowMs();
    const uint64_t limit = static_cast<uint64_t>(options_.seconds * 1000.0);
    while (!quit_) {
        Pump(20);
        if (limit > 0 && NowMs() - start >= limit) break;
    }
}

void GuiSession::Cycles() {
    for (int cycle = 0; cycle < options_.cycles && !quit_; cycle++) {
        CloseEditor();
        Pump(1);
        const auto start = std::chrono::steady_clock::now();
        OpenEditor();
        reopenMs_.push_back(Since(start));
        Pump(3);
        if (cycle == 0) {
            Pump(50);
            windowsFirst_ = CountWindows();
            rssFirstKb_ = ResidentKb();
        }
    }
    Pump(50);
    windowsLast_ = CountWindows();
    rssLastKb_ = ResidentKb();
}

void GuiSession::TearDown() {
    switch (options_.teardown) {
    case Teardown::Normal:
        CloseEditor();
        host_->Close();
        break;
    case Teardown::DisplayFirst:
        CloseEditor();
        DestroyWindows();
        // The connection the plug-in took goes while the plug-in still lives.
        if (options_.hostModel == 2) {
            x_.XCloseDisplay(editorDisplay_);
            editorDisplay_ = nullptr;
        } else if (options_.hostModel == 1) {
            x_.XCloseDisplay(display_);
            display_ = nullptr;
        }
        host_->Close();
        break;
    case Teardown::UnloadFirst:
        // The instance is never closed: its object is left behind with the library gone.
        library_.reset();
        host_ = nullptr;
        break;
    case Teardown::NoEditClose: host_->Close(); break;
    }
    delete host_;
    host_ = nullptr;
    DestroyWindows();
    if (editorDisplay_) x_.XCloseDisplay(editorDisplay_);
    editorDisplay_ = nullptr;
    if (display_) x_.XCloseDisplay(display_);
    display_ = nullptr;
    library_.reset();
}

Window GuiSession::PanelWindow() {
    Display* d = editorDisplay_ ? editorDisplay_ : display_;
    Window holder = socket_ ? socket_ : top_;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window panel = 0;
    if (x_.XQueryTree(d, holder, &root, &parent, &children, &count) && count > 0)
        panel = children[0];
    if (children) x_.XFree(children);
    XWindowAttributes attributes;
    if (panel && x_.XGetWindowAttributes(d, panel, &attributes) &&
        attributes.map_state == IsViewable)
        return panel;
    return 0;
}

bool GuiSession::Screenshot(const std::string& path) {
    Display* d = editorDisplay_ ? editorDisplay_ : display_;
    RgbImage image;
    return CaptureWindow(x_, d, top_, image) && WritePng(path, image);
}

} // namespace moravox::host
