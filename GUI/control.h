// A control: one X window of its own with a drawing context, a mouse and keyboard
// state record, listeners for toolkit events, optional timers and tooltip contents.
// X events reach controls only through the static dispatcher eventProc.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <vector>

#include "GUI/draw.h"
#include "GUI/eventmanager.h"
#include "GUI/events.h"
#include "GUI/input.h"
#include "GUI/object.h"
#include "data/datastring.h"
#include "system/idle.h"
#include "system/timer.h"
#include "system/timer_target.h"

class SGlobals;

namespace velk::gui {

class SToolTip;
class SToolTipData;
class SMenu;
using context::SDrawRegion;

// Style bits fixed at creation.
enum SControlStyle {
    STYLE_CHILDREN = 0x2,
    STYLE_OUTLINES_ON_HOVER = 0x4,
    STYLE_CAPTURE = 0x8,
    STYLE_DIALOG = 0x100,
    STYLE_MAIN = 0x200,
    STYLE_RESIZABLE = 0x400,
    STYLE_MENU_CLOSE = 0x800,
    STYLE_WHEEL_TO_PARENT = 0x2000,
    STYLE_BORDER = 0x20000,
    STYLE_FRAME = 0x40000,
    STYLE_MARKER = 0x80000,
    STYLE_TIMER = 0x100000,
    STYLE_WHEEL_TO_PARENT2 = 0x200000,
    STYLE_ROOT_DIALOG = 0x400000,
    STYLE_FULL_EVENTS = 0x800000,
};

// Run-time state bits.
enum SControlState {
    STATE_ENABLED = 0x1,
    STATE_MAPPED = 0x4,
    STATE_TOOLTIP = 0x20,
    STATE_MAXIMISED = 0x80,
    STATE_FOCUSSED = 0x100,
};

// The event mask every control window selects.
constexpr long kControlEventMask = 0x163A07F;

class SIExtended {
public:
    virtual ~SIExtended() = default;
};

class SControl : public SIExtended, public threading::STimerTarget {
public:
    // An uncreated control.
    SControl();
    SControl(SGlobals* globals, SControl* parent, unsigned id, const char* title, int style, int x,
             int y, int width, int height, Window parentWindow, bool flag);
    ~SControl() override;
    SControl(const SControl&) = delete;
    SControl& operator=(const SControl&) = delete;

    // Creates the window hidden; returns 1, or 0 without an X display (reported once).
    virtual int Create(SGlobals* globals, SControl* parent, unsigned id, const char* title,
                       int style, int x, int y, int width, int height, Window parentWindow,
                       bool flag);
    virtual void CreateContexts();
    virtual void CleanRessources();
    virtual void CleanUp();
    virtual void PrepareCleanUp();
    virtual void LoadControls() {}
    virtual void Reparent(Window w);
    virtual void ReparentChildren() {}
    virtual void Inherit(Window w);
    virtual void SetType(int) {}
    virtual void Enable(bool enable);
    virtual void EnableChildren(bool) {}
    virtual void Show();
    virtual void Hide();
    virtual void Reset() {}
    virtual void Toggle() {}

    virtual void Move(int dx, int dy);
    virtual void Move(Point& d) { Move(d.x, d.y); }
    virtual void Move(const Point& d) { Move(d.x, d.y); }
    virtual void Center();
    virtual void Center(Point& p);
    virtual void Foreground(bool);
    virtual void Minimized();
    virtual void WindowClose() {}
    virtual void WindowMinimize(bool) {}
    virtual void WindowMaximize(bool) {}
    virtual void CloseDialog() {}
    virtual void ClearState() {}
    virtual void CloseTip();
    virtual void Focussing(bool focussed);
    virtual void Focus(bool focus);
    virtual void FocusTopParent();
    virtual void ActivateOwner();

    virtual void Refresh();
    virtual void RefreshRectangle(const Rect& r);
    virtual void RefreshOutlines();
    virtual void RefreshRegion(SDrawRegion* region);
    virtual void RefreshArea(unsigned area);
    virtual void RefreshControls(long) {}
    virtual void Draw(const Rect& r);
    virtual void DrawRegion(SDrawRegion*) {}
    virtual void DrawArea(unsigned) {}
    virtual void DrawOutlines(const Rect& r);
    virtual void DrawBorder(const Rect& r);
    virtual void SetBitmaps(context::SDrawBitmap*, context::SDrawBitmap*) {}

