// Per-instance GUI resources shared by every control of one plug-in instance.
#pragma once

#include <atomic>

#include "data/datastring.h"
#include "system/mutex.h"

class SGlobals {
public:
    SGlobals() = default;
    SGlobals(const SGlobals&) = delete;
    SGlobals& operator=(const SGlobals&) = delete;

    // Ids for timers and idle timers; the first is 1.
    int NextId() { return counter.fetch_add(1) + 1; }

    std::atomic<int> counter{0};
    velk::data::datastring<32, char> fileName;
    velk::data::datastring<32, char> fileFolder;
    // The host's parent window while the editor is open, else 0.
    unsigned long hostWindow = 0;
    velk::threading::SMutexOS mutex;
};
