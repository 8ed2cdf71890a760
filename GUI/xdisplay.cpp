#include "GUI/xdisplay.h"

#include <atomic>
#include <cstdio>

#include "plugin/application.h"

namespace velk::gui {

namespace {
std::atomic<bool> reported{false};
} // namespace

Display* XDisplay() {
    return CurrentDisplay();
}

Display* RequireDisplay() {
    Display* display = CurrentDisplay();
    if (!display && !reported.exchange(true, std::memory_order_acq_rel))
        fputs("Error: No X display; the interface is not available.\n", stderr);
    return display;
}

bool NoDisplayReported() {
    return reported.load(std::memory_order_acquire);
}

void ResetNoDisplayReport() {
    reported.store(false, std::memory_order_release);
}

} // namespace velk::gui
