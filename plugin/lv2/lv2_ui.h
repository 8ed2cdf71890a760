// The LV2 UI: the plug-in's own panel, opened on the DSP instance (instance access) inside
// the host's window, with the panel's edits written to the host as control port values.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include "plugin/lv2/lv2_plugin.h"

namespace moravox::lv2 {

class Ui {
public:
    // Null without a parent window or instance access, or when the panel does not open.
    static Ui* Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                      LV2UI_Widget* widget, const LV2_Feature* const* features);
    ~Ui();
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    // The host's idle call: the panel's edits go to the host; 0 while the UI lives.
    int Idle();

private:
    Ui() = default;

    Plugin* plugin = nullptr;
    AEffect* effect = nullptr;
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
};

} // namespace moravox::lv2
