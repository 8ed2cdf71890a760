#include "host/core/plugin_library.h"

#include <dlfcn.h>

namespace moravox::host {

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
    // A bare file name means the file in the current folder, not a search of the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        error_ = "cannot load plug-in '" + path + "': " + (reason ? reason : "unknown error");
        return;
    }
    // Newer plug-ins export VSTPluginMain; the classic Linux entry is a symbol named main.
    for (const char* entry : {"VSTPluginMain", "main"}) {
        dlerror();
        void* symbol = dlsym(handle_, entry);
        if (symbol != nullptr) {
            main_ = reinterpret_cast<PluginMain>(symbol);
            return;
        }
    }
    error_ = "'" + path + "' is not a VST plug-in: it exports neither VSTPluginMain nor main";
}

PluginLibrary::~PluginLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
}

std::string PluginLibrary::Directory() const {
    const size_t slash = path_.rfind('/');
    if (slash == std::string::npos) return "./";
    return path_.substr(0, slash + 1);
}

void* PluginLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr || name == nullptr) return nullptr;
    return dlsym(handle_, name);
}

} // namespace moravox::host
