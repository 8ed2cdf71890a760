#include "GUI/dialog.h"

#include <X11/Xutil.h>

#include "GUI/world.h"

namespace velk::gui {

void SDialog::CloseDialog() {
    Hide();
    shown = false;
    modal = false;
}

void SDialog::SetSize(int width, int height) {
    SWindow::SetSize(width, height);
    Display* display = GetDisplay();
    if (!display || !GetWindow() || (GetStyle() & STYLE_RESIZABLE) || width <= 0 || height <= 0)
        return;
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    hints->flags = PSize | PMinSize | PMaxSize | PResizeInc;
    hints->width = hints->min_width = hints->max_width = width;
    hints->height = hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, GetWindow(), hints);
    XFree(hints);
}

void SDialog::ShowDialog() {
    Show();
    Foreground(true);
    shown = true;
}

void SDialog::ShowModal() {
    Show();
    Foreground(true);
    shown = true;
    RunModal();
}

// Reads the connection the dialog lives on: events of the other toolkit windows on it
// are dispatched too, so they keep working meanwhile.
void SDialog::RunModal() {
    Display* display = GetDisplay();
    if (!display || !GetWindow()) return;
    modal = true;
    XFlush(display);
    const SAtoms* atoms = Atoms(display);
    const Atom protocols = atoms ? atoms->protocols : 0;
    while (modal) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == protocols &&
            event.xclient.window == GetWindow())
            break;
        eventProc(&event);
    }
    modal = false;
}

} // namespace velk::gui
