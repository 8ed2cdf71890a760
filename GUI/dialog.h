// A top-level window that can be shown, closed and run modally: the modal loop hands
// every event of the dialog's connection to the toolkit until the dialog is closed or
// the window manager asks to close it.
#pragma once

#include "GUI/window.h"

namespace velk::gui {

class SDialog : public SWindow {
public:
    SDialog() = default;
    ~SDialog() override = default;

    // Hides the dialog and ends a modal loop.
    void CloseDialog() override;
    // Also keeps the window manager's fixed size in step.
    void SetSize(int width, int height) override;

    // Shows and raises the dialog; returns at once.
    virtual void ShowDialog();
    // Shows, raises and runs the modal loop until CloseDialog or a close request
    // from the window manager (which leaves the dialog shown).
    virtual void ShowModal();

    bool IsShown() const { return shown; }
    bool IsModal() const { return modal; }
    // The connection the dialog's windows live on.
    Display* Connection() const { return GetDisplay(); }

protected:
    void RunModal();

    bool shown = false;
    bool modal = false;
};

} // namespace velk::gui
