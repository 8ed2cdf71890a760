#include "host/gui/gui_xlib.h"

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

namespace {
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}
} // namespace

XErrorTrap::XErrorTrap(const XlibApi& x, Display* display) : x_(x), display_(display) {
    x_.XSync(display_, False);
    previous_ = x_.XSetErrorHandler(IgnoreError);
}

XErrorTrap::~XErrorTrap() {
    x_.XSync(display_, False); // the replies are in: any error of ours has been swallowed
    x_.XSetErrorHandler(previous_);
}

const XlibApi* LoadXlib(std::string& error) {
    static const Loaded loaded = Load();
    error = loaded.error;
    return loaded.ok ? &loaded.api : nullptr;
}

} // namespace moravox::host
