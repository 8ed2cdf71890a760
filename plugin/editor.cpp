#include "plugin/editor.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "GUI/control.h"
#include "GUI/cursor.h"
#include "GUI/globals.h"
#include "GUI/messagedialog.h"
#include "panel/pluginpanel.h"
#include "GUI/world.h"
#include "GUI/xerror.h"
#include "plugin/hosts.h"
#include "plugin/splugin.h"
#include "system/persistent.h"

using velk::gui::SControl;

namespace {

// Events of our own connection handled per idle tick at most, so a flood cannot hold
// the idle thread (and every other editor's refresh) for long.
constexpr int kOwnEventsPerTick = 256;

// Every live editor of the process, for releasing windows before a connection closes.
struct EditorsTag {};
std::mutex& EditorsMutex() {
    return velk::system::Persistent<EditorsTag, std::mutex>();
}
std::vector<SPluginEditor*>& Editors() {
    return velk::system::Persistent<EditorsTag, std::vector<SPluginEditor*>>();
}

bool WindowExists(Display* display, Window window) {
    if (!display || !window) return false;
    velk::gui::SQuietErrors quiet(display);
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0;
}

// "Moravox (N)" with a number unique enough per instance, and the id the new control
// gets: the counter's value, which restarts from 0.
velk::data::datastring<32, char> NewTitle(SGlobals* globals, unsigned& id) {
    id = static_cast<unsigned>(globals->counter.exchange(0, std::memory_order_acq_rel));
    return velk::data::datastring<32, char>(64, "Moravox (%i)",
                                            static_cast<int>(globals->random.Integer()));
}

} // namespace

SPluginEditor::SPluginEditor(SPlugin* plugin, SGlobals* globals, int& status)
    : AEffEditor(plugin), globals(globals), plugin(plugin) {
    for (auto& flag : pending) flag.store(0, std::memory_order_relaxed);
    rect.bottom = kHeight;
    rect.right = kWidth;
    // The panel is drawn from the idle thread as well as from the host's thread.
    XInitThreads();
    GetHostApp(status);
    Register();
}

SPluginEditor::~SPluginEditor() {
    Unregister();
    ReleaseGui();
}

void SPluginEditor::Register() {
    std::lock_guard<std::mutex> guard(EditorsMutex());
    Editors().push_back(this);
}

void SPluginEditor::Unregister() {
    std::lock_guard<std::mutex> guard(EditorsMutex());
    auto& all = Editors();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    // The list outlives the library's unload; give its buffer back when it empties.
    if (all.empty()) std::vector<SPluginEditor*>().swap(all);
}

void SPluginEditor::ReleaseGuis(_XDisplay* onDisplay) {
    std::vector<SPluginEditor*> chosen;
    {
        std::lock_guard<std::mutex> guard(EditorsMutex());
        for (SPluginEditor* editor : Editors())
            if (!onDisplay || editor->display == onDisplay) chosen.push_back(editor);
    }
    for (SPluginEditor* editor : chosen) editor->ReleaseGui();
}

void SPluginEditor::ForgetAll() {
    std::lock_guard<std::mutex> guard(EditorsMutex());
    std::vector<SPluginEditor*>().swap(Editors());
}

void SPluginEditor::GetHostApp(int& status) {
    if (!plugin) return;
    // Hosts write up to 64 characters; the extra room guards against longer answers.
    char vendor[256] = {};
    char product[256] = {};
    plugin->getHostVendorString(vendor);
    plugin->getHostProductString(product);
    product[127] = '\0';
    VstInt32 version = strstr(product, "Cubase") ? plugin->getHostVendorVersion() : 0;
    hostType = velk::plugin::DetectHostType(product, version);
    if (hostType == velk::plugin::HOST_USINE) status = 3;
}

