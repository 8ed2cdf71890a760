#include "system/mutex.h"

#include <cerrno>
#include <ctime>

namespace velk {
namespace threading {

SMutexOS::SMutexOS() {
    initialised = pthread_mutex_init(&mutex, nullptr) == 0;
}

SMutexOS::~SMutexOS() {
    if (!initialised) return;
    if (IsLocked()) Unlock();
    pthread_mutex_destroy(&mutex);
}

void SMutexOS::Lock() {
    if (!initialised) return;
    const int result = pthread_mutex_lock(&mutex);
    if (result != EINVAL && result != EDEADLK) locked.store(true, std::memory_order_release);
}

void SMutexOS::Unlock() {
    if (!initialised) return;
    const int result = pthread_mutex_unlock(&mutex);
    if (result != EPERM && result != EINVAL) locked.store(false, std::memory_order_release);
}

SMutexID::~SMutexID() {
    if (held.exchange(false, std::memory_order_acq_rel))
        counter.fetch_sub(1, std::memory_order_acq_rel);
}

void SMutexID::Lock() {
    while (counter.fetch_add(1, std::memory_order_acq_rel) > 0) {
        counter.fetch_sub(1, std::memory_order_acq_rel);
        const timespec zero = {0, 0};
        nanosleep(&zero, nullptr);
    }
    held.store(true, std::memory_order_release);
}

void SMutexID::Unlock() {
    if (held.exchange(false, std::memory_order_acq_rel))
        counter.fetch_sub(1, std::memory_order_acq_rel);
}

} // namespace threading
} // namespace velk
