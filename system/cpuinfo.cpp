#include "system/cpuinfo.h"

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "system/procfile.h"

namespace velk {
namespace system {

namespace {

// Start of the first line beginning with key, or null.
const char* FindLine(const char* text, const char* key) {
    const std::size_t length = std::strlen(key);
    for (const char* line = text; *line;) {
        if (std::strncmp(line, key, length) == 0) return line;
        line = std::strchr(line, '\n');
        if (!line) break;
        ++line;
    }
    return nullptr;
}

// The value of a "key : value" line: the text after the colon and its blank.
const char* ValueOf(const char* line) {
    const char* end = std::strchr(line, '\n');
    const char* colon = std::strchr(line, ':');
    if (!colon || (end && colon > end)) return nullptr;
    ++colon;
    if (*colon == ' ' || *colon == '\t') ++colon;
    return colon;
}

// Copies the rest of the line, cut to the buffer.
void CopyLine(char* buffer, std::size_t size, const char* source) {
    std::size_t used = 0;
    while (used + 1 < size && source[used] && source[used] != '\n') {
        buffer[used] = source[used];
        ++used;
    }
    buffer[used] = '\0';
}

// Copies the first word, cut to the buffer.
void CopyWord(char* buffer, std::size_t size, const char* source) {
    while (*source == ' ' || *source == '\t') ++source;
    std::size_t used = 0;
    while (used + 1 < size && source[used] && !std::strchr(" \t\r\n", source[used])) {
        buffer[used] = source[used];
        ++used;
    }
    buffer[used] = '\0';
}

// A whole number at the start of the value, or false.
bool ParseInt(const char* value, int* number) {
    double parsed = 0.0;
    if (!value || !ParseLeadingDecimal(value, &parsed) || parsed > INT_MAX) return false;
    *number = static_cast<int>(parsed);
    return true;
}

int OnlineProcessors() {
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 && online <= INT_MAX ? static_cast<int>(online) : 1;
}

int CountFromSystem() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
#if defined(__i386__) || defined(__x86_64__)
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) eax = ebx = edx = 0;
#endif
    (void)ecx;
    return SProcessorData::FallbackCount(OnlineProcessors(), eax, ebx, edx);
}

} // namespace

void SProcessorData::Clear() {
    count = 0;
    clock = 0;
    features = 0;
    vendor[0] = '\0';
    model[0] = '\0';
}

int SProcessorData::FallbackCount(int online, unsigned eax, unsigned ebx, unsigned edx) {
    if (edx == 0) return online;
    const unsigned family = (eax >> 8) & 0xF;
    const bool hyperThreading = (edx >> 28) & 1;
    const int logical = static_cast<int>((ebx >> 16) & 0xFF);
    if (family == 15 && hyperThreading && logical > 1) return logical;
    return online;
}

bool SProcessorData::QueryRegistry(const char* root, std::FILE* errors) {
    Clear();
    if (!errors) errors = stderr;
    const std::string path = std::string(root ? root : "") + "/proc/cpuinfo";
    char text[kExamined + 1];
    const long got = ReadTextFile(path.c_str(), text, kExamined);
    if (got < 0) {
        std::fputs("Error: Reading /proc/cpuinfo failed (not found).\n", errors);
        return false;
    }
    if (got == 0) {
        std::fputs("Error: Reading /proc/cpuinfo failed (no data).\n", errors);
        return false;
    }
    Parse(text, -1);
    return true;
}

void SProcessorData::Parse(const char* text, int online) {
    Clear();
    if (const char* line = FindLine(text, "vendor_id")) {
        if (const char* value = ValueOf(line)) CopyWord(vendor, sizeof vendor, value);
    }
    if (const char* line = FindLine(text, "model name")) {
        if (const char* value = ValueOf(line)) CopyLine(model, sizeof model, value);
    }
    if (const char* line = FindLine(text, "cpu MHz")) {
        double mhz = 0.0;
        const char* value = ValueOf(line);
        if (value && ParseLeadingDecimal(value, &mhz) && mhz < INT_MAX)
            clock = static_cast<int>(std::floor(mhz + 0.5));
    }
    // Plain substring searches: "sse" is also found inside "sse2".
    if (std::strstr(text, "mmx")) features |= FEATURE_MMX;
    if (std::strstr(text, "3dnow")) features |= FEATURE_3DNOW;
    if (std::strstr(text, "sse")) features |= FEATURE_SSE;
    if (std::strstr(text, "sse2")) features |= FEATURE_SSE2;

    const char* processor = FindLine(text, "processor");
    if (!processor) return;
    int number = 0;
    if (ParseInt(ValueOf(processor), &number) && number > 0) {
        count = number;
        return;
    }
    if (const char* cores = FindLine(text, "cpu cores")) {
        if (ParseInt(ValueOf(cores), &number)) {
            count = number;
            return;
        }
    }
    count = online > 0 ? online : CountFromSystem();
}

} // namespace system
} // namespace velk
