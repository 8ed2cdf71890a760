// The heap functions of this test program: each forwards to the C library's allocator and is
// counted when the calling thread is armed. Being defined in the executable, they take the place
// of the C library's for the plug-in and every other library, and for the C library's own callers.
#include "host/realtime/realtime_guard.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

// The C library's allocator under its second, internal-use names.
extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void* __libc_valloc(size_t size);
void* __libc_pvalloc(size_t size);
}

namespace {

using moravox::realtime::detail::CountAllocation;
using moravox::realtime::detail::CountFree;

bool PowerOfTwo(size_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace

// Hidden by default in our build; these must be seen by every library.
#pragma GCC visibility push(default)

extern "C" {

void* malloc(size_t size) noexcept {
    CountAllocation();
    return __libc_malloc(size);
}

void free(void* pointer) noexcept {
    if (pointer != nullptr) CountFree();
    __libc_free(pointer);
}

void* calloc(size_t count, size_t size) noexcept {
    CountAllocation();
    return __libc_calloc(count, size);
}

// Growing or moving may allocate; realloc(p, 0) frees.
void* realloc(void* pointer, size_t size) noexcept {
    if (pointer != nullptr && size == 0) {
        CountFree();
    } else {
        CountAllocation();
    }
    return __libc_realloc(pointer, size);
}

void* reallocarray(void* pointer, size_t count, size_t size) noexcept {
    if (size != 0 && count > static_cast<size_t>(-1) / size) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(pointer, count * size);
}

int posix_memalign(void** result, size_t alignment, size_t size) noexcept {
    if (!PowerOfTwo(alignment) || alignment % sizeof(void*) != 0) return EINVAL;
    CountAllocation();
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) return ENOMEM;
    *result = pointer;
    return 0;
}

void* aligned_alloc(size_t alignment, size_t size) noexcept {
    CountAllocation();
    return __libc_memalign(alignment, size);
}

void* memalign(size_t alignment, size_t size) noexcept {
    CountAllocation();
    return __libc_memalign(alignment, size);
}

void* valloc(size_t size) noexcept {
    CountAllocation();
    return __libc_valloc(size);
}

void* pvalloc(size_t size) noexcept {
    CountAllocation();
    return __libc_pvalloc(size);
}

} // extern "C"

// The global operator new and delete in all their forms, on top of the counted functions above
// (so each allocation counts once).
namespace {

void* NewOrThrow(size_t size, size_t alignment) {
    if (size == 0) size = 1;
    for (;;) {
        void* pointer =
            alignment > alignof(std::max_align_t) ? aligned_alloc(alignment, size) : malloc(size);
        if (pointer != nullptr) return pointer;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* NewOrNull(size_t size, size_t alignment) noexcept {
    try {
        return NewOrThrow(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

// aligned_alloc wants the size to be a multiple of the alignment.
size_t Rounded(size_t size, std::align_val_t alignment) {
    const size_t a = static_cast<size_t>(alignment);
    return (size + a - 1) / a * a;
}

} // namespace

void* operator new(size_t size) {
    return NewOrThrow(size, 0);
}
void* operator new[](size_t size) {
    return NewOrThrow(size, 0);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return NewOrNull(size, 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return NewOrNull(size, 0);
}
void* operator new(size_t size, std::align_val_t alignment) {
    return NewOrThrow(Rounded(size, alignment), static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return NewOrThrow(Rounded(size, alignment), static_cast<size_t>(alignment));
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return NewOrNull(Rounded(size, alignment), static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return NewOrNull(Rounded(size, alignment), static_cast<size_t>(alignment));
}

void operator delete(void* pointer) noexcept {
    free(pointer);
}
void operator delete[](void* pointer) noexcept {
    free(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
    free(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
    free(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    free(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    free(pointer);
}
void operator delete(void* pointer, std::align_val_t) noexcept {
    free(pointer);
}
void operator delete[](void* pointer, std::align_val_t) noexcept {
    free(pointer);
}
void operator delete(void* pointer, size_t, std::align_val_t) noexcept {
    free(pointer);
}
void operator delete[](void* pointer, size_t, std::align_val_t) noexcept {
    free(pointer);
}
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    free(pointer);
}
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    free(pointer);
}

#pragma GCC visibility pop
