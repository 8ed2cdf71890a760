#include "GUI/world.h"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "GUI/colour.h"
#include "GUI/info.h"
#include "GUI/staticdata.h"
#include "system/persistent.h"

// From the extension writer's interface (Xlibint.h, whose macros clash with the C++
// library): the hook a connection runs while it closes.
extern "C" int (*XESetCloseDisplay(Display*, int, int (*)(Display*, XExtCodes*)))(Display*,
                                                                                  XExtCodes*);

Display* dps = nullptr;
std::atomic<Display*> dp{nullptr};

namespace velk::gui {

namespace {

// More connections than any host opens editors at once; a further one is refused.
constexpr int kConnections = 32;

struct SConnection {
    std::atomic<Display*> display{nullptr};
    // Set by the I/O error exit handler, which may run on any thread that used the
    // connection, without our lock.
    std::atomic<bool> dead{false};
    XExtCodes* hook = nullptr;
    int users = 0;
    bool atomsInterned = false;
    SAtoms atoms;
    bool paletteFilled = false;
    int palette[kPaletteSlots] = {};
};

// Everything below but `dead` and `display` is guarded by GuiLock.
struct SWorldState {
    SConnection connections[kConnections];
    std::atomic<Display*> active{nullptr};
    std::atomic<bool> noDisplayReported{false};
    ClosingListener closing = nullptr;
    // Read by the registry under its own lock: no GuiLock for these.
    std::atomic<EventProcItemSource> eventProcItem{nullptr};
    std::atomic<bool> controlItemIsAddress{false};
};

SWorldState& World() {
    struct WorldTag {};
    return velk::system::Persistent<WorldTag, SWorldState>();
}

SConnection* Find(Display* display) {
    if (!display) return nullptr;
    for (SConnection& c : World().connections)
        if (c.display.load(std::memory_order_acquire) == display) return &c;
    return nullptr;
}

// A connection toolkit code was handed without being told of it first is made known.
SConnection* FindOrAttach(Display* display) {
    if (SConnection* c = Find(display)) return c;
    return Attach(display) ? Find(display) : nullptr;
}

bool Live(Display* display) {
    return display && !IsDead(display);
}

// Xlib calls this instead of exit(1) once a connection's server has gone: the
// connection only answers with failures from now on, and the host goes on.
void ConnectionLost(Display*, void* data) {
    static_cast<SConnection*>(data)->dead.store(true, std::memory_order_release);
}

// Xlib's default I/O error handler ends the process before any exit handler runs. Ours
// stands in for it only while the host has installed none: for our own connection it
// returns, so the exit handler above marks it dead; a host's connection meets the
// default as before, since what happens to the host on its own connection is its call.
XIOErrorHandler defaultIOHandler = nullptr;

int OwnConnectionLost(Display* display) {
    if (display && display == dps) return 0;
    return defaultIOHandler ? defaultIOHandler(display) : 0;
}

void InstallIOHandler() {
    XIOErrorHandler current = XSetIOErrorHandler(nullptr);
    XIOErrorHandler standard = XSetIOErrorHandler(current);
    if (current != standard) return;
    defaultIOHandler = standard;
    XSetIOErrorHandler(&OwnConnectionLost);
}

void RemoveIOHandler() {
    if (!defaultIOHandler) return;
    // Only ours goes: a handler the host installed since stays.
    XIOErrorHandler current = XSetIOErrorHandler(defaultIOHandler);
    if (current != &OwnConnectionLost) XSetIOErrorHandler(current);
    defaultIOHandler = nullptr;
}

void Forget(SConnection& c, bool unhook) {
    Display* display = c.display.load(std::memory_order_acquire);
    if (unhook && display) {
        if (c.hook) XESetCloseDisplay(display, c.hook->extension, nullptr);
        XSetIOErrorExitHandler(display, nullptr, nullptr);
    }
    Display* expected = display;
    dp.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
    c.hook = nullptr;
    c.users = 0;
    c.atomsInterned = false;
    c.atoms = SAtoms{};
    c.paletteFilled = false;
    c.dead.store(false, std::memory_order_release);
    c.display.store(nullptr, std::memory_order_release);
}

// Everything of ours made on the connection goes, then the record of it.
void Release(SConnection& c, bool unhook) {
    Display* display = c.display.load(std::memory_order_acquire);
    if (World().closing) World().closing(display);
    ReleaseInfoDialog(display);
    if (statdata) statdata->ReleaseFonts(display);
    Forget(c, unhook);
}

// Runs inside XCloseDisplay, which still works here: whatever was made on the connection
// goes now, not later on a connection already gone.
int Closing(Display* display, XExtCodes*) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    if (SConnection* c = Find(display)) Release(*c, false);
    return 0;
}

} // namespace

SNoSigpipe::SNoSigpipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
}

