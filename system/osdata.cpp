#include "system/osdata.h"

#include <string>

#include "system/procfile.h"

namespace velk {
namespace system {

namespace {
constexpr std::size_t kFileLimit = 4096;
}

bool SOperatingSystemData::ReleaseAcceptable(const char* release) {
    double number = 0.0;
    if (!ParseLeadingDecimal(release, &number)) return true;
    // The limit is the single-precision 2.4, a hair above the double 2.4, so
    // every 2.4.x release falls below it.
    return number >= static_cast<double>(2.4f);
}

bool SOperatingSystemData::QueryFeatures(const char* root) {
    static const char* const files[] = {"/proc/sys/kernel/ostype", "/proc/sys/kernel/osrelease",
                                        "/proc/sys/kernel/version"};
    kernelAcceptable = true;
    success = false;
    text[0] = '\0';
    const std::string prefix = root ? root : "";
    for (const char* file : files) {
        char contents[kFileLimit + 1];
        const long got = ReadTextFile((prefix + file).c_str(), contents, kFileLimit);
        // A file that fills the whole buffer may go on; it is left out.
        if (got <= 0 || got >= static_cast<long>(kFileLimit)) continue;
        success = true;
        AppendCut(text, sizeof text, contents);
        if (file == files[1] && !ReleaseAcceptable(contents)) kernelAcceptable = false;
    }
    return success;
}

} // namespace system
} // namespace velk
