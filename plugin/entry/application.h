// Process-wide objects of the loaded library and the start-up of an instance.
#pragma once

#include "GUI/world.h"
#include "plugin/protocol/vst_abi.h"

namespace velk {
namespace system {
class SSystemData;
}
} // namespace velk

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
