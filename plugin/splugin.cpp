#include "plugin/splugin.h"

#include <cmath>
#include <cstring>

#include "GUI/globals.h"
#include "GUI/world.h"
#include "plugin/editor.h"
#include "plugin/hosts.h"

namespace {

const char* const kPluginName = "Moravox";
const char* const kVendor = "moravox.org";

// The capability words this plug-in says yes to; every other word gets a firm no.
const char* const kCanDo[] = {"sendVstMidiEvent", "sendVstEvents", "receiveVstEvents",
                              "receiveVstMidiEvent", "receiveVstTimeInfo"};

// Longest directory answer we read from a host.
constexpr size_t kMaxHostPath = 4096;

} // namespace

SPlugin::SPlugin(audioMasterCallback audioMaster, int& status) : AudioEffectX(audioMaster, 32, 16) {
    editorRect.top = 0;
    editorRect.left = 0;
    editorRect.bottom = 245;
    editorRect.right = 200;
    globals = new SGlobals();
    pluginEditor = new SPluginEditor(this, globals, status);
    editor = pluginEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);

    isSynth(true);
    setUniqueID(FourCC('M', 'V', 'X', 'n'));
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);
    hasVu(false);
    hasClip(false);
    programsAreChunks(true);
    canMono(true);
    suspended = true;
}

SPlugin::~SPlugin() {
    delete effectName;
    delete directory;
    // The editor goes first: it still refers to the GUI resources.
    delete editor;
    editor = nullptr;
    pluginEditor = nullptr;
    delete globals;
    if (lock.IsLocked()) lock.Unlock();
}

VstIntPtr SPlugin::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt) {
    switch (opcode) {
    case effEditGetRect:
        if (!ptr) return 0;
        *static_cast<ERect**>(ptr) = &editorRect;
        return reinterpret_cast<VstIntPtr>(&editorRect);
    case effEditOpen:
        if (!ptr) return 0;
        {
            // Each editor lives on the connection its own open hands over (ours for 0);
            // the first one handed over also serves work that belongs to no editor.
            Display* handed = reinterpret_cast<Display*>(value);
            velk::gui::AdoptHostDisplay(handed);
            if (pluginEditor)
                pluginEditor->OpenOn(ptr, handed);
            else if (editor)
                editor->open(ptr);
        }
        return 1;
    case effEditClose:
        if (editor) editor->close();
        return 1;
    case effClose:
        // The panel and its windows go while the whole object is still there: an idle
        // tick running now still reads parameters.
        if (pluginEditor) pluginEditor->ReleaseGui();
        return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    case effEditIdle:
        // The editor runs its own timers; the host's idle calls are not needed.
        return 0;
    default: return AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool SPlugin::getEffectName(char* text) {
    CopyHostText(text, kPluginName, kVstMaxNameLen);
    return true;
}

bool SPlugin::getProductString(char* text) {
    CopyHostText(text, kPluginName, kVstMaxNameLen);
    return true;
}

bool SPlugin::getVendorString(char* text) {
    CopyHostText(text, kVendor, kVstMaxNameLen);
    return true;
}

VstInt32 SPlugin::canDo(char* text) {
    if (!text) return -1;
    for (const char* word : kCanDo)
        if (strcmp(text, word) == 0) return 1;
    return -1;
}

void SPlugin::setSampleRate(float rate) {
    if (std::isfinite(rate) && rate > 0) sampleRate = rate;
}

void SPlugin::setBlockSize(VstInt32 size) {
    if (size >= 0) blockSize = size;
}

void SPlugin::suspend() {
    suspended = true;
}

void SPlugin::resume() {
    if (!effectName) {
        char name[128] = {};
        getEffectName(name);
        effectName = new velk::data::datastring<32, char>();
        effectName->Append(name);
    }
    if (!directory) {
        directory = new velk::data::datastring<32, char>();
        if (const char* path = static_cast<const char*>(getDirectory()))
            DirectoryPart(path, *directory);
    }
    wantEvents(1);
    suspended = false;
}

const char* SPlugin::PluginHostName() const {
    return pluginEditor ? velk::plugin::HostDisplayName(pluginEditor->HostType()) : "";
}

void SPlugin::SetEditorSize(int width, int height) {
    editorRect.top = 0;
    editorRect.left = 0;
    editorRect.bottom = static_cast<short>(height);
    editorRect.right = static_cast<short>(width);
}

void SPlugin::SetEditorClosed(bool closed) {
    lock.Lock();
    editorClosed.store(closed, std::memory_order_release);
    lock.Unlock();
}

void DirectoryPart(const char* path, velk::data::datastring<32, char>& out) {
    out.Clear(false);
    if (!path) return;
    size_t length = strnlen(path, kMaxHostPath);
    if (length == kMaxHostPath) return; // not a path we can trust to be terminated
    size_t keep = length;
    while (keep > 0 && path[keep - 1] != '/' && path[keep - 1] != '\\') keep--;
    for (size_t i = 0; i < keep; i++) out.Append(path[i]);
}
