// The editor: open cold and warm, while processing, under automation from another thread, with
// a sample rate and block size of 0, without any X display, and without touching the process
// locale. The parent window is a top-level window of our own connection; the plug-in gets no
// connection (it runs on its own), except in the check that hands it ours and dispatches our
// events to the procedure its window publishes, as hosts that share their connection do.
#include "host/validate/validate.h"
#include "host/validate/validate_check.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <clocale>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

extern char** environ;

namespace moravox::host::validate {
namespace {

class ParentWindow {
public:
    ParentWindow() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 245, 0,
                                      0, 0);
        XSelectInput(display_, window_, SubstructureNotifyMask | StructureNotifyMask);
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~ParentWindow() {
        if (display_ == nullptr) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    Display* display() const { return display_; }
    Window window() const { return window_; }

private:
    Display* display_;
    Window window_ = 0;
};

using EventProcedure = int (*)(XEvent*);

// The procedure the plug-in's window publishes, read as one format-32 item.
EventProcedure PublishedProcedure(Display* display, Window parent) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count) || count == 0) return nullptr;
    const Window child = children[0];
    XFree(children);
    const Atom property = XInternAtom(display, "_XEventProc", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    EventProcedure procedure = nullptr;
    if (XGetWindowProperty(display, child, property, 0, 1, False, AnyPropertyType, &type, &format,
                           &items, &after, &data) == Success &&
        data != nullptr && format == 32 && items == 1) {
        const auto item = static_cast<uintptr_t>(static_cast<uint32_t>(
            *reinterpret_cast<unsigned long*>(data)));
        procedure = reinterpret_cast<EventProcedure>(item);
    }
    if (data != nullptr) XFree(data);
    return procedure;
}

// effEditIdle every 40 ms for `ms`, and our connection's events to the plug-in when shared.
void Pump(Host& host, ParentWindow& parent, int ms, bool shared) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        EventProcedure procedure =
            shared ? PublishedProcedure(parent.display(), parent.window()) : nullptr;
        while (XPending(parent.display()) > 0) {
            XEvent event;
            XNextEvent(parent.display(), &event);
            if (procedure != nullptr && event.xany.window != parent.window()) procedure(&event);
        }
        host.Dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

// Open, check the rectangle, idle a while, close. "" or what went wrong.
std::string OpenIdleClose(Host& host, ParentWindow& parent, int ms, bool shared = false) {
    if (!(host.Effect()->flags & effFlagsHasEditor)) return "";
    const VstIntPtr value = shared ? reinterpret_cast<VstIntPtr>(parent.display()) : 0;
    if (host.Dispatch(effEditOpen, 0, value, reinterpret_cast<void*>(parent.window())) == 0)
        return "effEditOpen failed";
    const std::optional<ERect> rect = host.EditorRect();
    if (!rect || rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0 ||
        rect->right - rect->left > 4096 || rect->bottom - rect->top > 4096)
        return "effEditGetRect gives no usable size";
    Pump(host, parent, ms, shared);
    host.Dispatch(effEditClose);
    Pump(host, parent, 40, false);
    return "";
}

#define NEED_DISPLAY(parent)                                                                   \
    ParentWindow parent;                                                                       \
    if (parent.display() == nullptr)                                                           \
        return Outcome::Skip("no X display to open the editor in (use --no-gui to leave out)");

Outcome OpenCold(Context& context) {
    NEED_DISPLAY(parent)
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    if (!(plugin->host.Effect()->flags & effFlagsHasEditor)) return Outcome::Skip("no editor");
    const std::string why = OpenIdleClose(plugin->host, parent, 200);
    return why.empty() ? Outcome::Pass() : Outcome::Fail(why);
}

Outcome OpenWarm(Context& context) {
    NEED_DISPLAY(parent)
    std::string error;
    auto first = context.Load(error);
    auto second = context.Load(error);
    if (first == nullptr || second == nullptr) return Outcome::Fail(error);
    for (int i = 0; i < 4; ++i) {
        std::string why = OpenIdleClose(first->host, parent, 80, i % 2 == 1);
        if (why.empty()) why = OpenIdleClose(second->host, parent, 80, i % 2 == 0);
        if (!why.empty()) return Outcome::Fail("open " + std::to_string(i + 1) + ": " + why);
    }
    return Outcome::Pass("4 opens of two instances, connection shared and not");
}

