#pragma once

#include <new>

namespace velk {
namespace system {

// A process-wide object built on first use and never destroyed. It lives in the
// library's own storage rather than on the heap, so callers that come late during
// unload still find it, and nothing is left behind once the library is unmapped.
// `Tag` keeps objects of the same type apart.
template <class Tag, class T>
T& Persistent() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T* object = new (storage) T();
    return *object;
}

}  // namespace system
}  // namespace velk
