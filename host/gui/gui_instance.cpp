#include "host/gui/gui_instance.h"

#include <sstream>

#include "host/gui/gui_png.h"

namespace moravox::host {

namespace {

// Our top-level window before the plug-in says how large it wants to be.
constexpr unsigned kInitialSize = 100;

} // namespace

GuiInstance::GuiInstance(const XlibApi& x, int hostModel, bool reconnect, int number, int slot,
                         Display* shared)
    : x_(x), model_(hostModel), reconnect_(reconnect && hostModel == 2), number_(number),
      slot_(slot), shared_(shared) {}

GuiInstance::~GuiInstance() {
    // What the session's teardown left: the plug-in first, then what it was drawn in.
    host_.reset();
    DestroyWindows();
}

bool GuiInstance::Instantiate(PluginLibrary& library, std::string& error) {
    HostAnswers answers;
    answers.realtimeEvents = true; // the audio thread collects the MIDI without a log
    answers.canDo["sizeWindow"] = model_ == 3 ? 0 : 1;
    host_ = std::make_unique<Host>(library, answers);
    if (!host_->Instantiate()) {
        error = host_->Error();
        host_.reset();
        return false;
    }
    host_->Open();
    host_->Resume();
    return true;
}

bool GuiInstance::CreateWindows(int x, int y) {
    x_at_ = x;
    y_at_ = y;
    // Kind 2 makes its window on the connection it hands the editor.
    if (model_ == 2) {
        own_ = XConnection(x_);
        if (!own_.Get()) return false;
    }
    Display* d = WindowDisplay();
    const int screen = x_.XDefaultScreen(d);
    top_ = x_.XCreateSimpleWindow(d, x_.XDefaultRootWindow(d), x, y, kInitialSize, kInitialSize, 0,
                                  0, x_.XBlackPixel(d, screen));
    if (!top_) return false;
    x_.XStoreName(d, top_, "moravox-host");
    x_.XSelectInput(d, top_, StructureNotifyMask | ExposureMask);
    deleteAtom_ = x_.XInternAtom(d, "WM_DELETE_WINDOW", False);
    x_.XSetWMProtocols(d, top_, &deleteAtom_, 1);
    if (model_ == 1) {
        socket_ = x_.XCreateSimpleWindow(d, top_, 0, 0, 1, 1, 0, 0, x_.XBlackPixel(d, screen));
        x_.XSelectInput(d, socket_, SubstructureNotifyMask | StructureNotifyMask);
        x_.XMapWindow(d, socket_);
    }
    // Kinds 1 and 3 show their window before opening the editor, kind 2 afterwards.
    if (model_ != 2) {
        x_.XMapWindow(d, top_);
        shown_ = true;
    }
    x_.XSync(d, False);
    return true;
}

void GuiInstance::DestroyWindows() {
    Display* d = WindowDisplay();
    if (d && top_) {
        x_.XDestroyWindow(d, top_);
        x_.XSync(d, False);
    }
    top_ = socket_ = 0;
}

void GuiInstance::CloseOwnConnection() {
    // The server destroys what was made on it, our window among them.
    if (own_.Get()) top_ = socket_ = 0;
    own_.Close();
}

void GuiInstance::CloseHost() {
    if (host_) host_->Close();
}

void GuiInstance::AbandonHost() {
    (void)host_.release();
}

bool GuiInstance::OpenEditor() {
    if (editorOpen_) return true;
    // Reconnecting, every opening has a new connection and window, as in Carla.
    if (reconnect_ && !top_ && !CreateWindows(x_at_, y_at_)) return false;
    if (!host_ || !top_) return false;
    const size_t resizes = host_->CallCount(audioMasterSizeWindow);
    VstIntPtr opened = 0;
    switch (model_) {
    case 1:
        opened = host_->Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(shared_),
                                 reinterpret_cast<void*>(socket_));
        break;
    case 2:
        host_->Dispatch(effVendorSpecific, FourCC('s', 't', 'C', 'A'), FourCC('W', 'h', 'e', 'e'),
                        nullptr, 1.0f);
        opened = host_->Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(own_.Get()),
                                 reinterpret_cast<void*>(top_));
        break;
    default: opened = host_->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(top_)); break;
    }
    if (!opened) return false;
    editorOpen_ = true;
    Display* d = WindowDisplay();
    // Kind 2 asks for the rectangle; kind 1 follows the plug-in's size requests.
    const bool asked = host_->CallCount(audioMasterSizeWindow) > resizes;
    if (model_ == 2 || (model_ == 1 && asked)) {
        if (auto rect = host_->EditorRect()) {
            const unsigned width = static_cast<unsigned>(rect->right - rect->left);
            const unsigned height = static_cast<unsigned>(rect->bottom - rect->top);
            if (width > 0 && height > 0) {
                x_.XResizeWindow(d, top_, width, height);
                if (socket_) x_.XResizeWindow(d, socket_, width, height);
            }
        }
    }
    if (!shown_) {
        x_.XMapWindow(d, top_);
        shown_ = true;
        x_.XSync(d, False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (x_.XQueryTree(d, top_, &root, &parent, &children, &count) && count > 0)
            TakeProcedureFrom(children[0]);
        if (children) x_.XFree(children);
    }
    x_.XFlush(d);
    return true;
}

