#include "plugin/application.h"

#include <X11/Xlib.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>

#include "GUI/info.h"
#include "GUI/staticdata.h"
#include "engine/vstplugin.h"
#include "plugin/editor.h"
#include "plugin/vst_abi_eventproc.h"
#include "system/idle.h"
#include "system/persistent.h"
#include "system/system.h"

// From the extension writer's interface (Xlibint.h, whose macros clash with the C++
// library): the hook a connection runs while it closes.
extern "C" int (*XESetCloseDisplay(Display*, int, int (*)(Display*, XExtCodes*)))(Display*,
                                                                                  XExtCodes*);

Display* dps = nullptr;
velk::system::SSystemData* sd = nullptr;

namespace {

std::atomic<Display*> hostDisplay{nullptr};
// The close hook on the adopted host display; guarded by GuiLock.
XExtCodes* hostDisplayHook = nullptr;

const char* const kTitle = "Moravox";
const char* const kSupport = "support@moravox.org";

std::string RefusalMessage(int status, SPlugin* plugin) {
    std::string text = "Failed to load plugin\n(Reason: ";
    if (status == STARTUP_SYSTEM) {
        text += "System not supported\nPlease check the requirements)";
    } else if (status == STARTUP_HOST) {
        text += "Host not supported (";
        text += plugin ? plugin->PluginHostName() : "";
        text += "))";
    } else {
        text += "Internal Error\nPlease report to \n";
        text += kSupport;
        text += ")";
    }
    return text;
}

} // namespace

Display* HostDisplay() {
    return hostDisplay.load(std::memory_order_acquire);
}

namespace {

// Runs inside XCloseDisplay of the host's connection, which still works here: every
// window and font we made on it goes now, not later on a connection already gone.
int HostDisplayClosing(Display* display, XExtCodes*) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    SPluginEditor::ReleaseGuis(display);
    velk::gui::ReleaseInfoDialog(display);
    if (statdata) statdata->fonts.DeleteAll();
    hostDisplayHook = nullptr;
    Display* expected = display;
    hostDisplay.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
    return 0;
}

void UnhookHostDisplay() {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    Display* host = HostDisplay();
    if (host && hostDisplayHook) XESetCloseDisplay(host, hostDisplayHook->extension, nullptr);
    hostDisplayHook = nullptr;
}

} // namespace

void AdoptHostDisplay(void* display) {
    if (!display) return;
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    Display* expected = nullptr;
    if (!hostDisplay.compare_exchange_strong(expected, static_cast<Display*>(display),
                                             std::memory_order_acq_rel))
        return;
    hostDisplayHook = XAddExtension(static_cast<Display*>(display));
    if (hostDisplayHook)
        XESetCloseDisplay(static_cast<Display*>(display), hostDisplayHook->extension,
                          &HostDisplayClosing);
}

std::recursive_mutex& GuiLock() {
    // Never destroyed: an editor torn down by a late static destructor still finds it.
    struct GuiLockTag {};
    return velk::system::Persistent<GuiLockTag, std::recursive_mutex>();
}

Display* CurrentDisplay() {
    Display* host = HostDisplay();
    return host ? host : dps;
}

namespace {

// Opens a connection without letting a server that hangs up during the handshake raise
// SIGPIPE in the host, whose default action would end it.
Display* OpenDisplayWithoutSigpipe(const char* name) {
    sigset_t pipe, old;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    Display* display = XOpenDisplay(name);
    // One raised meanwhile waits, pending on this thread: take it before unblocking.
    sigset_t pending;
    if (!sigismember(&old, SIGPIPE) && sigpending(&pending) == 0 &&
        sigismember(&pending, SIGPIPE)) {
        const timespec now{};
        sigtimedwait(&pipe, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return display;
}

} // namespace

void LoadTimeInit() {
    // Before any window of ours exists: the idle thread draws while the host's
    // thread dispatches events.
    XInitThreads();
    const char* name = getenv("DISPLAY");
    dps = OpenDisplayWithoutSigpipe(name ? name : ":0.0");
    if (dps)
        XFlush(dps);
    else
        fputs("Error: XOpenDisplay failed.\n", stderr);
    sd = new (std::nothrow) velk::system::SSystemData();
    if (sd) {
        sd->getOSInfos();
        sd->getCPUInfos();
        sd->getDisplayInfos();
    }
    statdata = new (std::nothrow) velk::gui::context::SStaticData();
    if (statdata) statdata->AddColours();
}

void UnloadTeardown() {
    // A host may unload us with editors still alive: their windows go before any
    // connection closes, and the host's connection no longer calls into our code.
    SPluginEditor::ReleaseGuis(nullptr);
    SPluginEditor::ForgetAll();
    velk::gui::ReleaseInfoDialog(nullptr);
    UnhookHostDisplay();
    velk::threading::ShutdownIdleThread();
    // Fonts, brushes and pens go with it, before the display they were made on.
    delete statdata;
    statdata = nullptr;
    delete sd;
    sd = nullptr;
    if (dps) XCloseDisplay(dps);
    dps = nullptr;
    velk::plugin::ReleaseEventProcThunk();
}

AEffect* StartPlugin(audioMasterCallback audioMaster, velk::system::SSystemData* system) {
    // Without a callback there is no host to ask: treat it like a host that answers 0.
    if (!audioMaster) return nullptr;
    try {
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;

        int status = STARTUP_OK;
        VSTPlugin* plugin = nullptr;
        if (!system || !system->Qualifies(false, false)) {
            if (system) system->ErrorMessage(false, false);
            status = STARTUP_SYSTEM;
        } else {
            system->FeatureMessage();
            plugin = new VSTPlugin(audioMaster, status);
            if (status == STARTUP_OK) return plugin->getAeffect();
            if (status == STARTUP_SILENT) {
                delete plugin;
                return nullptr;
            }
        }
        // The host name comes from the object, so the text is built before it goes.
        std::string message = RefusalMessage(status, plugin);
        SInfo(message.c_str(), kTitle);
        delete plugin;
        return nullptr;
    } catch (...) {
        return nullptr;
    }
}
