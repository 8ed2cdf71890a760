// The two lock kinds behind one interface: a POSIX mutex that may block in the
// kernel, and a spinning lock that never does (safe on the audio thread).
#pragma once

#include <pthread.h>

#include <atomic>

namespace velk {
namespace threading {

class SMutexBase {
public:
    virtual ~SMutexBase() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

// A plain, non-recursive POSIX mutex that remembers whether it is locked.
class SMutexOS : public SMutexBase {
public:
    SMutexOS();
    ~SMutexOS() override;
    SMutexOS(const SMutexOS&) = delete;
    SMutexOS& operator=(const SMutexOS&) = delete;

    void Lock() override;
    void Unlock() override;
    bool IsLocked() const { return locked.load(std::memory_order_acquire); }
    bool IsInitialised() const { return initialised; }

private:
    pthread_mutex_t mutex;
    std::atomic<bool> locked{false};
    bool initialised = false;
};

// A spinning lock on an atomic counter: no kernel object, no allocation;
// contention costs one zero-length sleep per retry.
class SMutexID : public SMutexBase {
public:
    SMutexID() = default;
    ~SMutexID() override;
    SMutexID(const SMutexID&) = delete;
    SMutexID& operator=(const SMutexID&) = delete;

    void Lock() override;
    // Releases only a held lock, so a stray Unlock cannot drive the counter
    // below zero and let two holders in at once.
    void Unlock() override;
    bool IsHeld() const { return held.load(std::memory_order_acquire); }
    int Count() const { return counter.load(std::memory_order_acquire); }

private:
    std::atomic<int> counter{0};
    std::atomic<bool> held{false};
};

} // namespace threading
} // namespace velk
