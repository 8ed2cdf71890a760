// The editor interface the dispatcher drives; the plug-in's editor derives from it.
#pragma once

#include "plugin/protocol/vst_abi.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    // Stores null (no rectangle) unless an editor knows its size.
    virtual VstInt32 getRect(ERect** rect) {
        if (rect) *rect = nullptr;
        return 0;
    }
    virtual VstInt32 open(void* parent) {
        systemWindow = parent;
        return 0;
    }
    virtual void close() {}
    virtual void idle() {}
    virtual void update() {}
    virtual void postUpdate() { updateFlag = 1; }
    // Per-parameter refresh hooks.
    virtual void updateIndexed() {}
    virtual void postUpdateIndexed(long) {}
    virtual void updateAtIndex(long) {}
    virtual VstInt32 onKeyDown(VstKeyCode&) { return -1; }
    virtual VstInt32 onKeyUp(VstKeyCode&) { return -1; }
    virtual VstInt32 setKnobMode(int) { return 0; }
    virtual bool onWheel(float) { return false; }

    void* getSystemWindow() const { return systemWindow; }
    AudioEffect* getEffect() const { return effect; }

protected:
    void* systemWindow = nullptr;
    AudioEffect* effect;
    VstInt32 updateFlag = 0;
};
