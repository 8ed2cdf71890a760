// The LV2 binary's exported descriptors.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <string_view>

#include "plugin/lv2/lv2_plugin.h"

namespace {

using moravox::lv2::Plugin;

Plugin* Of(LV2_Handle handle) {
    return static_cast<Plugin*>(handle);
}

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    return Plugin::Create(rate, features);
}

void Connect(LV2_Handle h, uint32_t port, void* data) {
    Of(h)->Connect(port, data);
}
void Activate(LV2_Handle h) {
    Of(h)->Activate();
}
void Run(LV2_Handle h, uint32_t frames) {
    Of(h)->Run(frames);
}
void Deactivate(LV2_Handle h) {
    Of(h)->Deactivate();
}
void Cleanup(LV2_Handle h) {
    delete Of(h);
}

LV2_State_Status Save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
    return Of(h)->Save(store, handle);
}
LV2_State_Status Restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    return Of(h)->Restore(retrieve, handle);
}

const void* ExtensionData(const char* uri) {
    static const LV2_State_Interface state = {Save, Restore};
    if (std::string_view(uri) == LV2_STATE__interface) return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {moravox::lv2::kUri, Instantiate, Connect,    Activate,
                                    Run,                Deactivate,  Cleanup,    ExtensionData};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