SNoSigpipe::~SNoSigpipe() {
    // One raised meanwhile waits, pending on this thread: take it before unblocking.
    sigset_t pending;
    if (!sigismember(&old, SIGPIPE) && sigpending(&pending) == 0 &&
        sigismember(&pending, SIGPIPE)) {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        const timespec now{};
        sigtimedwait(&pipe, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

std::recursive_mutex& GuiLock() {
    // Never destroyed: an editor torn down by a late static destructor still finds it.
    struct GuiLockTag {};
    return velk::system::Persistent<GuiLockTag, std::recursive_mutex>();
}

void OpenOwnDisplay() {
    const char* name = getenv("DISPLAY");
    {
        // A server that hangs up during the handshake.
        SNoSigpipe noSigpipe;
        dps = XOpenDisplay(name ? name : ":0.0");
    }
    if (!dps) {
        fputs("Error: XOpenDisplay failed.\n", stderr);
        return;
    }
    XFlush(dps);
    InstallIOHandler();
    Attach(dps);
}

void CloseOwnDisplay() {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    for (SConnection& c : World().connections)
        if (c.display.load(std::memory_order_acquire) && c.display != dps) Release(c, true);
    if (dps) {
        // Our own hook releases what is left on it while it closes.
        XCloseDisplay(dps);
        if (SConnection* c = Find(dps)) Forget(*c, false);
    }
    dps = nullptr;
    RemoveIOHandler();
    World().active.store(nullptr, std::memory_order_release);
}

bool Attach(Display* display) {
    if (!display) return false;
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    if (SConnection* known = Find(display)) return !known->dead.load(std::memory_order_acquire);
    for (SConnection& c : World().connections) {
        if (c.display.load(std::memory_order_acquire)) continue;
        c.display.store(display, std::memory_order_release);
        XSetIOErrorExitHandler(display, &ConnectionLost, &c);
        c.hook = XAddExtension(display);
        if (c.hook) XESetCloseDisplay(display, c.hook->extension, &Closing);
        return true;
    }
    return false;
}

void AdoptHostDisplay(Display* display) {
    if (!display || !Attach(display)) return;
    Display* expected = nullptr;
    dp.compare_exchange_strong(expected, display, std::memory_order_acq_rel);
}

bool IsDead(Display* display) {
    const SConnection* c = Find(display);
    return c && c->dead.load(std::memory_order_acquire);
}

void Use(Display* display) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    if (SConnection* c = FindOrAttach(display)) c->users++;
}

void Unuse(Display* display) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    SConnection* c = Find(display);
    if (!c || c->users <= 0) return;
    if (--c->users == 0 && statdata) statdata->ReleaseFonts(display);
}

const SAtoms* Atoms(Display* display, bool refreshHints) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    SConnection* c = FindOrAttach(display);
    if (!c) return nullptr;
    SAtoms& a = c->atoms;
    if (!c->atomsInterned) {
        char* names[] = {const_cast<char*>("_ZOVUZOZ"), const_cast<char*>("_XEventProc"),
                         const_cast<char*>("WM_PROTOCOLS")};
        Atom found[3] = {};
        XInternAtoms(display, names, 3, False, found);
        a.control = found[0];
        a.eventProc = found[1];
        a.protocols = found[2];
        refreshHints = true;
        c->atomsInterned = true;
    }
    if (refreshHints) {
        // Only asked for, never made: a server without a window manager has none.
        char* names[] = {const_cast<char*>("_MOTIF_WM_HINTS"), const_cast<char*>("_WIN_HINTS"),
                         const_cast<char*>("KWM_WIN_DECORATION"),
                         const_cast<char*>("_NET_WM_WINDOW_TYPE"),
                         const_cast<char*>("WM_DELETE_WINDOW"),
                         const_cast<char*>("WM_CHANGE_STATE")};
        Atom found[6] = {};
        XInternAtoms(display, names, 6, True, found);
        a.motif = found[0];
        a.win = found[1];
        a.kwm = found[2];
        a.type = found[3];
        a.deleteWindow = found[4];
        a.changeState = found[5];
    }
    return &a;
}

const int* Palette(Display* display) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    SConnection* c = FindOrAttach(display);
    if (!c) return nullptr;
    if (!c->paletteFilled) {
        for (int slot = 0; slot < kPaletteSlots; slot++)
            c->palette[slot] = DisplayPixel(display, kPalette[slot].r, kPalette[slot].g, kPalette[slot].b);
        c->paletteFilled = true;
    }
    return c->palette;
}

Display* XDisplay() {
    SWorldState& w = World();
    Display* active = w.active.load(std::memory_order_acquire);
    if (active) return Live(active) ? active : nullptr;
    Display* host = dp.load(std::memory_order_acquire);
    if (Live(host)) return host;
    return Live(dps) ? dps : nullptr;
}

Display* RequireDisplay() {
    Display* display = XDisplay();
    if (!display && !World().noDisplayReported.exchange(true, std::memory_order_acq_rel))
        fputs("Error: No X display; the interface is not available.\n", stderr);
    return display;
}

bool NoDisplayReported() {
    return World().noDisplayReported.load(std::memory_order_acquire);
}

void ResetNoDisplayReport() {
    World().noDisplayReported.store(false, std::memory_order_release);
}

SDisplayScope::SDisplayScope(Display* display)
    : guard(GuiLock()), previous(World().active.load(std::memory_order_acquire)) {
    World().active.store(display, std::memory_order_release);
}

SDisplayScope::~SDisplayScope() {
    World().active.store(previous, std::memory_order_release);
}

void SetClosingListener(ClosingListener listener) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    World().closing = listener;
}

void SetPublishedItems(EventProcItemSource eventProcItem, bool controlItemIsAddress) {
    World().eventProcItem.store(eventProcItem, std::memory_order_release);
    World().controlItemIsAddress.store(controlItemIsAddress, std::memory_order_release);
}

std::uint32_t EventProcItem() {
    EventProcItemSource source = World().eventProcItem.load(std::memory_order_acquire);
    return source ? source() : 0;
}

bool ControlItemIsAddress() {
    return World().controlItemIsAddress.load(std::memory_order_acquire);
}

} // namespace velk::gui
