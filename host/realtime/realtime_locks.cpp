// The blocking lock calls of this test program: each counts when the calling thread is armed and
// forwards to the C library's function of the same name, looked up once at start-up (and at
// first use, should a library call one before that). Like the heap functions, they take the
// place of the C library's for every library loaded into the program.
#include "host/realtime/realtime_guard.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>

namespace {

using moravox::realtime::detail::CountMutexLock;

// Condition variables exist in two versions; RTLD_NEXT alone may find the old one.
constexpr const char* kCondVersion = "GLIBC_2.3.2";

template <typename Function> class Next {
public:
    constexpr Next(const char* name, const char* version = nullptr)
        : name_(name), version_(version) {}

    Function* Get() {
        Function* function = function_.load(std::memory_order_acquire);
        if (function == nullptr) {
            void* symbol = version_ != nullptr ? dlvsym(RTLD_NEXT, name_, version_) : nullptr;
            if (symbol == nullptr) symbol = dlsym(RTLD_NEXT, name_);
            function = reinterpret_cast<Function*>(symbol);
            function_.store(function, std::memory_order_release);
        }
        return function;
    }

private:
    const char* name_;
    const char* version_;
    std::atomic<Function*> function_{nullptr};
};

// The functions' types without the headers' attributes, which a template argument cannot carry.
using MutexCall = int(pthread_mutex_t*);
using MutexUntil = int(pthread_mutex_t*, const timespec*);
using MutexClock = int(pthread_mutex_t*, clockid_t, const timespec*);
using RwlockCall = int(pthread_rwlock_t*);
using RwlockUntil = int(pthread_rwlock_t*, const timespec*);
using RwlockClock = int(pthread_rwlock_t*, clockid_t, const timespec*);
using CondCall = int(pthread_cond_t*, pthread_mutex_t*);
using CondUntil = int(pthread_cond_t*, pthread_mutex_t*, const timespec*);
using CondClock = int(pthread_cond_t*, pthread_mutex_t*, clockid_t, const timespec*);
using SemCall = int(sem_t*);
using SemUntil = int(sem_t*, const timespec*);
using SemClock = int(sem_t*, clockid_t, const timespec*);

Next<MutexCall> gMutexLock("pthread_mutex_lock");
Next<MutexCall> gMutexTrylock("pthread_mutex_trylock");
Next<MutexUntil> gMutexTimedlock("pthread_mutex_timedlock");
Next<MutexClock> gMutexClocklock("pthread_mutex_clocklock");
Next<RwlockCall> gRdlock("pthread_rwlock_rdlock");
Next<RwlockCall> gTryrdlock("pthread_rwlock_tryrdlock");
Next<RwlockUntil> gTimedrdlock("pthread_rwlock_timedrdlock");
Next<RwlockClock> gClockrdlock("pthread_rwlock_clockrdlock");
Next<RwlockCall> gWrlock("pthread_rwlock_wrlock");
Next<RwlockCall> gTrywrlock("pthread_rwlock_trywrlock");
Next<RwlockUntil> gTimedwrlock("pthread_rwlock_timedwrlock");
Next<RwlockClock> gClockwrlock("pthread_rwlock_clockwrlock");
Next<CondCall> gCondWait("pthread_cond_wait", kCondVersion);
Next<CondUntil> gCondTimedwait("pthread_cond_timedwait", kCondVersion);
Next<CondClock> gCondClockwait("pthread_cond_clockwait");
Next<SemCall> gSemWait("sem_wait");
Next<SemCall> gSemTrywait("sem_trywait");
Next<SemUntil> gSemTimedwait("sem_timedwait");
Next<SemClock> gSemClockwait("sem_clockwait");

// The look-ups themselves may lock and allocate: done before any thread is armed.
__attribute__((constructor)) void ResolveAll() {
    gMutexLock.Get(), gMutexTrylock.Get(), gMutexTimedlock.Get(), gMutexClocklock.Get();
    gRdlock.Get(), gTryrdlock.Get(), gTimedrdlock.Get(), gClockrdlock.Get();
    gWrlock.Get(), gTrywrlock.Get(), gTimedwrlock.Get(), gClockwrlock.Get();
    gCondWait.Get(), gCondTimedwait.Get(), gCondClockwait.Get();
    gSemWait.Get(), gSemTrywait.Get(), gSemTimedwait.Get(), gSemClockwait.Get();
}

// Counts, then calls the C library's function, or fails as an unknown function would.
template <typename Function, typename... Args> int Forward(Next<Function>& next, Args... args) {
    CountMutexLock();
    Function* function = next.Get();
    return function != nullptr ? function(args...) : ENOSYS;
}

// The semaphore calls report failures through errno.
template <typename Function, typename... Args> int ForwardSem(Next<Function>& next, Args... args) {
    CountMutexLock();
    Function* function = next.Get();
    if (function != nullptr) return function(args...);
    errno = ENOSYS;
    return -1;
}

} // namespace

