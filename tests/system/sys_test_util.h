// Helpers shared by the system tests: waiting for conditions, counting this
// process's threads, and building a fake /proc tree.
#pragma once

#include <dirent.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "system/thread.h"

namespace systest {

// Polls cond until it holds or the (generous) timeout passes.
template <typename Cond>
bool WaitFor(Cond cond, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Threads of this process started by SThread (they carry its name), so the
// sanitizers' and the test framework's own threads do not count.
inline int ThreadCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
            std::string name;
            if (std::getline(comm, name) && name == velk::threading::SThread::kThreadName) ++count;
        }
        closedir(dir);
    }
    return count;
}

// Waits for the count to drop back to baseline (an exited thread can linger
// in /proc for a moment after its join).
inline bool ThreadsBackTo(int baseline) {
    return WaitFor([baseline] { return ThreadCount() <= baseline; });
}

// A temporary directory standing in for the file-system root.
class TempRoot {
public:
    TempRoot() {
        char pattern[] = "/tmp/moravox-sys-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~TempRoot() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    void Write(const std::string& relative, const std::string& contents) const {
        const std::filesystem::path file = std::filesystem::path(path) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
    }
    const char* Root() const { return path.c_str(); }

private:
    std::string path;
};

} // namespace systest
