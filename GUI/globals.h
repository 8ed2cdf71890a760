// Per-instance GUI resources shared by every control of one plug-in instance.
#pragma once

#include <atomic>

#include "data/datastring.h"
#include "engine/random/random.h"
#include "system/mutex.h"

namespace velk::gui {
class SCursor;
class SMenu;
} // namespace velk::gui

class SGlobals {
public:
    // Seeds the generator from the processor clock, a few milliseconds in so that
    // instances created back to back differ.
    SGlobals();
    SGlobals(const SGlobals&) = delete;
    SGlobals& operator=(const SGlobals&) = delete;

    // Ids for timers and idle timers; the first is 1.
    int NextId() { return counter.fetch_add(1, std::memory_order_acq_rel) + 1; }

    // Splits the path filePath points to into fileName and fileFolder.
    void SetBinaryData();

    std::atomic<int> counter{0};
    velk::data::datastring<32, char> fileName;
    velk::data::datastring<32, char> fileFolder;
    int reserved = 0;
    const char** filePath = nullptr;
    // The host's parent window while the editor is open, else 0.
    unsigned long hostWindow = 0;
    velk::gui::SMenu* openMenu = nullptr;
    // The cursor the dispatcher sets and frees; owned by whoever created it.
    velk::gui::SCursor* cursor = nullptr;
    velk::threading::SMutexOS mutex;
    velk::math::random::generator::SRandomMarsaglia random;
};
