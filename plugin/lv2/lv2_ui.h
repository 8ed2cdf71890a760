// The LV2 UI: the plug-in's own panel, inside the host's window (ui:parent) or in a window
// of its own (ui:showInterface). With instance access it shows the running instance; without
// it, an instance of the UI's own that follows the plug-in through its ports and messages.
// Either way the panel's edits reach the host as control port values.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <memory>

#include "plugin/lv2/lv2_messages.h"
#include "plugin/lv2/lv2_plugin.h"
#include "plugin/lv2/lv2_window.h"

namespace moravox::lv2 {

class Ui {
public:
    // Null without URID mapping, or when the panel does not open in the host's window.
    static Ui* Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                      LV2UI_Widget* widget, const LV2_Feature* const* features);
    ~Ui();
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    // The host's idle call: the panel's edits go to the host; 1 once the user closed the
    // UI's own window, else 0.
    int Idle();
    // The host's show and hide calls: 0 when done.
    int Show();
    int Hide();
    // A port's value (format 0) or a message from the notify port (atom:eventTransfer).
    void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);

private:
    Ui() = default;
    bool OpenEditor(void* parent);
    void CloseEditor();
    void SendEdits();
    void Send(const Message& message);
    void Follow(const LV2_Atom* atom);

    Plugin* plugin = nullptr;    // the instance whose panel this is
    std::unique_ptr<Plugin> own; // the UI's own instance, without instance access
    AEffect* effect = nullptr;
    Urids urid = {};
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    OwnWindow window;
    bool editorOpen = false;
};

} // namespace moravox::lv2
