#include "plugin/entry/application.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <string>

#include "GUI/control.h"
#include "GUI/monitors.h"
#include "GUI/info.h"
#include "GUI/staticdata.h"
#include "engine/vstplugin.h"
#include "plugin/editor.h"
#include "plugin/protocol/vst_abi_eventproc.h"
#include "system/idle.h"
#include "system/system.h"

namespace {

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

std::uint32_t EventProcItemForControls() {
    return velk::plugin::EventProcItem(&velk::gui::SControl::eventProc);
}

} // namespace

void LoadTimeInit() {
    // Before any window of ours exists: the idle thread draws while the host's
    // thread dispatches events.
    XInitThreads();
    // The toolkit learns what it publishes for hosts, and whom to tell when a
    // connection closes, before any window exists.
    velk::gui::SetPublishedItems(&EventProcItemForControls, velk::plugin::kControlItemIsAddress);
    velk::gui::SetClosingListener(&SPluginEditor::ReleaseGuis);
    velk::gui::OpenOwnDisplay();
    sd = new (std::nothrow) velk::system::SSystemData();
    if (sd) {
        sd->getOSInfos();
        sd->getCPUInfos();
        sd->getDisplayInfos(velk::gui::SDisplay::Gather());
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
    velk::threading::ShutdownIdleThread();
    // Fonts go with the connections they were made on; every connection we know loses
    // our hooks, and ours closes.
    velk::gui::CloseOwnDisplay();
    velk::gui::SetClosingListener(nullptr);
    delete statdata;
    statdata = nullptr;
    delete sd;
    sd = nullptr;
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
