// Waiting for a condition, and counting this process's threads: what every test that
// watches another thread, process or server needs, in one place.
#pragma once

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace support {

using Clock = std::chrono::steady_clock;

// Polls until the condition holds or the (generous) time is up; then asks once more,
// so a condition that became true at the last moment still counts.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

// Threads of this process; with a name, only those carrying it (the toolkit's threads
// do, so that a sanitizer's or the test framework's own do not count).
inline int ThreadCount(const std::string& name = std::string()) {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            if (name.empty()) {
                count++;
                continue;
            }
            std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
            std::string called;
            if (std::getline(comm, called) && called == name) count++;
        }
        closedir(dir);
    }
    return count;
}

} // namespace support
