// The plug-in's editor: embeds the panel in the window the host offers, keeps the
// host told of its size, and carries parameter changes to the panel. The engine only
// raises flags here; an idle tick on the process-wide idle thread refreshes the panel.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/protocol/aeffeditor.h"

struct _XDisplay;
class SGlobals;
class SPlugin;
class SPluginPanel;

namespace velk::gui {
class SControl;
class SCursor;
class SMessageDialog;
} // namespace velk::gui

class SPluginEditor : public AEffEditor {
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 245;
    // Milliseconds between two idle ticks.
    static constexpr int kIdleInterval = 22;
    static constexpr int kPendingFlags = 256;

    // Detects the host; a refused host sets `status` to 3.
    SPluginEditor(SPlugin* plugin, SGlobals* globals, int& status);
    // Closes if open and releases every X resource.
    ~SPluginEditor() override;
    SPluginEditor(const SPluginEditor&) = delete;
    SPluginEditor& operator=(const SPluginEditor&) = delete;

    // The first open builds the panel in the hidden holder; every open then moves it
    // into the host's window. Returns 1, or 0 when there is no usable display or window.
    // The panel lives on `connection` (ours for null); a panel built on another one is
    // released and built anew.
    VstInt32 OpenOn(void* parent, _XDisplay* connection);
    VstInt32 open(void* parent) override { return OpenOn(parent, nullptr); }
    // Returns only once no idle tick runs and none can start, then moves the panel back
    // into the holder before the host's window goes.
    void close() override;
    // One idle tick: the whole refresh if requested, else the pending single ones.
    void idle() override;
    void update() override;
    void updateIndexed() override;
    void updateAtIndex(long index) override;
    // From any thread, the audio thread included: flag stores only.
    void postUpdate() override { updateAll.store(true, std::memory_order_release); }
    void postUpdateIndexed(long index) override;
    virtual void idleslow();

    static void idlestatic(void* editor);
    void GetHostApp(int& status);
    // Tells the host the new size; resizes the host's window ourselves when the host
    // does not answer 1 to "sizeWindow".
    void SetSize(int width, int height);
    void ChangeSize(int dx, int dy);
    void Resize(int width, int height);
    const ERect& GetRect();

    // Destroys the panel, holder, dialog and cursor (closing first when open). Safe to
    // call more than once; the next open builds everything anew.
    void ReleaseGui();
    // ReleaseGui on every editor of the process whose panel lives on `display`, or on
    // all of them for null: before that connection closes.
    static void ReleaseGuis(_XDisplay* display);
    // At unload: editors still listed belong to instances the host never closed and
    // can never be destroyed now, so the list lets go of them.
    static void ForgetAll();

    int HostType() const { return hostType; }
    bool IsOpen() const { return opened.load(std::memory_order_acquire); }
    SPluginPanel* Panel() const { return panel; }
    unsigned long HostWindow() const { return hostWindow; }
    unsigned long HolderWindow() const { return holderWindow; }
    // The connection the panel lives on; null before the first open.
    _XDisplay* Connection() const { return display; }
    // How often the panel's controls were built, and how many RefreshControls calls the
    // updates made.
    int LoadCount() const { return loadCount; }
    int RefreshCount() const { return refreshCount.load(std::memory_order_acquire); }
    // For tests: takes the pending flags of indices 0..63 as bits, and the whole-refresh
    // request, as the next tick would.
    uint64_t TakeUpdatedIndices();
    bool TakeUpdateAll() { return updateAll.exchange(false, std::memory_order_acq_rel); }

private:
    bool BuildPanel(_XDisplay* connection);
    // Hands the events of our own connection to the toolkit when no host reads them.
    void DispatchOwnEvents();
    void ResizeHostWindow(int width, int height);
    void Register();
    void Unregister();

    // The idle thread calls whatever this holds; registered by address.
    void (*idleCallback)(void*) = &SPluginEditor::idlestatic;

    SGlobals* globals;
    SPluginPanel* panel = nullptr;
    SPlugin* plugin;
    int hostType = 0;
    std::atomic<bool> indexedPending{false};
    std::atomic<bool> opened{false};
    std::atomic<bool> updateAll{false};
    ERect rect{};
    velk::gui::SCursor* cursor = nullptr;
    unsigned long hostWindow = 0;
    velk::gui::SControl* holder = nullptr;
    velk::gui::SMessageDialog* dialog = nullptr;
    unsigned long holderWindow = 0;
    std::atomic<uint8_t> pending[kPendingFlags];
    // The connection the panel and holder were made on.
    _XDisplay* display = nullptr;
    int loadCount = 0;
    std::atomic<int> refreshCount{0};
};
