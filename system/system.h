// What the plug-in knows about the machine, gathered once at load, and the
// check that can refuse loading.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "system/cpuinfo.h"
#include "system/osdata.h"

namespace velk {
namespace gui {
class SDisplay;
}
namespace system {

class SSystemData {
public:
    // root prefixes the /proc paths ("" is the real file system); errors
    // receives the error lines (stderr when null).
    explicit SSystemData(const char* root = "", std::FILE* errors = nullptr);

    // Load-time initialisation calls these three in this order.
    void getOSInfos();
    void getCPUInfos();
    // Keeps the monitor layout the toolkit gathered from the X display in use (it
    // knows how); only the first call counts, later ones return false.
    bool getDisplayInfos(std::shared_ptr<gui::SDisplay> layout);

    // An acceptable kernel and MMX, plus SSE and SSE2 when asked for.
    bool Qualifies(bool sse, bool sse2) const;
    // A report of the requirements this machine misses (empty when none).
    std::string ErrorMessage(bool sse, bool sse2) const;
    // A report of the system and processor found.
    std::string FeatureMessage() const;

    bool KernelAcceptable() const { return kernelAcceptable; }
    bool HasMMX() const { return mmx; }
    bool HasSSE() const { return sse; }
    bool HasSSE2() const { return sse2; }
    bool Has3DNow() const { return amd3DNow; }
    int Clock() const { return clock; }
    int Count() const { return count; }
    const std::string& ProcessorDescription() const { return processorDescription; }
    const std::string& SystemDescription() const { return systemDescription; }
    const SOperatingSystemData& OperatingSystem() const { return operatingSystem; }
    const SProcessorData& Processor() const { return processor; }
    bool DisplayGathered() const { return displayGathered; }
    // The monitor layout; null before getDisplayInfos.
    gui::SDisplay* DisplayInfo() const { return display.get(); }

private:
    std::string root;
    std::FILE* errors;
    // Shared by copies, which describe the same machine.
    std::shared_ptr<gui::SDisplay> display;
    bool displayGathered = false;
    int clock = 0;
    int count = 0;
    bool sse = false;
    bool sse2 = false;
    bool mmx = false;
    bool amd3DNow = false;
    bool kernelAcceptable = true;
    std::string processorDescription;
    std::string systemDescription;
    SOperatingSystemData operatingSystem;
    SProcessorData processor;
};

} // namespace system
} // namespace velk

// Machine information of the loaded library, gathered at load (null before and after).
extern velk::system::SSystemData* sd;
