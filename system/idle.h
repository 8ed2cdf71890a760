// The process-wide idle thread and its list of idle functions.
//
// Controls register (argument, function) pairs; the function member is the
// address of a function-pointer variable, and the idle thread calls whatever
// function that variable holds, once per pass, with the pair's argument. There
// is one idle thread per process; the first STimerIdle created while none runs
// starts it with its interval, and destroying an STimerIdle that leaves the
// list empty stops it.
#pragma once

#include <cstddef>

namespace velk {
namespace threading {

class STimerTarget;

using IdleFunction = void (*)(void*);

struct SIdlePair {
    void* argument;
    IdleFunction* function;
};

// Appends the pair unless it is already registered; returns whether it was added.
bool AddIdleFunction(IdleFunction* function, void* argument);
// Removes the first matching pair; returns whether one was found. When it
// returns, the function is not being called for that pair and will not be
// again, except when called from inside an idle call (which then finishes).
bool RemoveIdleFunction(IdleFunction* function, void* argument);
bool IdleFunctionRegistered(IdleFunction* function, void* argument);
std::size_t IdleFunctionCount();

bool IdleThreadRunning();
// The interval the running idle thread was started with (ms).
int IdleThreadInterval();
// Stops and joins the idle thread and empties the list; the library's unload
// calls it so nothing of ours runs afterwards.
void ShutdownIdleThread();

class STimerIdle {
public:
    // flag is kept for the callers that pass it; it has no effect.
    STimerIdle(STimerTarget* owner, int id, int ms, bool flag);
    // Removes its pair and stops the idle thread when the list is left empty.
    ~STimerIdle();
    STimerIdle(const STimerIdle&) = delete;
    STimerIdle& operator=(const STimerIdle&) = delete;

    // Remembers the pair the owner registered, so destruction removes it.
    void SetFunction(IdleFunction* newFunction, void* newArgument) {
        function = newFunction;
        argument = newArgument;
    }
    IdleFunction* Function() const { return function; }
    void* Argument() const { return argument; }
    STimerTarget* Owner() const { return owner; }
    int Id() const { return id; }
    int Interval() const { return interval; }
    bool Flag() const { return flag; }

private:
    STimerTarget* const owner;
    IdleFunction* function = nullptr;
    void* argument = nullptr;
    const int id;
    const int interval;
    const bool flag;
};

} // namespace threading
} // namespace velk
