// The processor record: count, clock, instruction-set extensions, vendor and
// model, read from /proc/cpuinfo.
#pragma once

#include <cstddef>
#include <cstdio>

namespace velk {
namespace system {

enum SProcessorFeature : unsigned {
    FEATURE_MMX = 1u << 0,
    FEATURE_SSE = 1u << 1,
    FEATURE_SSE2 = 1u << 2,
    FEATURE_3DNOW = 1u << 3,
};

class SProcessorData {
public:
    static constexpr std::size_t kTextSize = 256;
    // Only the start of /proc/cpuinfo is examined: the first processor's
    // entry is enough.
    static constexpr std::size_t kExamined = 2048;

    // Reads <root>/proc/cpuinfo (root "" is the real file system). A missing
    // or empty file is reported with one line on errors (stderr when null) and
    // leaves every feature absent. Returns whether the file had data.
    bool QueryRegistry(const char* root = "", std::FILE* errors = nullptr);

    // Examines already read cpuinfo text. When the text names no count,
    // online is taken, or when it is 0 or less, the system is asked.
    void Parse(const char* text, int online);

    // The count when cpuinfo names none: the online processors, or the
    // logical processors of a hyper-threaded family-15 processor (cpuid leaf
    // 1 results eax, ebx, edx).
    static int FallbackCount(int online, unsigned eax, unsigned ebx, unsigned edx);

    int Count() const { return count; }
    int Clock() const { return clock; }
    unsigned Features() const { return features; }
    const char* Vendor() const { return vendor; }
    const char* Model() const { return model; }

private:
    void Clear();

    int count = 0;
    int clock = 0;
    unsigned features = 0;
    char vendor[kTextSize] = {};
    char model[kTextSize] = {};
};

} // namespace system
} // namespace velk
