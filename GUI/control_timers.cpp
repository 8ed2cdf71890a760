// Timers, idle timers and tooltip contents of a control.
#include "GUI/control.h"
#include "GUI/globals.h"
#include "GUI/tooltip.h"

namespace velk::gui {

namespace {
// A fresh id from the instance counter; 0 without resources.
int NewId(SGlobals* globals) {
    return globals ? globals->NextId() : 0;
}
} // namespace

int SControl::TimerTick(int id, int time) {
    // A fresh record per tick: the worker and a caller of Notification never share one.
    SEvent event;
    event.time = time;
    event.type = EVENT_TIMER;
    event.a = 1;
    event.b = id;
    return SendEvent(&event);
}

// A control without a window (no display) starts no thread.
void SControl::CreateTimer(int ms, bool start) {
    if (!window) return;
    StopTimer(true);
    SetStyleBits(STYLE_TIMER, true);
    timerId = NewId(globals);
    timer = new threading::STimer(this, static_cast<unsigned>(timerId), 0);
    if (start) timer->Start(static_cast<unsigned>(ms));
}

void SControl::StartTimer(int ms) {
    if (timer) timer->Start(static_cast<unsigned>(ms));
}

void SControl::StopTimer(bool destroy) {
    if (!timer) return;
    timer->Stop();
    if (destroy) {
        delete timer;
        timer = nullptr;
        timerId = 0;
    }
}

threading::STimer* SControl::AddTimer(int ms, bool start) {
    if (!window) return nullptr;
    EnableEventHandler(EVENT_TIMER);
    AddEventListener(this, EVENT_TIMER);
    threading::STimer* added =
        new threading::STimer(this, static_cast<unsigned>(NewId(globals)), 0);
    if (start) added->Start(static_cast<unsigned>(ms));
    return added;
}

void SControl::CreateIdleTimer(int ms, bool flag) {
    if (idleTimer || !window) return;
    idleTimer = new threading::STimerIdle(this, NewId(globals), ms, flag);
}

void SControl::DestroyIdleTimer() {
    delete idleTimer;
    idleTimer = nullptr;
}

void SControl::CreateIdleFunction(threading::IdleFunction* function, void* argument) {
    if (!idleTimer) return;
    idleTimer->SetFunction(function, argument);
    threading::AddIdleFunction(function, argument);
}

void SControl::DestroyIdleFunction() {
    if (idleTimer) threading::RemoveIdleFunction(idleTimer->Function(), idleTimer->Argument());
}

void SControl::SetTooltip(SToolTip* tip, const char* text, int placement) {
    delete tooltip;
    tooltip = new SToolTipData(tip, this, placement);
    tooltip->AddLabel(text, 0);
    if (tip) tip->Register(this);
}

void SControl::SetTooltip(SToolTip* tip, const velk::data::datastring<32, char>& text,
                          int placement) {
    SetTooltip(tip, text.Text(), placement);
}

void SControl::SetTooltip(SToolTip* tip, SToolTipData* contents, int) {
    if (contents == tooltip) return;
    delete tooltip;
    tooltip = contents;
    if (tip) tip->Register(this);
}

void SControl::ShowTooltip(const Point& screenPosition) {
    if (tooltip && tooltip->tip) tooltip->tip->Open(tooltip, screenPosition);
}

void SControl::HideTooltip() {
    if (tooltip && tooltip->tip) tooltip->tip->Close();
}

void SControl::EnableTooltip(bool enable) {
    SetStateBits(STATE_TOOLTIP, enable);
}

} // namespace velk::gui
