#include "GUI/info.h"

#include <cstdio>

#include "GUI/messagedialog.h"
#include "GUI/world.h"

namespace velk::gui {

namespace {
// Guarded by GuiLock: shown from whichever thread reports, dispatched on the GUI thread.
SMessageDialog* dialog = nullptr;
} // namespace

void SInfo(const char* text, const char* title) {
    fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
    fflush(stderr);
    SNoSigpipe noSigpipe;
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    // A dialog whose server went away is gone for good; a new one goes on a live connection.
    if (dialog && IsDead(dialog->Connection())) {
        delete dialog;
        dialog = nullptr;
    }
    // Asked without reporting: a headless host (or one whose server went away) only gets
    // the line above.
    if (!XDisplay()) return;
    if (!dialog) dialog = new SMessageDialog();
    if (!dialog->GetWindow()) {
        delete dialog;
        dialog = nullptr;
        return;
    }
    dialog->SetMessage(text, title);
    dialog->Center();
    dialog->ShowDialog();
    XFlush(dialog->Connection());
}

SMessageDialog* InfoDialog() {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    return dialog;
}

void ReleaseInfoDialog(_XDisplay* closing) {
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    if (!dialog || (closing && dialog->Connection() != closing)) return;
    delete dialog;
    dialog = nullptr;
}

} // namespace velk::gui
