// The toolkit's process state, owned in one place: the X connections it draws on and
// what it keeps for each, the lock that serialises toolkit work, and the hooks through
// which the layers above learn that a connection ends.
//
// Every editor works on the connection its host handed over with it (or on `dps`). A
// connection is known from its first use until it closes or the library unloads; while
// known it carries a close hook and an I/O error exit handler of ours, so a server that
// goes away marks it dead instead of ending the host.
#pragma once

#include <X11/Xlib.h>

#include <signal.h>

#include <atomic>
#include <cstdint>
#include <mutex>

// The plug-in's own connection, opened at load; null when that failed.
extern Display* dps;
// The first connection a host handed over with an editor, while it lives. It serves only
// work that belongs to no editor (the message box); every editor uses its own.
extern std::atomic<Display*> dp;

namespace velk::gui {

constexpr int kPaletteSlots = 29;

// Atoms the toolkit names, interned once per connection.
struct SAtoms {
    Atom control = 0;      // "_ZOVUZOZ"
    Atom eventProc = 0;    // "_XEventProc"
    Atom protocols = 0;    // "WM_PROTOCOLS"
    // Only looked up, 0 while the server has none: a window manager may bring them later,
    // so they are asked for again for each top-level window.
    Atom motif = 0, win = 0, kwm = 0, type = 0;
    Atom deleteWindow = 0; // "WM_DELETE_WINDOW"
    Atom changeState = 0;  // "WM_CHANGE_STATE"
};

// Serialises everything that changes toolkit controls from more than one thread: event
// dispatch, the editors' idle ticks, opening and closing editors. Recursive, since a
// dispatch may run a modal loop that dispatches again.
std::recursive_mutex& GuiLock();

// Load: opens `dps` ($DISPLAY, else ":0.0") without letting a server that hangs up raise
// SIGPIPE in the host. Unload: forgets every connection (our hooks leave each one) and
// closes `dps`.
void OpenOwnDisplay();
void CloseOwnDisplay();

// Makes a connection known; true when it is known and alive. The first connection a
// host hands over also becomes `dp`.
bool Attach(Display* display);
void AdoptHostDisplay(Display* display);
// Whether the connection's server went away (its I/O error handler ran).
bool IsDead(Display* display);
// A panel or dialog starts or stops living on a connection; when the last one goes, the
// fonts made on it are released.
void Use(Display* display);
void Unuse(Display* display);

// The atoms of a connection (interned on first use; an unknown connection becomes known);
// null when no more connections can be known. `refreshHints` looks the window-manager
// hint atoms up again.
const SAtoms* Atoms(Display* display, bool refreshHints = false);
// The palette of a connection, filled on first use; null as for Atoms.
const int* Palette(Display* display);

// The connection toolkit code creates on now: the innermost SDisplayScope's, else `dp`,
// else `dps`; null when none of them is alive.
Display* XDisplay();
// XDisplay(), or null after reporting once per process on standard error that the
// toolkit has no display (a headless scan): callers then create nothing.
Display* RequireDisplay();
bool NoDisplayReported();
void ResetNoDisplayReport();

// Holds GuiLock and makes `display` the one XDisplay() answers until it goes.
class SDisplayScope {
public:
    explicit SDisplayScope(Display* display);
    ~SDisplayScope();
    SDisplayScope(const SDisplayScope&) = delete;
    SDisplayScope& operator=(const SDisplayScope&) = delete;

private:
    std::lock_guard<std::recursive_mutex> guard;
    Display* previous;
};

// Blocks SIGPIPE on the calling (host) thread while toolkit work there may write to a
// server that just went away, and takes one raised meanwhile before unblocking: its
// default action would end the host.
class SNoSigpipe {
public:
    SNoSigpipe();
    ~SNoSigpipe();
    SNoSigpipe(const SNoSigpipe&) = delete;
    SNoSigpipe& operator=(const SNoSigpipe&) = delete;

private:
    sigset_t old;
};

// Called under GuiLock when a connection closes (inside its XCloseDisplay, so it still
// works) or at unload: the layers above release what they made on it. One listener.
using ClosingListener = void (*)(Display* display);
void SetClosingListener(ClosingListener listener);

// What every control window publishes for hosts, decided by the host ABI above us: the
// event procedure's item, and whether a control's item is its own address.
using EventProcItemSource = std::uint32_t (*)();
void SetPublishedItems(EventProcItemSource eventProcItem, bool controlItemIsAddress);
std::uint32_t EventProcItem();
bool ControlItemIsAddress();

} // namespace velk::gui
