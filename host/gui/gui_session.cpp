#include "host/gui/gui_session.h"

#include "host/gui/gui_png.h"

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

// Between two of our windows side by side.
constexpr int kWindowGap = 10;
// A window's width when no editor has told its size yet.
constexpr int kFallbackWidth = 100;

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
    display_ = XConnection(x_);
    if (!display_.Get()) {
        err_ << "moravox-host: gui: cannot open the X display\n";
        return 1;
    }
    library_ = std::make_unique<PluginLibrary>(pluginPath);
    if (!library_->Loaded()) {
        err_ << "moravox-host: " << library_->Error() << '\n';
        return 1;
    }
    if (pipe(wakePipe_) != 0) {
        err_ << "moravox-host: gui: cannot create the host window\n";
        return 1;
    }
    GuiInstance* first = AddInstance();
    if (!first) return 1;
    StartThreads();
    const auto start = std::chrono::steady_clock::now();
    if (!first->OpenEditor()) {
        err_ << "moravox-host: gui: the plug-in did not open its editor\n";
        StopThreads();
        TearDown();
        return 1;
    }
    firstOpenMs_ = Since(start);
    WaitForPanel(*first);
    // The others one after the other, each placed once the one before told its size.
    for (int k = 1; k < options_.instances; k++) {
        GuiInstance* next = AddInstance();
        if (!next || !next->OpenEditor()) {
            if (next) err_ << "moravox-host: gui: the plug-in did not open its editor\n";
            StopThreads();
            TearDown();
            return 1;
        }
        WaitForPanel(*next);
    }
    Pump(30);
    Say("{\"state\":" + first->StateObject(false) + "}");
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

GuiInstance* GuiSession::AddInstance() {
    int slot = 0;
    while (std::any_of(instances_.begin(), instances_.end(),
                       [&](const auto& i) { return i->Slot() == slot; }))
        slot++;
    int width = kFallbackWidth;
    if (slot > 0) {
        // The first editor's width sets the spacing.
        int x = 0, y = 0, height = 0;
        if (auto rect = instances_.front()->GetHost()->EditorRect())
            width = rect->right - rect->left;
        else
            instances_.front()->Area(x, y, width, height);
    }
    auto instance =
        std::make_unique<GuiInstance>(x_, options_.hostModel, options_.reconnect,
                                                  nextNumber_, slot, display_.Get());
    std::string error;
    if (!instance->Instantiate(*library_, error)) {
        err_ << "moravox-host: " << error << '\n';
        return nullptr;
    }
    if (!instance->CreateWindows(options_.x + slot * (width + kWindowGap), options_.y)) {
        err_ << "moravox-host: gui: cannot create the host window\n";
        return nullptr;
    }
    nextNumber_++;
    std::lock_guard<std::mutex> guard(instancesMutex_);
    instances_.push_back(std::move(instance));
    return instances_.back().get();
}

void GuiSession::RemoveInstance(int number) {
    std::unique_ptr<GuiInstance> gone;
    {
        std::lock_guard<std::mutex> guard(instancesMutex_);
        auto at = std::find_if(instances_.begin(), instances_.end(),
                               [&](const auto& i) { return i->Number() == number; });
        if (at == instances_.end()) return;
        gone = std::move(*at);
        instances_.erase(at);
    }
    owners_.clear();
    // Events still queued for its windows are nobody's now.
    for (Window w : {gone->Top(), gone->Socket()})
        if (w) removed_.insert(w);
    // As a host removing a plug-in: editor, plug-in, then what we made for it.
    gone->CloseEditor();
    gone->DestroyWindows();
    gone->CloseOwnConnection();
    gone->CloseHost();
}

GuiInstance* GuiSession::Find(int number) {
    for (auto& instance : instances_)
        if (instance->Number() == number) return instance.get();
    return nullptr;
}

void GuiSession::WithInstance(int number, const std::function<void(GuiInstance*)>& work) {
    std::lock_guard<std::mutex> guard(instancesMutex_);
    work(Find(number));
}

void GuiSession::WaitForPanel(GuiInstance& instance) {
    // Ready once the panel can take input.
    for (int tries = 0; tries < 100 && instance.PanelWindow() == 0; tries++) Pump(10);
}

GuiInstance* GuiSession::OwnerOf(const XEvent& event) {
    const Window window = event.xany.window; // the one the event was reported on
    if (removed_.count(window)) return nullptr;
    if (instances_.size() <= 1) return instances_.empty() ? nullptr : instances_[0].get();
    // A window may have moved into a socket: ask again.
    if (event.type == ReparentNotify) owners_.clear();
    for (auto& instance : instances_)
        if (instance->IsOurs(window)) return instance.get();
    if (options_.hostModel != 1) return nullptr;
    if (GuiInstance* owner = OwnerOfWindow(window)) return owner;
    // A window outside every socket (a menu on the root) is left to the first procedure.
    for (auto& instance : instances_)
        if (instance->HasProcedure()) return instance.get();
    return nullptr;
}

