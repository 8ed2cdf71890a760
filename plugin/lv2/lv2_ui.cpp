#include "plugin/lv2/lv2_ui.h"

#include <lv2/instance-access/instance-access.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>

#include "engine/program/bank.h"
#include "engine/program/parameter_table.h"

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

PanelRect PanelSize(AEffect* e) {
    PanelRect* rect = nullptr;
    e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f);
    return rect ? *rect : PanelRect{0, 0, 245, 200};
}

} // namespace

Ui* Ui::Create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
               const LV2_Feature* const* features) {
    auto* map = static_cast<LV2_URID_Map*>(Feature(features, LV2_URID__map));
    if (!map) return nullptr;
    std::unique_ptr<Ui> ui(new (std::nothrow) Ui());
    if (!ui) return nullptr;
    ui->urid.Map(map);
    ui->write = write;
    ui->controller = controller;
    ui->plugin = static_cast<Plugin*>(Feature(features, LV2_INSTANCE_ACCESS_URI));
    if (!ui->plugin) {
        ui->own.reset(Plugin::Create(48000.0, features));
        ui->plugin = ui->own.get();
    }
    if (!ui->plugin || !(ui->effect = ui->plugin->Effect())) return nullptr;

    void* parent = Feature(features, LV2_UI__parent);
    if (parent) {
        if (!ui->OpenEditor(parent)) return nullptr;
        const PanelRect rect = PanelSize(ui->effect);
        if (auto* resize = static_cast<LV2UI_Resize*>(Feature(features, LV2_UI__resize)))
            resize->ui_resize(resize->handle, rect.right - rect.left, rect.bottom - rect.top);
    }
    // Without a parent the panel waits for the host's show call.
    if (widget) *widget = parent;
    if (ui->own) {
        Message ask;
        if (ForgeGet(ui->urid, ask)) ui->Send(ask); // the program and its panel-only settings
    }
    return ui.release();
}

Ui::~Ui() {
    CloseEditor();
    window.Close();
}

bool Ui::OpenEditor(void* parent) {
    if (editorOpen) return true;
    if (effect->dispatcher(effect, effEditOpen, 0, 0, parent, 0.0f) == 0) return false;
    editorOpen = true;
    // What the panel set while opening is the plug-in's already.
    plugin->TakeEdits();
    plugin->TakeTriggers();
    plugin->TakePanics();
    return true;
}

void Ui::CloseEditor() {
    if (!editorOpen) return;
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    editorOpen = false;
}

int Ui::Show() {
    if (editorOpen && !window.IsOpen()) return 0; // it lives in the host's window
    const PanelRect rect = PanelSize(effect);
    if (!window.Open("Moravox", rect.right - rect.left, rect.bottom - rect.top)) return 1;
    if (!OpenEditor(reinterpret_cast<void*>(window.Id()))) {
        window.Close();
        return 1;
    }
    window.Show();
    return 0;
}

int Ui::Hide() {
    if (!window.IsOpen()) return 0;
    CloseEditor();
    window.Close();
    return 0;
}

int Ui::Idle() {
    if (window.IsOpen() && window.CloseRequested()) {
        Hide();
        return 1;
    }
    if (editorOpen) effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    SendEdits();
    return 0;
}

void Ui::Send(const Message& message) {
    write(controller, kMidiIn, message.Size(), urid.eventTransfer, message.bytes);
}

void Ui::SendEdits() {
    uint32_t edited = plugin->TakeEdits();
    uint32_t fired = plugin->TakeTriggers();
    uint32_t panics = plugin->TakePanics();
    for (uint32_t i = 0; i < kControls; i++) {
        if (!(edited >> i & 1)) continue;
        const float value = NaturalValue(i, effect->getParameter(effect, static_cast<VstInt32>(i)));
        write(controller, i, sizeof(float), 0, &value);
    }
    // With instance access the panel set its own settings and fired the trigger on the
    // plug-in itself; on the UI's own instance they are handed to the plug-in.
    if (!own) return;
    Message message;
    // The host parameters as messages as well: a port write that matches the port's value
    // changes nothing in the plug-in, although its program may hold another value.
    for (uint32_t i = 0; i < kControls; i++) {
        if (!(edited >> i & 1) || i == velk::engine::P_PANIC) continue;
        const float value = NaturalValue(i, effect->getParameter(effect, static_cast<VstInt32>(i)));
        if (ForgeParameter(urid, i, value, message)) Send(message);
    }
    for (; panics > 0; panics--)
        for (float pulse : {1.0f, 0.0f})
            if (ForgeParameter(urid, velk::engine::P_PANIC, pulse, message)) Send(message);
    for (int i = 0; i < kPanelSettingCount; i++) {
        const auto parameter = static_cast<uint32_t>(kPanelSettings[i].parameter);
        if (!(edited >> parameter & 1)) continue;
        const float value =
            NaturalValue(parameter, effect->getParameter(effect, static_cast<VstInt32>(parameter)));
        if (ForgeSet(urid, urid.settings[i], static_cast<int32_t>(value), message)) Send(message);
    }
    for (; fired > 0; fired--)
        if (ForgeSetBool(urid, urid.trigger, true, message)) Send(message);
}

void Ui::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    // With instance access the panel follows the plug-in itself.
    if (!own || !buffer) return;
    if (format == 0 && port < kControls && size == sizeof(float)) {
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof(value));
        effect->setParameter(effect, static_cast<VstInt32>(port), ParameterValue(port, value));
        return;
    }
    if (port != kNotify || format != urid.eventTransfer || size < sizeof(LV2_Atom)) return;
    const auto* atom = static_cast<const LV2_Atom*>(buffer);
    if (atom->size > size - sizeof(LV2_Atom)) return;
    Follow(atom);
}

// The plug-in's current program and its record: the panel shows them as the plug-in has them.
void Ui::Follow(const LV2_Atom* atom) {
    LV2_URID property = 0;
    const LV2_Atom* value = nullptr;
    if (!ReadSet(urid, atom, property, value) || property != urid.record) return;
    if (value->type != urid.atomChunk || value->size != velk::engine::kProgramSize) return;
    const LV2_Atom* index = Property(atom, urid.program);
    int64_t program = 0;
    if (!index || !ReadInteger(urid, index, program) || program < 0 ||
        program >= velk::engine::kNumPrograms)
        return;
    effect->dispatcher(effect, effSetProgram, 0, static_cast<VstIntPtr>(program), nullptr, 0.0f);
    effect->dispatcher(effect, effSetChunk, 1, static_cast<VstIntPtr>(value->size),
                       const_cast<LV2_Atom*>(value + 1), 0.0f);
}

} // namespace moravox::lv2
