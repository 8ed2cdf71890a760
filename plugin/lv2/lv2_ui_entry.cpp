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

void PortEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    static_cast<Ui*>(h)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle h) {
    return static_cast<Ui*>(h)->Idle();
}
int Show(LV2UI_Handle h) {
    return static_cast<Ui*>(h)->Show();
}
int Hide(LV2UI_Handle h) {
    return static_cast<Ui*>(h)->Hide();
}

const void* ExtensionData(const char* uri) {
    static const LV2UI_Idle_Interface idle = {Idle};
    static const LV2UI_Show_Interface show = {Show, Hide};
    if (std::string_view(uri) == LV2_UI__idleInterface) return &idle;
    if (std::string_view(uri) == LV2_UI__showInterface) return &show;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {moravox::lv2::kUiUri, Instantiate, Cleanup, PortEvent,
                                      ExtensionData};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