void GuiInstance::CloseEditor() {
    if (!editorOpen_) return;
    host_->Dispatch(effEditClose);
    editorOpen_ = false;
    if (!reconnect_) return;
    // The editor's window and connection go with it; the plug-in must not touch either again.
    DestroyWindows();
    CloseOwnConnection();
    shown_ = false;
    procedure_ = nullptr;
}

void GuiInstance::TakeProcedureFrom(Window child) {
    Display* d = WindowDisplay();
    Atom property = x_.XInternAtom(d, "_XEventProc", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (x_.XGetWindowProperty(d, child, property, 0, 1, False, AnyPropertyType, &type, &format,
                              &count, &remaining, &data) == Success &&
        data && format == 32 && count == 1) {
        // One format-32 item: only its low 32 bits are the procedure's address.
        const uintptr_t item = *reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFul;
        procedure_ = item ? reinterpret_cast<Procedure>(item) : nullptr;
    }
    if (data) x_.XFree(data);
}

bool GuiInstance::HandleEvent(XEvent& event) {
    const bool closed = event.type == ClientMessage && event.xclient.window == top_ &&
                        static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom_;
    if (model_ == 1 && event.type == ReparentNotify && event.xreparent.parent == socket_)
        TakeProcedureFrom(event.xreparent.window);
    if (!procedure_ || model_ == 3) return closed;
    if (model_ == 2 && (event.type == FocusIn || event.type == FocusOut)) return closed;
    procedure_(&event);
    return closed;
}

void GuiInstance::Idle(uint64_t nowMs) {
    if (model_ == 3 || !editorOpen_) return;
    if (nowMs - lastIdle_ < kIdleMs) return;
    lastIdle_ = nowMs;
    host_->Dispatch(effEditIdle);
}

Window GuiInstance::EditorChild() {
    Display* d = WindowDisplay();
    const Window holder = socket_ ? socket_ : top_;
    if (!d || !holder) return 0;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window child = 0;
    if (x_.XQueryTree(d, holder, &root, &parent, &children, &count) && count > 0)
        child = children[0];
    if (children) x_.XFree(children);
    return child;
}

Window GuiInstance::PanelWindow() {
    const Window panel = EditorChild();
    XWindowAttributes attributes;
    if (panel && x_.XGetWindowAttributes(WindowDisplay(), panel, &attributes) &&
        attributes.map_state == IsViewable)
        return panel;
    return 0;
}

bool GuiInstance::Area(int& x, int& y, int& width, int& height) {
    Display* d = WindowDisplay();
    XWindowAttributes attributes{};
    Window child = 0;
    if (!d || !top_ || !x_.XGetWindowAttributes(d, top_, &attributes) ||
        !x_.XTranslateCoordinates(d, top_, x_.XDefaultRootWindow(d), 0, 0, &x, &y, &child))
        return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

std::string GuiInstance::StateObject(bool extended) {
    Display* d = WindowDisplay();
    int panelX = -1, panelY = -1;
    Window child = 0;
    const Window panel = d ? PanelWindow() : 0;
    if (panel)
        x_.XTranslateCoordinates(d, panel, x_.XDefaultRootWindow(d), 0, 0, &panelX, &panelY,
                                 &child);
    XWindowAttributes top{};
    if (d && top_) x_.XGetWindowAttributes(d, top_, &top);
    std::ostringstream json;
    json << "{\"model\":" << model_ << ",\"open\":" << (editorOpen_ ? 1 : 0)
         << ",\"panel\":" << panel << ",\"panel_at\":[" << panelX << ',' << panelY << "],\"top\":["
         << top.width << ',' << top.height << "],\"procedure\":" << (procedure_ ? 1 : 0);
    if (extended) {
        int topX = -1, topY = -1, width = 0, height = 0;
        Area(topX, topY, width, height);
        const Window editor = EditorChild();
        json << ",\"instance\":" << number_ << ",\"window\":" << top_ << ",\"top_at\":[" << topX
             << ',' << topY << "],\"editor\":" << editor << ",\"mapped\":" << (panel ? 1 : 0);
    }
    json << '}';
    return json.str();
}

bool GuiInstance::Screenshot(const std::string& path) {
    RgbImage image;
    return top_ && CaptureWindow(x_, WindowDisplay(), top_, image) && WritePng(path, image);
}

} // namespace moravox::host
