// The plug-in's editor. For now it detects the host and tracks whether the
// host has it open; the panel joins it later.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/aeffeditor.h"

class SGlobals;
class SPlugin;

class SPluginEditor : public AEffEditor {
public:
    // Detects the host; a refused host sets `status` to 3.
    SPluginEditor(SPlugin* plugin, SGlobals* globals, int& status);
    ~SPluginEditor() override;

    VstInt32 open(void* parent) override;
    void close() override;
    // Refresh requests from any thread, served on the editor's idle tick:
    // one parameter, or the whole program.
    void postUpdate() override { updateAll.store(true, std::memory_order_release); }
    void postUpdateIndexed(long index) override;
    // Takes the pending requests: a bit per parameter index below 64, and whether
    // the whole program is to be shown again.
    uint64_t TakeUpdatedIndices() { return updatedIndices.exchange(0, std::memory_order_acq_rel); }
    bool TakeUpdateAll() { return updateAll.exchange(false, std::memory_order_acq_rel); }

    int HostType() const { return hostType; }
    bool IsOpen() const { return opened; }

private:
    void DetectHost(int& status);

    SPlugin* plugin;
    SGlobals* globals;
    int hostType = 0;
    bool opened = false;
    std::atomic<uint64_t> updatedIndices{0};
    std::atomic<bool> updateAll{false};
};