// Hidden by default in our build; these must be seen by every library.
#pragma GCC visibility push(default)

extern "C" {

int pthread_mutex_lock(pthread_mutex_t* mutex) noexcept {
    return Forward(gMutexLock, mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) noexcept {
    return Forward(gMutexTrylock, mutex);
}
int pthread_mutex_timedlock(pthread_mutex_t* mutex, const timespec* until) noexcept {
    return Forward(gMutexTimedlock, mutex, until);
}
int pthread_mutex_clocklock(pthread_mutex_t* mutex, clockid_t clock,
                            const timespec* until) noexcept {
    return Forward(gMutexClocklock, mutex, clock, until);
}

int pthread_rwlock_rdlock(pthread_rwlock_t* lock) noexcept {
    return Forward(gRdlock, lock);
}
int pthread_rwlock_tryrdlock(pthread_rwlock_t* lock) noexcept {
    return Forward(gTryrdlock, lock);
}
int pthread_rwlock_timedrdlock(pthread_rwlock_t* lock, const timespec* until) noexcept {
    return Forward(gTimedrdlock, lock, until);
}
int pthread_rwlock_clockrdlock(pthread_rwlock_t* lock, clockid_t clock,
                               const timespec* until) noexcept {
    return Forward(gClockrdlock, lock, clock, until);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* lock) noexcept {
    return Forward(gWrlock, lock);
}
int pthread_rwlock_trywrlock(pthread_rwlock_t* lock) noexcept {
    return Forward(gTrywrlock, lock);
}
int pthread_rwlock_timedwrlock(pthread_rwlock_t* lock, const timespec* until) noexcept {
    return Forward(gTimedwrlock, lock, until);
}
int pthread_rwlock_clockwrlock(pthread_rwlock_t* lock, clockid_t clock,
                               const timespec* until) noexcept {
    return Forward(gClockwrlock, lock, clock, until);
}

int pthread_cond_wait(pthread_cond_t* cond, pthread_mutex_t* mutex) {
    return Forward(gCondWait, cond, mutex);
}
int pthread_cond_timedwait(pthread_cond_t* cond, pthread_mutex_t* mutex, const timespec* until) {
    return Forward(gCondTimedwait, cond, mutex, until);
}
int pthread_cond_clockwait(pthread_cond_t* cond, pthread_mutex_t* mutex, clockid_t clock,
                           const timespec* until) {
    return Forward(gCondClockwait, cond, mutex, clock, until);
}

int sem_wait(sem_t* semaphore) {
    return ForwardSem(gSemWait, semaphore);
}
int sem_trywait(sem_t* semaphore) noexcept {
    return ForwardSem(gSemTrywait, semaphore);
}
int sem_timedwait(sem_t* semaphore, const timespec* until) {
    return ForwardSem(gSemTimedwait, semaphore, until);
}
int sem_clockwait(sem_t* semaphore, clockid_t clock, const timespec* until) {
    return ForwardSem(gSemClockwait, semaphore, clock, until);
}

} // extern "C"

#pragma GCC visibility pop
