// The LV2 binary's exported UI descriptor.
#include <lv2/ui/ui.h>

#include <string_view>

#include "plugin/lv2/lv2_ui.h"

namespace {

using moravox::lv2::Ui;

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char*, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    return Ui::Create(write, controller, widget, features);
}

void Cleanup(LV2UI_Handle h) {
    delete static_cast<Ui*>(h);
}

// The panel follows the plug-in's parameters itself: port values need no answer here.
void PortEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int Idle(LV2UI_Handle h) {
    return static_cast<Ui*>(h)->Idle();
}

const void* ExtensionData(const char* uri) {
    static const LV2UI_Idle_Interface idle = {Idle};
    if (std::string_view(uri) == LV2_UI__idleInterface) return &idle;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {moravox::lv2::kUiUri, Instantiate, Cleanup, PortEvent,
                                      ExtensionData};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
