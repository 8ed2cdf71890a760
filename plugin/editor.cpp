#include "plugin/editor.h"

#include <cstring>

#include "plugin/hosts.h"
#include "plugin/splugin.h"

SPluginEditor::SPluginEditor(SPlugin* plugin, SGlobals* globals, int& status)
    : AEffEditor(plugin), plugin(plugin), globals(globals) {
    DetectHost(status);
}

// The plug-in is being torn down around us: its lock may already be gone.
SPluginEditor::~SPluginEditor() = default;

void SPluginEditor::DetectHost(int& status) {
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

VstInt32 SPluginEditor::open(void* parent) {
    AEffEditor::open(parent);
    opened = true;
    if (plugin) plugin->SetEditorClosed(false);
    return 1;
}

void SPluginEditor::close() {
    if (!opened) return;
    opened = false;
    if (plugin) plugin->SetEditorClosed(true);
}

void SPluginEditor::postUpdateIndexed(long index) {
    if (index >= 0 && index < 64)
        updatedIndices.fetch_or(uint64_t{1} << index, std::memory_order_acq_rel);
}