VstInt32 SPluginEditor::OpenOn(void* parent, _XDisplay* connection) {
    if (!parent) return 0;
    velk::gui::SNoSigpipe noSigpipe;
    std::lock_guard<std::recursive_mutex> guard(velk::gui::GuiLock());
    if (IsOpen()) return 1;
    Display* current = connection ? connection : dps;
    // A connection whose server went away (or one too many) is as good as none.
    if (current && !velk::gui::Attach(current)) current = nullptr;
    // Everything the panel makes goes on this connection.
    velk::gui::SDisplayScope scope(current);
    const Window window = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    // A window that does not exist would end the host through the default X error
    // handler at the first request; without any display there is nothing to show.
    if (current && !WindowExists(current, window)) return 0;
    systemWindow = parent;

    if (current) {
        hostWindow = window;
        globals->hostWindow = window;
        if (plugin && plugin->EffectName()) {
            globals->fileName.Clear(false);
            globals->fileName.Append(plugin->EffectName()->Text());
        }
        if (plugin && plugin->Directory()) {
            globals->fileFolder.Clear(false);
            globals->fileFolder.Append(plugin->Directory()->Text());
        }
        if (panel && display != current) ReleaseGui();
        if (!panel && !BuildPanel(current)) {
            hostWindow = 0;
            globals->hostWindow = 0;
            return 0;
        }
        // The first open too: a host that only looks for a child being reparented into
        // its window finds the panel the same way at every open.
        panel->Reparent(hostWindow);
        // The controls show the program before the first idle tick: a click that comes
        // sooner acts on what is shown, not on a control's initial value.
        panel->RefreshControls(-1);
        SetSize(kWidth, kHeight);
        cursor = new velk::gui::SCursor();
        cursor->SetWindow(hostWindow);
        cursor->CreateDefault();
        globals->cursor = cursor;
        panel->Show();
        globals->counter.fetch_add(1, std::memory_order_acq_rel);
        panel->CreateIdleTimer(kIdleInterval, false);
        panel->CreateIdleFunction(&idleCallback, this);
        XFlush(display);
    }
    if (plugin) plugin->SetEditorClosed(false);
    opened.store(true, std::memory_order_release);
    postUpdate();
    return 1;
}

bool SPluginEditor::BuildPanel(Display* connection) {
    display = connection;
    SetSize(kWidth, kHeight);
    unsigned id = 0;
    velk::data::datastring<32, char> title = NewTitle(globals, id);
    holder = new SControl(globals, nullptr, id, title.Text(), 0, 0, 0, kWidth, kHeight, 0, false);
    holderWindow = holder->GetWindow();
    if (!holderWindow) {
        delete holder;
        holder = nullptr;
        return false;
    }
    dialog = new velk::gui::SMessageDialog();
    holder->SetSize(kWidth, kHeight);
    title = NewTitle(globals, id);
    panel = new SPluginPanel(globals, nullptr, id, title.Text(), 0x80001, 0, 0, kWidth, kHeight,
                             holderWindow, false);
    panel->SetEditor(this);
    panel->SetPlugin(plugin);
    panel->LoadControls();
    loadCount++;
    return true;
}

void SPluginEditor::close() {
    bool expected = true;
    if (!opened.compare_exchange_strong(expected, false, std::memory_order_acq_rel)) return;
    if (plugin) plugin->SetEditorClosed(true);
    // Unregistering waits for a tick in progress; later passes no longer call us. The
    // lock is not held here, so that tick can finish.
    if (panel) panel->DestroyIdleTimer();
    velk::gui::SNoSigpipe noSigpipe;
    velk::gui::SDisplayScope scope(display);
    if (panel) {
        // The host may have destroyed its window, and our panel with it, already.
        if (WindowExists(display, panel->GetWindow())) {
            panel->Reparent(holderWindow);
        } else {
            velk::gui::SQuietErrors quiet(display);
            delete panel;
            panel = nullptr;
        }
    }
    hostWindow = 0;
    globals->hostWindow = 0;
    globals->cursor = nullptr;
    delete cursor;
    cursor = nullptr;
    // Done by the server before close returns: the host's window, which the host may destroy
    // on a connection of its own right after, must no longer hold the panel.
    if (display) XSync(display, False);
}

void SPluginEditor::ReleaseGui() {
    close();
    velk::gui::SNoSigpipe noSigpipe;
    velk::gui::SDisplayScope scope(display);
    if (globals && globals->cursor == cursor) globals->cursor = nullptr;
    delete cursor;
    cursor = nullptr;
    delete panel;
    panel = nullptr;
    delete holder;
    holder = nullptr;
    holderWindow = 0;
    delete dialog;
    dialog = nullptr;
    if (display) XFlush(display);
    display = nullptr;
}

void SPluginEditor::idlestatic(void* editor) {
    if (editor) static_cast<SPluginEditor*>(editor)->idle();
}

