// A VST 2 plug-in shared library, loaded for as long as this object lives.
#pragma once

#include "plugin/protocol/vst_abi.h"

#include <string>

namespace moravox::host {

using PluginMain = AEffect* (*)(audioMasterCallback);

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // True when the library is open and has an entry point.
    bool Loaded() const { return main_ != nullptr; }
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }
    PluginMain Main() const { return main_; }
    // The folder holding the library, with a trailing '/' ("./" for a bare file name).
    std::string Directory() const;
    // Any other exported symbol, or null.
    void* Symbol(const char* name) const;

private:
    std::string path_;
    std::string error_;
    void* handle_ = nullptr;
    PluginMain main_ = nullptr;
};

} // namespace moravox::host