// Runs `during` on the calling thread while another thread processes blocks.
Outcome WithAudioThread(Context& context, const std::function<std::string(Host&)>& during) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    host.Resume();
    std::atomic<bool> stop{false};
    std::vector<VstMidiEvent> notes = context.RandomNotes(12, 64);
    std::string invalid;
    std::thread audio([&] {
        Audio buffers;
        std::mt19937 random(context.options().seed);
        buffers.Resize(64, random);
        while (!stop.load(std::memory_order_acquire)) {
            host.SendMidi(notes);
            host.ProcessReplacing(buffers.inputs, buffers.outputs, 64);
            const std::string why = InvalidEvents(host.TakeRealtimeEvents(), 64);
            if (invalid.empty()) invalid = why;
        }
    });
    const std::string why = during(host);
    stop.store(true, std::memory_order_release);
    audio.join();
    if (!why.empty()) return Outcome::Fail(why);
    if (!invalid.empty()) return Outcome::Fail("the plug-in sent " + invalid);
    return Outcome::Pass();
}

Outcome OpenWhileProcessing(Context& context) {
    NEED_DISPLAY(parent)
    return WithAudioThread(context, [&](Host& host) {
        for (int i = 0; i < 10; ++i) {
            const std::string why = OpenIdleClose(host, parent, 60, i % 2 == 1);
            if (!why.empty()) return why;
        }
        return std::string();
    });
}

Outcome AutomationWhileOpen(Context& context) {
    NEED_DISPLAY(parent)
    return WithAudioThread(context, [&](Host& host) {
        if (!(host.Effect()->flags & effFlagsHasEditor)) return std::string();
        if (host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent.window())) == 0)
            return std::string("effEditOpen failed");
        std::atomic<bool> stop{false};
        const int parameters = host.Effect()->numParams;
        std::thread automation([&] {
            std::mt19937 random(context.options().seed + 2);
            while (!stop.load(std::memory_order_acquire) && parameters > 0)
                host.SetParameter(
                    static_cast<VstInt32>(random() % static_cast<unsigned>(parameters)),
                    static_cast<float>(random() % 1001) / 1000.0f);
        });
        Pump(host, parent, 100 * context.options().strictness, false);
        stop.store(true, std::memory_order_release);
        automation.join();
        host.Dispatch(effEditClose);
        return std::string();
    });
}

Outcome ZeroRateAndBlock(Context& context) {
    NEED_DISPLAY(parent)
    std::string error;
    HostAnswers answers;
    answers.sampleRate = 0.0f;
    answers.blockSize = 0;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    const std::string why = OpenIdleClose(plugin->host, parent, 100);
    return why.empty() ? Outcome::Pass() : Outcome::Fail(why);
}

// In a child process whose DISPLAY names no server: a crash there is a failure here.
Outcome NoDisplay(Context& context) {
    const std::string& self = context.options().self;
    if (self.empty()) return Outcome::Skip("cannot find this program to start the probe");
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0) environment.push_back(*entry);
    environment.push_back("DISPLAY=:65000");
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string command = "validate-no-display-probe";
    std::string path = context.options().path;
    char* argv[] = {const_cast<char*>(self.c_str()), command.data(), path.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return Outcome::Fail("could not start the probe");
    int status = 0;
    if (waitpid(child, &status, 0) != child) return Outcome::Fail("lost the probe");
    if (WIFSIGNALED(status))
        return Outcome::Fail(std::string("killed by ") + strsignal(WTERMSIG(status)));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Outcome::Fail("the probe exited with " + std::to_string(WEXITSTATUS(status)));
    return Outcome::Pass();
}

