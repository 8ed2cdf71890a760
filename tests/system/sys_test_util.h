// Helpers shared by the system tests: counting the toolkit's threads and building a
// fake /proc tree.
#pragma once

#include <dirent.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/wait.h"
#include "system/thread.h"

namespace systest {

using support::Eventually;

// Threads of this process started by SThread (they carry its name).
inline int ThreadCount() {
    return support::ThreadCount(velk::threading::SThread::kThreadName);
}

// Waits for the count to drop back to baseline (an exited thread can linger
// in /proc for a moment after its join).
inline bool ThreadsBackTo(int baseline) {
    return Eventually([baseline] { return ThreadCount() <= baseline; });
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
