// Process-wide objects of the loaded library and the start-up of an instance.
#pragma once

#include <mutex>

#include "plugin/vst_abi.h"

struct _XDisplay;
namespace velk {
namespace system {
class SSystemData;
}
} // namespace velk

// The plug-in's own display connection, opened at load; null when that failed.
extern _XDisplay* dps;
// Machine information, gathered at load.
extern velk::system::SSystemData* sd;

// The host's display connection, adopted at the first editor open. It is kept until the
// host closes it: then every editor's windows on it are released first and the next
// open adopts whatever connection the host passes then.
_XDisplay* HostDisplay();
void AdoptHostDisplay(void* display);
// The connection toolkit code uses: the host's when known, else our own.
_XDisplay* CurrentDisplay();

// Serialises everything that changes toolkit controls from more than one thread: event
// dispatch, the editors' idle ticks, and opening and closing editors. Recursive, since a
// dispatch may run a modal loop that dispatches again.
std::recursive_mutex& GuiLock();

// Load-time set-up and unload, in the order the library needs them. Unload
// stops and joins every thread of ours before the code goes away.
void LoadTimeInit();
void UnloadTeardown();

// Start-up statuses passed through the constructor chain.
enum StartupStatus {
    STARTUP_OK = 0,
    STARTUP_SYSTEM = 2,
    STARTUP_HOST = 3,
    STARTUP_SILENT = 4,
};

// The body of the exported `main`: checks host and machine and creates one
// instance, or shows why not and returns null. Never throws.
AEffect* StartPlugin(audioMasterCallback audioMaster, velk::system::SSystemData* system);
