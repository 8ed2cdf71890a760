// The library's exported entry points and its load and unload hooks.
#include "plugin/entry/application.h"
#include "system/system.h"

namespace {

// Constructor and destructor functions, not a static object: at unload they run
// before the library's static objects are destroyed, and at load before any
// host call, so the threads they stop still find everything they use.
__attribute__((constructor)) void MoravoxLoad() {
    LoadTimeInit();
}
__attribute__((destructor)) void MoravoxUnload() {
    UnloadTeardown();
}

AEffect* Entry(audioMasterCallback audioMaster) {
    return StartPlugin(audioMaster, sd);
}

} // namespace

// g++ will not let ::main return a pointer, so the symbol gets its name from an
// assembler label on a differently named function.
extern "C" __attribute__((visibility("default")))
AEffect* MoravoxMain(audioMasterCallback) __asm__("main");
extern "C" __attribute__((visibility("default"))) AEffect*
MoravoxMain(audioMasterCallback audioMaster) {
    return Entry(audioMaster);
}

extern "C" __attribute__((visibility("default"))) AEffect*
VSTPluginMain(audioMasterCallback audioMaster) {
    return Entry(audioMaster);
}
