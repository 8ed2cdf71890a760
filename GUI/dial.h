// The integer value box: shows its value as a number or as a text from a table, and
// changes it by vertical drags (left or right button), the wheel, middle clicks on
// either half and a Ctrl-click reset to the default.
#pragma once

#include "GUI/controllable.h"

namespace velk::gui {

template <typename T> class SDial : public SControllable<T, false> {
public:
    SDial(SGlobals* globals, SControl* parent, int id, const char* title, int style, int x, int y,
          int width, int height, bool labelBackground, bool wholeHandleZone, Window parentWindow,
          T value, T minimum, T maximum, T defaultValue);
    // Frees the tables the dial owns.
    ~SDial() override;

    // Through the off-screen buffer, copied to the window in one operation.
    void Draw(const Rect& r) override;
    void DrawOutlines(const Rect& r) override;
    // Adds the wheel to the controllable's mouse handling.
    void MouseStateChanged(bool* state, int code) override;
    // The drag rule: only while captured, only vertical movement, up raises the value.
    void MousePosChanged(int dx, int dy) override;

    virtual void DrawHandle();
    virtual void DrawValue();
    // Stores and repaints; never sends an event.
    bool SetValue(T v, bool notify) override;
    virtual int Value2Index(T) { return 0; }
    virtual T Index2Value(int) { return T{}; }

    // The text shown for the current value: a table entry when a table is in use and
    // holds that value, else the number.
    LabelText ValueText() const;

    // Written by the panel right after construction.
    bool useTableA = false;
    bool useTableB = false;
    LabelText* tableA = nullptr;
    LabelText* tableB = nullptr;
    bool ownsTableA = false;
    bool ownsTableB = false;
    // Entries of a table, indexed by the value from 0.
    int entryCount;
    int leftThreshold = 5;
    int rightThreshold = 12;
    // Off: a left drag moves the value one per pixel.
    bool thresholdMode = true;
    T markedValue{};
    int markedColour = 0;
    bool marked = false;
};

extern template class SDial<int>;

} // namespace velk::gui