    virtual void MousePosition(int x, int y);
    virtual bool* MouseState();
    virtual void MouseStateChanged(bool*, int) {}
    virtual void MousePosChanged(int, int) {}
    virtual void MouseTracker(bool) {}
    virtual bool MouseTracking();
    virtual void Modifiers(int xstate);
    virtual void KeyStateChanged(int, bool, int, int) {}
    virtual void UpdateModifiers(int, bool);
    virtual int Key(int, bool) { return 1; }
    virtual void MouseSetCapture();
    virtual void MouseReleaseCapture();
    virtual void MousePointer(int x, int y);

    virtual void SetDrawingMode(bool active);
    virtual void SetBackgroundMode(bool mode);
    virtual void SetBackground(int pixel, bool active);
    virtual void SetBackgroundColour(bool active);
    virtual void SetBackgroundColour(int pixel);
    virtual int GetBackgroundColour();
    virtual int GetForegroundColour();
    virtual void SetColours(int bgNormal, int bgActive, int parentBg, int fgNormal, int fgActive,
                            int textNormal, int textActive);
    virtual void SetTextColour(int pixel);
    virtual void SetTitleColour(bool) {}
    virtual void SetTitleText(const char* text);
    virtual int GetFrameColour(bool enabled, bool highlighted);
    virtual void SetFrameColour(int enabled, int highlighted, int disabled);
    virtual const char* GetLabel() { return label.Text(); }
    virtual void SetAlignment(int) {}
    virtual void SetOffset(Point) {}
    virtual void SetLabelOffset(Point&) {}
    virtual void SetTextSize(int) {}
    virtual void Highlight(bool, int, int, int) {}

    virtual void CreateTimer(int ms, bool start);
    virtual void CreateIdleTimer(int ms, bool flag);
    virtual void CreateIdleFunction(threading::IdleFunction* function, void* argument);
    virtual void DestroyIdleTimer();
    virtual void DestroyIdleFunction();
    virtual void StartTimer(int ms);
    virtual void StopTimer(bool destroy);
    // The caller owns the returned timer; its ticks reach this control's ParseEvent.
    virtual threading::STimer* AddTimer(int ms, bool start);
    virtual void TimerProc(int) {}
    virtual void IdleProc() {}
    virtual void Run() {}
    virtual void Stop() {}
    virtual void ParseEvent(SEvent*) {}
    virtual void EnableHandlers() {}
    virtual void MenuProcess(short) {}
    virtual void ChangeMenu() {}
    virtual void ShowMenu(const Point&) {}
    virtual void CloseMenu() {}

    virtual void SetTooltip(SToolTip* tip, const char* text, int placement);
    virtual void SetTooltip(SToolTip* tip, const velk::data::datastring<32, char>& text,
                            int placement);
    virtual void SetTooltip(SToolTip* tip, SToolTipData* contents, int n);
    virtual void ShowTooltip(const Point& screenPosition);
    virtual void HideTooltip();
    virtual void EnableTooltip(bool enable);
    virtual void SetSize(int width, int height);
    virtual bool IsSubcontrol(unsigned id) { return id == this->id; }
    virtual void SetRoundShape(bool round);

    // STimerTarget: a tick becomes EVENT_TIMER with a = 1 and b = the timer's id, sent
    // to the listeners like any other event.
    int TimerTick(int id, int time) override;
    // Delivers a caller-built record to the listeners of its
    // type, under the record's own mutex when it has one.
    int SendEvent(SEvent* event);
    bool CleaningUp() const override { return cleaningUp.load(std::memory_order_acquire); }

