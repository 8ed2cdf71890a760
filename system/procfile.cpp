#include "system/procfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velk {
namespace system {

long ReadTextFile(const char* path, char* buffer, std::size_t capacity) {
    buffer[0] = '\0';
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::size_t total = 0;
    // The kernel may hand out a file in several pieces.
    while (total < capacity) {
        const ssize_t got = read(fd, buffer + total, capacity - total);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    close(fd);
    buffer[total] = '\0';
    return static_cast<long>(total);
}

bool ParseLeadingDecimal(const char* text, double* value) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return false;
    // Digits collected as one whole number and scaled once, so "2.4" comes
    // out as the nearest double to 2.4.
    double digits = 0.0;
    double scale = 1.0;
    for (; *text >= '0' && *text <= '9'; ++text) digits = digits * 10.0 + (*text - '0');
    if (*text == '.') {
        for (++text; *text >= '0' && *text <= '9'; ++text) {
            digits = digits * 10.0 + (*text - '0');
            scale *= 10.0;
        }
    }
    *value = digits / scale;
    return true;
}

void AppendCut(char* buffer, std::size_t size, const char* source) {
    if (size == 0) return;
    std::size_t used = strnlen(buffer, size - 1);
    while (used + 1 < size && *source) buffer[used++] = *source++;
    buffer[used] = '\0';
}

} // namespace system
} // namespace velk