GuiInstance* GuiSession::OwnerOfWindow(Window window) {
    const auto known = owners_.find(window);
    if (known != owners_.end()) return Find(known->second);
    Display* d = display_.Get();
    std::vector<Window> path;
    int owner = -1;
    {
        XErrorTrap trap(x_, d); // the window may be gone by now
        for (Window at = window; at;) {
            const auto cached = owners_.find(at);
            if (cached != owners_.end()) {
                owner = cached->second;
                break;
            }
            for (auto& instance : instances_)
                if (instance->IsOurs(at)) owner = instance->Number();
            if (owner >= 0) break;
            path.push_back(at);
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            const Status ok = x_.XQueryTree(d, at, &root, &parent, &children, &count);
            if (children) x_.XFree(children);
            if (!ok || parent == root) break;
            at = parent;
        }
    }
    for (Window w : path) owners_[w] = owner;
    return owner >= 0 ? Find(owner) : nullptr;
}

void GuiSession::Pump(int ms) {
    const uint64_t until = NowMs() + static_cast<uint64_t>(ms > 0 ? ms : 0);
    std::vector<pollfd> fds;
    for (;;) {
        // Ours first, then each editor's own (model 2), each event to the instance it is of.
        for (size_t i = 0; i <= instances_.size(); i++) {
            Display* d = i == 0 ? display_.Get() : instances_[i - 1]->OwnConnection();
            while (d && x_.XPending(d) > 0) {
                XEvent event;
                x_.XNextEvent(d, &event);
                GuiInstance* owner = i == 0 ? OwnerOf(event) : instances_[i - 1].get();
                if (owner && owner->HandleEvent(event)) quit_ = true;
            }
        }
        RunQueuedWork();
        const uint64_t now = NowMs();
        for (auto& instance : instances_) instance->Idle(now);
        if (now >= until) return;
        fds.clear();
        fds.push_back({x_.XConnectionNumber(display_.Get()), POLLIN, 0});
        for (auto& instance : instances_)
            if (Display* d = instance->OwnConnection())
                fds.push_back({x_.XConnectionNumber(d), POLLIN, 0});
        fds.push_back({wakePipe_[0], POLLIN, 0});
        const int wait = static_cast<int>(std::min<uint64_t>(until - now, GuiInstance::kIdleMs));
        if (poll(fds.data(), fds.size(), wait) > 0 && (fds.back().revents & POLLIN)) {
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
        for (auto& instance : instances_) instance->CloseEditor();
        Pump(1);
        for (auto& instance : instances_) {
            const auto start = std::chrono::steady_clock::now();
            instance->OpenEditor();
            reopenMs_.push_back(Since(start));
        }
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
    // Every instance in the same order, one step after the other.
    auto each = [&](void (GuiInstance::*step)()) {
        for (auto& instance : instances_) ((*instance).*step)();
    };
    switch (options_.teardown) {
    case Teardown::Normal:
        each(&GuiInstance::CloseEditor);
        each(&GuiInstance::CloseHost);
        break;
    case Teardown::DisplayFirst:
        each(&GuiInstance::CloseEditor);
        each(&GuiInstance::DestroyWindows);
        // The connections the plug-in took go while the plug-in still lives.
        if (options_.hostModel == 2)
            each(&GuiInstance::CloseOwnConnection);
        else if (options_.hostModel == 1)
            display_.Close();
        each(&GuiInstance::CloseHost);
        break;
    case Teardown::UnloadFirst:
        // The instances are never closed: their objects are left behind with the library gone.
        library_.reset();
        each(&GuiInstance::AbandonHost);
        break;
    case Teardown::NoEditClose: each(&GuiInstance::CloseHost); break;
    }
    {
        std::lock_guard<std::mutex> guard(instancesMutex_);
        instances_.clear();
    }
    owners_.clear();
    display_.Close();
    library_.reset();
}

bool GuiSession::Screenshot(const std::string& path) {
    if (instances_.size() == 1) return instances_[0]->Screenshot(path);
    // Several: what the screen shows over all our windows.
    int left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    for (auto& instance : instances_) {
        int x = 0, y = 0, width = 0, height = 0;
        if (!instance->Area(x, y, width, height)) continue;
        left = any ? std::min(left, x) : x;
        top = any ? std::min(top, y) : y;
        right = any ? std::max(right, x + width) : x + width;
        bottom = any ? std::max(bottom, y + height) : y + height;
        any = true;
    }
    Display* d = display_.Get();
    RgbImage image;
    return any &&
           CaptureArea(x_, d, x_.XDefaultRootWindow(d), left, top, right - left, bottom - top,
                       image) &&
           WritePng(path, image);
}

} // namespace moravox::host