    // Fills this control's record and hands it to every listener of `type` in order;
    // returns their number (0 for a type outside 0..12).
    int SendEvent(int type, int a, int b, float value, void* data, SControl* sender,
                  threading::SMutexID* mutex);
    void AddEventListener(SControl* listener, int type) { events.Add(listener, type); }
    void RemoveEventListener(SControl* listener, int type) { events.Remove(listener, type); }
    void EnableEventHandler(int type) { events.SetEnabled(type, true); }
    void DisableEventHandler(int type) { events.SetEnabled(type, false); }
    bool EventHandled(int type) const { return events.Enabled(type); }

    void SetPosition(int x, int y);
    void Resized(bool refresh);
    void Destroy();
    bool Enabled() const;
    // Whether the dispatcher passes this control's input on.
    bool AcceptsInput() const;
    void SetAcceptInput(bool accept) { acceptInput = accept; }
    void KeyStateSet(int bits);
    int KeyStateGet() const;
    void GetClient2Screen(Point& p);
    void GetClient2Screen(int* x, int* y);
    void GetScreen2Client(Point& p);
    void GetScreen2Client(int* x, int* y);
    Point GetTopPosition();
    Point GetScreenPosition();

    // Hotkeys: {panel data, keysym, panel data}; a key press with a listed keysym sends
    // EVENT_KEY before KeyStateChanged.
    struct SHotkey {
        int first;
        int keysym;
        int third;
    };
    void AddHotkey(int first, int keysym, int third) { hotkeys.push_back({first, keysym, third}); }
    const std::vector<SHotkey>& Hotkeys() const { return hotkeys; }

    Window GetWindow() const { return window; }
    Window GetParentWindow() const { return parentWindow; }
    SControl* GetParent() const { return parent; }
    SGlobals* GetGlobals() const { return globals; }
    context::SDrawing* GetDrawing() const { return drawing; }
    context::SInput* GetInput() const { return input; }
    SToolTipData* GetTooltip() const { return tooltip; }
    threading::STimer* GetTimer() const { return timer; }
    threading::STimerIdle* GetIdleTimer() const { return idleTimer; }
    unsigned GetId() const { return id; }
    int GetTimerId() const { return timerId; }
    int GetStyle() const { return style; }
    int GetState() const { return state.load(std::memory_order_acquire); }
    bool IsMapped() const { return GetState() & STATE_MAPPED; }
    const Rect& GetRect() const { return rect; }
    const Rect& GetClient() const { return client; }
    int Width() const { return client.right - client.left; }
    int Height() const { return client.bottom - client.top; }
    bool CleanedUp() const { return cleanedUp; }

    // The single entry point of X events into the toolkit (see dispatcher.cpp).
    static int eventProc(XEvent* event);
    // The control that holds the mouse capture, or null.
    static SControl* capture;

protected:
    void SetStyleBits(int bits, bool on) { style = on ? (style | bits) : (style & ~bits); }
    void SetStateBits(int bits, bool on);
    Display* GetDisplay() const { return display; }
    // Sends a client message of the named type to this control's own window.
    void SendPaintMessage(const char* type, long l0, long l1, long l3, long l4);

    SGlobals* globals = nullptr;
    SControl* parent = nullptr;
    int menuCookie = 0;
    unsigned id = 0;
    int timerId = 0;
    velk::data::datastring<32, char> label;
    Rect rect;
    Rect client;
    int style = 0;
    std::atomic<int> state{STATE_ENABLED | 0x8};
    SEventManager events;
    SEvent event;
    context::SDrawing* drawing = nullptr;
    context::SInput* input = nullptr;
    threading::STimer* timer = nullptr;
    threading::STimerIdle* idleTimer = nullptr;
    SToolTipData* tooltip = nullptr;
    std::vector<SHotkey> hotkeys;
    std::atomic<bool> cleaningUp{false};
    bool cleanedUp = false;
    bool acceptInput = false;
    Window window = 0;
    Window parentWindow = 0;
    Window previousFocus = 0;
    Atom deleteAtom = 0;

private:
    friend class SDispatcher;
    void CreateWindow(Display* display, int x, int y, int width, int height, Window owner);
    void SetWindowManagerHints(const char* title, int width, int height);
    void SetUndecorated();
    void PublishProperties();
    void DestroyWindow();

    Display* display = nullptr;
};

} // namespace velk::gui
