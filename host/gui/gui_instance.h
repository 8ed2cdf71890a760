// One plug-in instance of the gui command: the record its own call of the library's main
// gave, the windows of ours its editor is embedded in, and in model 2 the connection that
// editor gets (with reconnecting, closed with the editor and made anew for the next
// opening). The host models are described in gui_session.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "host/gui/gui_xlib.h"
#include "host/core/host.h"
#include "host/core/plugin_library.h"

namespace moravox::host {

// MIDI the plug-in handed over while the audio thread ran, by kind.
struct MidiCounts {
    std::atomic<int64_t> noteOn{0}, noteOff{0}, controlChange{0}, programChange{0}, bend{0},
        panic{0}, other{0};
};

class GuiInstance {
public:
    // Hosts of kinds 1 and 2 idle the editor at this period.
    static constexpr uint64_t kIdleMs = 40;

    // `shared` is the session's connection, on which models 1 and 3 make our windows.
    GuiInstance(const XlibApi& x, int hostModel, bool reconnect, int number, int slot,
                Display* shared);
    ~GuiInstance();
    GuiInstance(const GuiInstance&) = delete;
    GuiInstance& operator=(const GuiInstance&) = delete;

    // main, effOpen and resume; false with the reason in `error`.
    bool Instantiate(PluginLibrary& library, std::string& error);
    // Our window at (x, y) on the screen; model 2 first opens the connection it makes it on.
    bool CreateWindows(int x, int y);
    void DestroyWindows();
    bool OpenEditor();
    void CloseEditor();
    // Model 2's connection for this editor; null in the other models.
    Display* OwnConnection() const { return own_.Get(); }
    void CloseOwnConnection();
    // effClose; or, with the library already unloaded, the record left behind unclosed.
    void CloseHost();
    void AbandonHost();

    // Our top-level or socket window of this instance.
    bool IsOurs(Window window) const { return window && (window == top_ || window == socket_); }
    Window Top() const { return top_; }
    Window Socket() const { return socket_; }
    // Hands one event over as the host model does; true when the user closed our window.
    bool HandleEvent(XEvent& event);
    bool HasProcedure() const { return procedure_ != nullptr; }
    void Idle(uint64_t nowMs);
    // The editor's window inside ours once the server shows it, or 0.
    Window PanelWindow();
    // The state command's object. `extended` adds which instance it is, our window and where
    // it is on the screen, and the editor's window inside it shown or not.
    std::string StateObject(bool extended);
    bool Screenshot(const std::string& path);
    // The rectangle our window covers on the screen; false before it exists.
    bool Area(int& x, int& y, int& width, int& height);

    Host* GetHost() const { return host_.get(); }
    MidiCounts& Midi() { return midi_; }
    int Number() const { return number_; }
    int Slot() const { return slot_; }

private:
    Display* WindowDisplay() const { return own_.Get() ? own_.Get() : shared_; }
    Window EditorChild();
    void TakeProcedureFrom(Window child);

    const XlibApi& x_;
    const int model_;
    const bool reconnect_; // model 2: connection and window go with each closing
    const int number_;
    const int slot_;
    Display* const shared_;
    XConnection own_;
    Window top_ = 0;
    Window socket_ = 0; // model 1's small window inside the top-level one
    int x_at_ = 0, y_at_ = 0; // where our window goes on the screen
    Atom deleteAtom_ = 0;
    using Procedure = int (*)(XEvent*);
    Procedure procedure_ = nullptr;
    bool shown_ = false;
    bool editorOpen_ = false;
    uint64_t lastIdle_ = 0;
    MidiCounts midi_;
    // Last: goes first, so the plug-in is closed before our windows and connection.
    std::unique_ptr<Host> host_;
};

} // namespace moravox::host
