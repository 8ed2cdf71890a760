#include "host/gui_xlib.h"

#include <dlfcn.h>

#include <mutex>

namespace moravox::host {

namespace {

struct Loaded {
    XlibApi api;
    std::string error;
    bool ok = false;
};

Loaded Load() {
    Loaded loaded;
    // Never closed: the plug-in and its threads use the library until the process ends.
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    if (!library) {
        const char* reason = dlerror();
        loaded.error = std::string("cannot load libX11.so.6: ") + (reason ? reason : "unknown");
        return loaded;
    }
#define MORAVOX_XLIB_LOAD(result, name, args)                                                      \
    loaded.api.name = reinterpret_cast<result(*) args>(dlsym(library, #name));                     \
    if (!loaded.api.name) {                                                                        \
        loaded.error = "libX11.so.6 lacks " #name;                                                 \
        return loaded;                                                                             \
    }
    MORAVOX_XLIB_FUNCTIONS(MORAVOX_XLIB_LOAD)
#undef MORAVOX_XLIB_LOAD
    loaded.ok = true;
    return loaded;
}

} // namespace

const XlibApi* LoadXlib(std::string& error) {
    static const Loaded loaded = Load();
    error = loaded.error;
    return loaded.ok ? &loaded.api : nullptr;
}

} // namespace moravox::host
