#include "plugin/application.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "GUI/info.h"
#include "GUI/staticdata.h"
#include "engine/vstplugin.h"
#include "plugin/vst_abi_eventproc.h"
#include "system/idle.h"
#include "system/system.h"

Display* dps = nullptr;
velk::system::SSystemData* sd = nullptr;

namespace {

std::atomic<Display*> hostDisplay{nullptr};

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

void AdoptHostDisplay(void* display) {
    if (!display) return;
    Display* expected = nullptr;
    hostDisplay.compare_exchange_strong(expected, static_cast<Display*>(display),
                                        std::memory_order_acq_rel);
}

Display* CurrentDisplay() {
    Display* host = HostDisplay();
    return host ? host : dps;
}

void LoadTimeInit() {
    // Before any window of ours exists: the idle thread draws while the host's
    // thread dispatches events.
    XInitThreads();
    const char* name = getenv("DISPLAY");
    dps = XOpenDisplay(name ? name : ":0.0");
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