Outcome LocaleUnchanged(Context& context) {
    NEED_DISPLAY(parent)
    const std::string before = std::setlocale(LC_ALL, nullptr);
    std::string error;
    auto plugin = context.Load(error);
    if (plugin == nullptr) return Outcome::Fail(error);
    const std::string why = OpenIdleClose(plugin->host, parent, 100);
    if (!why.empty()) return Outcome::Fail(why);
    const std::string after = std::setlocale(LC_ALL, nullptr);
    if (after != before) return Outcome::Fail("the locale went from " + before + " to " + after);
    return Outcome::Pass(before);
}

unsigned ChildWindows(Display* display, Window parent) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    if (children != nullptr) XFree(children);
    return count;
}

// A host that hands every editor a connection of its own and closes it right after
// effEditClose: the plug-in must not touch it again (automation, idle calls and processing
// follow), must leave no window behind, and must open again on the next connection.
Outcome ConnectionClosedAfterClose(Context& context) {
    std::string error;
    HostAnswers answers;
    answers.realtimeEvents = true;
    auto plugin = context.Load(error, answers);
    if (plugin == nullptr) return Outcome::Fail(error);
    Host& host = plugin->host;
    if (!(host.Effect()->flags & effFlagsHasEditor)) return Outcome::Skip("no editor");
    host.Resume();
    Audio audio;
    audio.Resize(64, context.random());
    const int rounds = context.options().strictness >= 5 ? 4 : 2;
    for (int round = 0; round < rounds; ++round) {
        const std::string which = "connection " + std::to_string(round + 1);
        {
            NEED_DISPLAY(parent)
            const std::string why = OpenIdleClose(host, parent, 120, true);
            if (!why.empty()) return Outcome::Fail(which + ": " + why);
            XSync(parent.display(), False);
            if (const unsigned left = ChildWindows(parent.display(), parent.window()))
                return Outcome::Fail(which + ": " + std::to_string(left) +
                                     " windows left in the host window after effEditClose");
        } // the host closes the connection here
        for (int block = 0; block < 20; ++block) {
            for (VstInt32 i = 0; i < host.Effect()->numParams; ++i)
                host.SetParameter(i, context.Unit());
            host.Dispatch(effEditIdle);
            host.SendMidi(context.RandomNotes(8, 64));
            host.ProcessReplacing(audio.inputs, audio.outputs, 64);
            const std::string why = InvalidEvents(host.TakeRealtimeEvents(), 64);
            if (!why.empty()) return Outcome::Fail(which + " closed: the plug-in sent " + why);
        }
    }
    return Outcome::Pass(std::to_string(rounds) + " connections opened and closed");
}

} // namespace

void AddEditorChecks(std::vector<Check>& checks) {
    checks.push_back({"editor.open-cold", 1, true, OpenCold});
    checks.push_back({"editor.open-warm", 1, true, OpenWarm});
    checks.push_back({"editor.open-while-processing", 3, true, OpenWhileProcessing});
    checks.push_back({"editor.automation-while-open", 3, true, AutomationWhileOpen});
    checks.push_back({"editor.zero-rate-and-block", 1, true, ZeroRateAndBlock});
    checks.push_back({"editor.no-display", 1, true, NoDisplay});
    checks.push_back({"editor.locale-unchanged", 1, true, LocaleUnchanged});
    checks.push_back({"editor.connection-closed-after-close", 1, true, ConnectionClosedAfterClose});
}

} // namespace moravox::host::validate

namespace moravox::host {

int RunValidateNoDisplayProbe(const std::vector<std::string>& args, std::ostream& err) {
    if (args.size() != 2) return Fail(err, kExitBadInput, "the probe takes a plug-in path");
    PluginLibrary library(args[1]);
    if (!library.Loaded()) return Fail(err, kExitFailure, library.Error());
    Host host(library);
    // A plug-in may refuse to start without a display; that is a safe answer too.
    if (!host.Instantiate()) return kExitOk;
    host.Open();
    // A window id of a server the plug-in cannot reach.
    host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(0x400001)));
    host.Dispatch(effEditIdle);
    host.EditorRect();
    host.Dispatch(effEditClose);
    host.Close();
    return kExitOk;
}

} // namespace moravox::host
