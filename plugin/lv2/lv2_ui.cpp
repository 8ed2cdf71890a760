#include "plugin/lv2/lv2_ui.h"

#include <lv2/instance-access/instance-access.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace moravox::lv2 {

namespace {

void* Feature(const LV2_Feature* const* features, const char* uri) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

// The size of the panel, for hosts that size the window around it.
struct PanelRect {
    int16_t top, left, bottom, right;
};

} // namespace

Ui* Ui::Create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
               const LV2_Feature* const* features) {
    void* parent = Feature(features, LV2_UI__parent);
    auto* plugin = static_cast<Plugin*>(Feature(features, LV2_INSTANCE_ACCESS_URI));
    if (!parent || !plugin || !plugin->Effect()) return nullptr;
    auto* ui = new (std::nothrow) Ui();
    if (!ui) return nullptr;
    ui->plugin = plugin;
    ui->effect = plugin->Effect();
    ui->write = write;
    ui->controller = controller;
    AEffect* e = ui->effect;
    if (e->dispatcher(e, effEditOpen, 0, 0, parent, 0.0f) == 0) {
        delete ui;
        return nullptr;
    }
    ui->plugin->TakeEdits(); // what the panel set while opening is the plug-in's already
    PanelRect* rect = nullptr;
    e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f);
    if (auto* resize = static_cast<LV2UI_Resize*>(Feature(features, LV2_UI__resize));
        resize && rect)
        resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
    if (widget) *widget = parent;
    return ui;
}

Ui::~Ui() {
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
}

int Ui::Idle() {
    effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    uint32_t edited = plugin->TakeEdits();
    for (uint32_t i = 0; edited; i++, edited >>= 1) {
        if (!(edited & 1)) continue;
        const float value = NaturalValue(i, effect->getParameter(effect, static_cast<VstInt32>(i)));
        write(controller, i, sizeof(float), 0, &value);
    }
    return 0;
}

} // namespace moravox::lv2