void SPluginEditor::idle() {
    if (!IsOpen()) return;
    // Never wait here: the host's thread may hold the lock while it waits for us.
    std::unique_lock<std::recursive_mutex> guard(velk::gui::GuiLock(), std::try_to_lock);
    if (!guard.owns_lock() || !IsOpen()) return;
    // A panel whose server went away is left alone until it is closed or released.
    if (display && velk::gui::IsDead(display)) return;
    velk::gui::SDisplayScope scope(display);
    DispatchOwnEvents();
    if (updateAll.exchange(false, std::memory_order_acq_rel))
        update();
    else if (indexedPending.exchange(false, std::memory_order_acq_rel))
        updateIndexed();
}

void SPluginEditor::DispatchOwnEvents() {
    // A host that passed its own connection reads and hands over the events itself.
    if (!display || display != dps) return;
    for (int n = 0; n < kOwnEventsPerTick && XPending(display) > 0; n++) {
        XEvent event;
        XNextEvent(display, &event);
        // The window is gone: the toolkit has nothing to do with it, and finding its
        // control would only report a bad window.
        if (event.type == DestroyNotify) continue;
        SControl::eventProc(&event);
    }
}

void SPluginEditor::update() {
    velk::gui::SDisplayScope scope(display);
    if (!IsOpen() || !panel) return;
    indexedPending.store(false, std::memory_order_release);
    for (auto& flag : pending) flag.store(0, std::memory_order_relaxed);
    refreshCount.fetch_add(1, std::memory_order_acq_rel);
    panel->RefreshControls(-1);
}

void SPluginEditor::updateIndexed() {
    velk::gui::SDisplayScope scope(display);
    if (!IsOpen() || !panel) return;
    for (long index = 0; index < kPendingFlags; index++)
        if (pending[index].exchange(0, std::memory_order_acq_rel)) {
            refreshCount.fetch_add(1, std::memory_order_acq_rel);
            panel->RefreshControls(index);
        }
}

void SPluginEditor::updateAtIndex(long index) {
    if (index < 0 || index >= kPendingFlags) return;
    velk::gui::SDisplayScope scope(display);
    if (!IsOpen() || !panel) return;
    pending[index].store(0, std::memory_order_release);
    refreshCount.fetch_add(1, std::memory_order_acq_rel);
    panel->RefreshControls(index);
}

void SPluginEditor::postUpdateIndexed(long index) {
    if (index < 0 || index >= kPendingFlags) return;
    pending[index].store(1, std::memory_order_release);
    indexedPending.store(true, std::memory_order_release);
}

uint64_t SPluginEditor::TakeUpdatedIndices() {
    uint64_t bits = 0;
    for (int index = 0; index < 64; index++)
        if (pending[index].exchange(0, std::memory_order_acq_rel)) bits |= uint64_t{1} << index;
    indexedPending.store(false, std::memory_order_release);
    return bits;
}

void SPluginEditor::idleslow() {
    velk::gui::SDisplayScope scope(display);
    if (panel) panel->TimerProc(0);
}

void SPluginEditor::ResizeHostWindow(int width, int height) {
    Display* current = display ? display : velk::gui::XDisplay();
    if (current && hostWindow && width > 0 && height > 0)
        XResizeWindow(current, hostWindow, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
}

namespace {
bool HostSizesWindow(SPlugin* plugin) {
    char text[] = "sizeWindow";
    return plugin && plugin->canHostDo(text) == 1;
}
} // namespace

void SPluginEditor::SetSize(int width, int height) {
    if (plugin) plugin->SetEditorSize(width, height);
    if (!HostSizesWindow(plugin)) ResizeHostWindow(width, height);
    if (plugin) plugin->sizeWindow(width, height);
    if (panel) panel->SetSize(width, height);
}

void SPluginEditor::ChangeSize(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    rect.right = static_cast<short>(rect.right + dx);
    rect.bottom = static_cast<short>(rect.bottom + dy);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (HostSizesWindow(plugin)) {
        rect.top = rect.left = 0;
        rect.right = static_cast<short>(width);
        rect.bottom = static_cast<short>(height);
    } else {
        ResizeHostWindow(width, height);
    }
    if (plugin) plugin->sizeWindow(width, height);
}

void SPluginEditor::Resize(int width, int height) {
    rect.top = rect.left = 0;
    rect.right = static_cast<short>(width);
    rect.bottom = static_cast<short>(height);
    if (plugin) plugin->sizeWindow(width, height);
}

const ERect& SPluginEditor::GetRect() {
    if (panel) {
        rect.top = rect.left = 0;
        rect.right = static_cast<short>(panel->Width());
        rect.bottom = static_cast<short>(panel->Height());
    }
    return rect;
}
