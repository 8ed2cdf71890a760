// A control that owns child controls, and the stand-alone main loop.
#pragma once

#include <vector>

#include "GUI/control.h"

namespace velk::gui {

class SWindow : public SControl {
public:
    struct SChild {
        SControl* control;
        unsigned id;
    };

    SWindow() = default;
    SWindow(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style, int x,
            int y, int width, int height, Window parentWindow, bool flag)
        : SControl(globals, parent, id, title, style, x, y, width, height, parentWindow, flag) {}
    // Cleans up and deletes the children from the last to the first.
    ~SWindow() override;

    void CleanRessources() override;
    void EnableChildren(bool enable) override;
    void Minimized() override;
    void WindowClose() override;
    void WindowMinimize(bool normal) override;
    void WindowMaximize(bool maximise) override;
    void MousePosition(int x, int y) override { SControl::MousePosition(x, y); }
    void Run() override { running = true; }
    void Stop() override { running = false; }
    void CloseMenu() override {}
    bool IsSubcontrol(unsigned id) override;

    // Appends the child (null is ignored).
    virtual void Add(SControl* child);
    // Removes the first child with the same id, deleting it when asked.
    virtual void Remove(SControl* child, bool destroy);
    virtual bool IsSubcontrol(int window);
    // Dispatches events until Stop; a dialog then returns 0, any other window cleans
    // up and ends the process.
    virtual int Loop();
    virtual SMenu* GetMenu() { return menu; }
    virtual void SetMenu(SMenu* newMenu) { menu = newMenu; }
    virtual void TooltipEnable(bool) {}

    const std::vector<SChild>& Children() const { return children; }
    bool Running() const { return running; }

private:
    void DeleteChildren();

    std::vector<SChild> children;
    int lowestChildId = -1;
    int highestChildId = -1;
    SMenu* menu = nullptr;
    bool menuShown = false;
    bool running = false;
};

} // namespace velk::gui
