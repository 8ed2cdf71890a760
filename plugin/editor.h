// The plug-in's editor. For now it detects the host and tracks whether the
// host has it open; the panel joins it later.
#pragma once

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

    int HostType() const { return hostType; }
    bool IsOpen() const { return opened; }

private:
    void DetectHost(int& status);

    SPlugin* plugin;
    SGlobals* globals;
    int hostType = 0;
    bool opened = false;
};
