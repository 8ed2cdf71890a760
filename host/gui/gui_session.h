// The gui command: opens the plug-in's editor in a top-level window of ours the way one of
// three kinds of Linux host embeds a VST 2 editor, and runs that host's event loop.
//
//   1  passes its own X connection and a small window of its own; takes the event procedure
//      from the child it sees reparented into that window and hands it every event of its
//      connection; idles the editor every 40 ms; resizes itself when asked.
//   2  passes a connection of its own for the editor and a top-level window; takes the
//      procedure from that window's first child when it first shows the window and hands it
//      every event but focus changes; idles the editor, asks its rectangle after opening and
//      sends a vendor-specific request first. With --reconnect, closing the editor destroys
//      that window and closes that connection, and the next opening makes both anew.
//   3  passes no connection: the plug-in runs on its own, whose events nobody else reads.
//
// With several instances each gets its own top-level window, side by side. Kind 1 hands all
// editors its one connection and each event to the instance whose socket holds its window;
// kind 2 opens a connection per editor; kind 3 still passes none.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "host/gui/gui_instance.h"
#include "host/gui/gui_xlib.h"
#include "host/core/plugin_library.h"

namespace moravox::host {

enum class Teardown {
    Normal,       // close the editor, close the plug-in, close the connections, unload
    DisplayFirst, // close the editor, close the connection the plug-in uses, then the rest
    UnloadFirst,  // unload the library with the editor open and the plug-in never closed
    NoEditClose,  // close the plug-in with its editor still open
};

struct GuiOptions {
    int hostModel = 1;
    int instances = 1;      // plug-in instances, each with its editor in a window of ours
    double seconds = 0;     // quit after this long; 0: on "quit", end of input or window close
    std::string screenshot; // a PNG of the editors, taken once they have painted
    bool commands = false;  // read commands on standard input (see gui_commands.cpp)
    int cycles = 0;         // close and reopen the editors this many times, then quit
    bool process = false;   // an audio thread processes blocks all along
    bool notes = false;     // ... and feeds them note-ons and note-offs
    bool automate = false;  // a thread automates parameters all along
    bool reconnect = false; // model 2: a new connection and window for every opening
    int baselineTickMs = 0; // a thread ("tick-baseline") that only wakes this often: what
                            // waking alone costs on this machine, beside the plug-in's ticks
    int x = 40;             // where our first top-level window goes on the screen
    int y = 40;
    Teardown teardown = Teardown::Normal;
};

class GuiSession {
public:
    static constexpr int kMaxInstances = 8;

    GuiSession(const XlibApi& x, const GuiOptions& options, std::ostream& out, std::ostream& err);
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    // Exit status as the other commands: 0, 1 (plug-in or display trouble).
    int Run(const std::string& pluginPath);

    // Whether this program was built with a sanitizer (memory figures mean little then).
    static const bool kSanitized;

private:
    using InstanceList = std::vector<std::unique_ptr<GuiInstance>>;

    // A new instance with its windows in the first free place and its editor open and
    // shown; null, with the reason on the error output, when any of it fails.
    GuiInstance* AddInstance();
    void RemoveInstance(int number);
    // Only on the GUI thread, which alone changes the list.
    GuiInstance* Find(int number);
    // Runs `work` with the instance (null when there is none) while no thread can remove it.
    void WithInstance(int number, const std::function<void(GuiInstance*)>& work);
    void WaitForPanel(GuiInstance& instance);
    // Reads and hands over what is queued on our connections; waits up to `ms` first.
    void Pump(int ms);
    // The instance an event of the shared connection belongs to.
    GuiInstance* OwnerOf(const XEvent& event);
    GuiInstance* OwnerOfWindow(Window window);
    void RunQueuedWork();
    // For the command reader: runs `work` on the GUI thread and waits for it.
    void OnGuiThread(std::function<void()> work);
    void Say(const std::string& line);
    void Quit() { quit_ = true; }
    void Loop();
    void Cycles();
    void TearDown();
    bool Screenshot(const std::string& path);
    void StartThreads();
    void StopThreads();
    void AudioThread();
    void AutomationThread();
    void BaselineThread();
    void ReadCommands();
    // One command for instance `number`, its answer; `selected`: named with a prefix.
    std::string Command(int number, bool selected, const std::string& command, std::istream& line);
    int CountWindows();
    static long ResidentKb();
    void Report();

    const XlibApi& x_;
    GuiOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    std::mutex outMutex_;

    // Declared in the order they may go: the library outlives every instance, and our
    // connection the windows made on it.
    std::unique_ptr<PluginLibrary> library_;
    XConnection display_;       // ours: our top-level windows, and model 1's connection
    std::mutex instancesMutex_; // held by the other threads while they use an instance
    InstanceList instances_;
    int nextNumber_ = 0;
    // Model 1 with several instances: whose each window of the shared connection is (-1:
    // nobody's), asked of the server once per window.
    std::map<Window, int> owners_;
    std::set<Window> removed_; // the windows of removed instances
    std::atomic<bool> quit_{false};
    std::atomic<bool> stop_{false};

    int wakePipe_[2] = {-1, -1};
    std::mutex workMutex_;
    std::deque<std::function<void()>> work_;

    std::thread audio_;
    std::thread automation_;
    std::thread baseline_;
    std::thread reader_;

    double firstOpenMs_ = 0;
    std::vector<double> reopenMs_;
    int windowsFirst_ = -1;
    int windowsLast_ = -1;
    long rssFirstKb_ = -1;
    long rssLastKb_ = -1;
};

} // namespace moravox::host
