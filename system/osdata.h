// What the kernel says about itself: type, release and version, and whether
// the release is recent enough.
#pragma once

#include <cstddef>

namespace velk {
namespace system {

class SOperatingSystemData {
public:
    static constexpr std::size_t kTextSize = 256;

    // Reads <root>/proc/sys/kernel/{ostype,osrelease,version}; root "" is the
    // real file system. Missing files are skipped. Returns whether any was read.
    bool QueryFeatures(const char* root = "");

    // Whether a release text such as "2.6.32-5" names a kernel of 2.6 or
    // later (its leading decimal number compared with 2.4; 2.4.x is too old).
    // A text without a leading number proves nothing and is accepted.
    static bool ReleaseAcceptable(const char* release);

    const char* Text() const { return text; }
    bool KernelAcceptable() const { return kernelAcceptable; }
    bool Succeeded() const { return success; }

private:
    char text[kTextSize] = {};
    bool kernelAcceptable = true;
    bool success = false;
};

} // namespace system
} // namespace velk
