#include "GUI/window.h"

#include <cstdlib>

#include "GUI/world.h"

namespace velk::gui {

SWindow::~SWindow() {
    CleanUp();
    DeleteChildren();
}

void SWindow::DeleteChildren() {
    while (!children.empty()) {
        SControl* child = children.back().control;
        children.pop_back();
        delete child;
    }
    SetStyleBits(STYLE_CHILDREN, false);
}

void SWindow::CleanRessources() {
    cleaningUp.store(true, std::memory_order_release);
    if (!(style & (STYLE_MAIN | STYLE_DIALOG))) return;
    CleanUp();
    DeleteChildren();
    Destroy();
}

void SWindow::Add(SControl* child) {
    if (!child) return;
    const int childId = static_cast<int>(child->GetId());
    children.push_back({child, child->GetId()});
    SetStyleBits(STYLE_CHILDREN, true);
    if (lowestChildId == -1 || childId < lowestChildId) lowestChildId = childId;
    if (highestChildId == -1 || childId > highestChildId) highestChildId = childId;
}

void SWindow::Remove(SControl* child, bool destroy) {
    if (!child) return;
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (it->id != child->GetId()) continue;
        SControl* found = it->control;
        children.erase(it);
        if (destroy) delete found;
        break;
    }
    if (children.empty()) SetStyleBits(STYLE_CHILDREN, false);
}

bool SWindow::IsSubcontrol(unsigned childId) {
    if (childId == GetId()) return true;
    for (const SChild& child : children)
        if (child.control->IsSubcontrol(childId)) return true;
    return false;
}

bool SWindow::IsSubcontrol(int windowId) {
    if (static_cast<Window>(windowId) == GetWindow()) return true;
    for (const SChild& child : children)
        if (child.control->IsSubcontrol(static_cast<unsigned>(windowId))) return true;
    return false;
}

void SWindow::EnableChildren(bool enable) {
    for (const SChild& child : children) child.control->Enable(enable);
}

void SWindow::Minimized() {
    for (const SChild& child : children) child.control->Minimized();
}

void SWindow::WindowClose() {
    running = false;
    if (parent)
        delete parent;
    else
        delete this;
    exit(0);
}

void SWindow::WindowMinimize(bool normal) {
    Display* d = GetDisplay();
    if (!d) return;
    const SAtoms* atoms = Atoms(d);
    // A window manager that came after our windows brings it now.
    if (atoms && !atoms->changeState) atoms = Atoms(d, true);
    const Atom changeState = atoms ? atoms->changeState : 0;
    if (!changeState) return;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.display = d;
    message.xclient.window = parent ? parent->GetWindow() : GetWindow();
    message.xclient.message_type = changeState;
    message.xclient.format = 32;
    message.xclient.data.l[0] = normal ? 1 : 3;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &message);
}

void SWindow::WindowMaximize(bool maximise) {
    SetStateBits(STATE_MAXIMISED, maximise);
}

int SWindow::Loop() {
    Display* d = GetDisplay();
    Run();
    while (running && d) {
        XEvent event;
        XNextEvent(d, &event);
        eventProc(&event);
    }
    if (style & STYLE_DIALOG) return 0;
    CleanRessources();
    exit(0);
}

} // namespace velk::gui
