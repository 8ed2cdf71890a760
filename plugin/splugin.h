// The framework's plug-in base: identity towards the host, the editor and the
// per-instance GUI resources, the editor opcodes of an X11 host.
#pragma once

#include <atomic>

#include "data/datastring.h"
#include "plugin/protocol/audioeffectx.h"
#include "system/mutex.h"

class SGlobals;
class SPluginEditor;

class SPlugin : public AudioEffectX {
public:
    // `status` becomes 3 when the host is refused; the object is built fully anyway.
    SPlugin(audioMasterCallback audioMaster, int& status);
    ~SPlugin() override;

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;
    void open() override {}
    void close() override {}
    bool getEffectName(char* text) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    VstInt32 getVendorVersion() override { return 102; }
    VstInt32 canDo(char* text) override;
    bool getInputProperties(VstInt32, VstPinProperties*) override { return false; }
    bool getOutputProperties(VstInt32, VstPinProperties*) override { return false; }
    // A rate that is not a positive number, or a negative size, is not stored.
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void suspend() override;
    void resume() override;

    // Display name of the host the editor detected; "" without an editor.
    const char* PluginHostName() const;

    // The editor-closed flag. The editor writes it under the instance lock; it
    // is read without the lock, since the audio thread reads it too (a program
    // change arriving as MIDI) and must never wait on a kernel mutex.
    bool EditorClosed() const { return editorClosed.load(std::memory_order_acquire); }
    void SetEditorClosed(bool closed);

    bool IsSuspended() const { return suspended.load(std::memory_order_acquire); }
    SPluginEditor* Editor() const { return pluginEditor; }
    // The rectangle answered to effEditGetRect: (0, 0, height, width).
    void SetEditorSize(int width, int height);
    const ERect& EditorRect() const { return editorRect; }
    SGlobals* Globals() const { return globals; }
    const velk::data::datastring<32, char>* EffectName() const { return effectName; }
    const velk::data::datastring<32, char>* Directory() const { return directory; }

protected:
    std::atomic<bool> editorClosed{true};
    std::atomic<bool> suspended{true};
    SPluginEditor* pluginEditor = nullptr;
    ERect editorRect;
    SGlobals* globals = nullptr;
    velk::data::datastring<32, char>* effectName = nullptr;
    velk::data::datastring<32, char>* directory = nullptr;
    velk::threading::SMutexOS lock;
};

// The folder part of a path the host gave us: kept whole when it ends with a
// separator, otherwise without its last component ("/opt/vst/x.so" -> "/opt/vst/").
void DirectoryPart(const char* path, velk::data::datastring<32, char>& out);
