#include "GUI/info.h"

#include <cstdio>

#include "GUI/messagedialog.h"
#include "GUI/xdisplay.h"
#include "plugin/application.h"

namespace velk::gui {

namespace {
// Guarded by GuiLock: shown from whichever thread reports, dispatched on the GUI thread.
SMessageDialog* dialog = nullptr;
} // namespace

void SInfo(const char* text, const char* title) {
    fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
    fflush(stderr);
    std::lock_guard<std::recursive_mutex> guard(GuiLock());
    // Asked without reporting: a headless host only gets the line above.
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
