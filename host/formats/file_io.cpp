#include "host/formats/file_io.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moravox::host {
namespace {

// What Linux allows on one path before it says ELOOP.
constexpr int kMaxLinkHops = 40;

std::string Reason(int error) {
    return std::strerror(error);
}

std::string NotRegular(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a directory"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "something else";
    return std::string("not a regular file (") + kind + ")";
}

// `size` 0: not known, the file grew while it was read.
std::string TooLarge(uint64_t size) {
    return (size != 0 ? std::to_string(size) + " bytes, more" : std::string("more")) +
           " than the " + std::to_string(kMaxInputBytes >> 20) + " MiB an input may have";
}

// The folder part of a path, with its slash; "" for a name in the working folder.
std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Follows `path` through symbolic links to what it finally names, which may not exist yet.
// `exists` and `info` then describe it. False with the errno.
bool Resolve(std::string& path, bool& exists, struct stat& info, int& failure) {
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        if (lstat(path.c_str(), &info) != 0) {
            exists = false;
            if (errno == ENOENT) return true;
            failure = errno;
            return false;
        }
        exists = true;
        if (!S_ISLNK(info.st_mode)) return true;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<size_t>(length) >= target.size()) {
            failure = length < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        target.resize(static_cast<size_t>(length));
        path = target[0] == '/' ? target : Folder(path) + target;
    }
    failure = ELOOP;
    return false;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

} // namespace

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    // Non-blocking, so that opening a FIFO without a writer returns at once and is refused.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot read " + path + ": " + Reason(errno);
        return false;
    }
    struct stat info {};
    std::string problem;
    if (fstat(fd, &info) != 0) {
        problem = Reason(errno);
    } else if (!S_ISREG(info.st_mode)) {
        problem = NotRegular(info.st_mode);
    } else if (static_cast<uint64_t>(info.st_size) > kMaxInputBytes) {
        problem = TooLarge(static_cast<uint64_t>(info.st_size));
    } else {
        bytes.reserve(static_cast<size_t>(info.st_size));
        uint8_t buffer[65536];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                problem = Reason(errno);
                break;
            }
            if (got == 0) break;
            bytes.insert(bytes.end(), buffer, buffer + got);
            if (bytes.size() > kMaxInputBytes) { // written to while being read
                problem = TooLarge(0);
                break;
            }
        }
    }
    close(fd);
    if (!problem.empty()) {
        bytes.clear();
        error = "cannot read " + path + ": " + problem;
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string& error) {
    std::string target = path;
    bool exists = false;
    struct stat info {};
    int failure = 0;
    if (!Resolve(target, exists, info, failure)) {
        error = "cannot write " + path + ": " + Reason(failure);
        return false;
    }
    // A rename would put a file where a folder, a device or a FIFO was.
    if (exists && !S_ISREG(info.st_mode)) {
        error = "cannot write " + path + ": " + NotRegular(info.st_mode);
        return false;
    }
    const size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = (slash == std::string::npos ? "./" : Folder(target)) + "." + name +
                            ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot write " + path + ": " + Reason(errno);
        return false;
    }
    // mkstemp makes the file private: give it the old file's permissions, or those a plain new
    // file would have.
    mode_t mode = info.st_mode & 07777;
    if (!exists) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    failure = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        error = "cannot write " + path + ": " + Reason(failure);
    }
    return ok;
}

} // namespace moravox::host
