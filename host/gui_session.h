// The gui command: opens the plug-in's editor in a top-level window of ours the way one of
// three kinds of Linux host embeds a VST 2 editor, and runs that host's event loop.
//
//   1  passes its own X connection and a small window of its own; takes the event procedure
//      from the child it sees reparented into that window and hands it every event of its
//      connection; idles the editor every 40 ms; resizes itself when asked.
//   2  passes a connection of its own for the editor and a top-level window; takes the
//      procedure from that window's first child when it first shows the window and hands it
//      every event but focus changes; idles the editor, asks its rectangle after opening and
//      sends a vendor-specific request first.
//   3  passes no connection: the plug-in runs on its own, whose events nobody else reads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "host/gui_xlib.h"
#include "host/host.h"
#include "host/plugin_library.h"

namespace moravox::host {

enum class Teardown {
    Normal,       // close the editor, close the plug-in, close the connections, unload
    DisplayFirst, // close the editor, close the connection the plug-in uses, then the rest
    UnloadFirst,  // unload the library with the editor open and the plug-in never closed
    NoEditClose,  // close the plug-in with its editor still open
};

struct GuiOptions {
    int hostModel = 1;
    double seconds = 0;     // quit after this long; 0: on "quit", end of input or window close
    std::string screenshot; // a PNG of the editor, taken once it has painted
    bool commands = false;  // read commands on standard input (see gui_commands.cpp)
    int cycles = 0;         // close and reopen the editor this many times, then quit
    bool process = false;   // an audio thread processes blocks all along
    bool notes = false;     // ... and feeds them note-ons and note-offs
    bool automate = false;  // a thread automates parameters all along
    int baselineTickMs = 0; // a thread ("tick-baseline") that only wakes this often: what
                            // waking alone costs on this machine, beside the plug-in's ticks
    int x = 40;             // where our top-level window goes on the screen
    int y = 40;
    Teardown teardown = Teardown::Normal;
};

// MIDI the plug-in handed over while the audio thread ran, by kind.
struct MidiCounts {
    std::atomic<int64_t> noteOn{0}, noteOff{0}, controlChange{0}, programChange{0}, bend{0},
        panic{0}, other{0};
};

class GuiSession {
public:
    GuiSession(const XlibApi& x, const GuiOptions& options, std::ostream& out, std::ostream& err);
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    // Exit status as the other commands: 0, 1 (plug-in or display trouble).
    int Run(const std::string& pluginPath);

    // For the command reader: runs `work` on the GUI thread and waits for it.
    void OnGuiThread(std::function<void()> work);
    // One line on the output, whole.
    void Say(const std::string& line);
    Host* GetHost() { return host_; }
    const MidiCounts& Midi() const { return midi_; }
    bool OpenEditor();
    void CloseEditor();
    bool Screenshot(const std::string& path);
    void Quit() { quit_ = true; }
    std::string ParametersJson();
    std::string MidiJson();
    std::string StateJson();
    // Whether this program was built with a sanitizer (memory figures mean little then).
    static const bool kSanitized;

private:
    bool CreateWindows();
    void DestroyWindows();
    // Reads and hands over what is queued on our connections; waits up to `ms` first.
    void Pump(int ms);
    void HandleEvent(XEvent& event);
    void TakeProcedureFrom(Window child);
    void IdleEditor();
    void RunQueuedWork();
    void Loop();
    void Cycles();
    void TearDown();
    void StartThreads();
    void StopThreads();
    void AudioThread();
    void AutomationThread();
    void BaselineThread();
    void ReadCommands();
    Window PanelWindow();
    int CountWindows();
    static long ResidentKb();
    void Report();
    std::string ParametersArray();
    std::string MidiObject();

    const XlibApi& x_;
    GuiOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    std::mutex outMutex_;

    std::unique_ptr<PluginLibrary> library_;
    Host* host_ = nullptr;
    Display* display_ = nullptr;       // ours: our top-level window, and model 1's connection
    Display* editorDisplay_ = nullptr; // model 2's connection for the editor
    Window top_ = 0;
    Window socket_ = 0; // model 1's small window inside the top-level one
    Atom deleteAtom_ = 0;
    using Procedure = int (*)(XEvent*);
    Procedure procedure_ = nullptr;
    bool shown_ = false;
    bool editorOpen_ = false;
    std::atomic<bool> quit_{false};
    std::atomic<bool> stop_{false};
    uint64_t lastIdle_ = 0;

    int wakePipe_[2] = {-1, -1};
    std::mutex workMutex_;
    std::deque<std::function<void()>> work_;

    std::thread audio_;
    std::thread automation_;
    std::thread baseline_;
    std::thread reader_;
    MidiCounts midi_;

    double firstOpenMs_ = 0;
    std::vector<double> reopenMs_;
    int windowsFirst_ = -1;
    int windowsLast_ = -1;
    long rssFirstKb_ = -1;
    long rssLastKb_ = -1;
};

} // namespace moravox::host
