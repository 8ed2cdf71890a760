#include "plugin/protocol/vst_abi_eventproc.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace velk::plugin {

namespace {

std::mutex thunkMutex;
void* thunkPage = nullptr;
std::size_t thunkSize = 0;
XEventProcedure thunkTarget = nullptr;

#if defined(__x86_64__)
// movabs $target, %rax ; jmp *%rax  -- the XEvent* stays in %rdi for the target.
std::uint32_t MapThunk(XEventProcedure procedure) {
    const long page = sysconf(_SC_PAGESIZE);
    thunkSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
    void* memory = mmap(nullptr, thunkSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (memory == MAP_FAILED) return 0;
    if (reinterpret_cast<std::uintptr_t>(memory) + thunkSize > 0x80000000u) {
        munmap(memory, thunkSize);
        return 0;
    }
    unsigned char code[12] = {0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xE0};
    const std::uint64_t target = reinterpret_cast<std::uintptr_t>(procedure);
    std::memcpy(code + 2, &target, sizeof(target));
    std::memcpy(memory, code, sizeof(code));
    if (mprotect(memory, thunkSize, PROT_READ | PROT_EXEC) != 0) {
        munmap(memory, thunkSize);
        return 0;
    }
    thunkPage = memory;
    thunkTarget = procedure;
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(memory));
}
#endif

} // namespace

std::uint32_t EventProcItem(XEventProcedure procedure) {
    if (!procedure) return 0;
#if defined(__x86_64__)
    std::lock_guard<std::mutex> lock(thunkMutex);
    if (thunkPage)
        return thunkTarget == procedure
                   ? static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(thunkPage))
                   : 0;
    return MapThunk(procedure);
#else
    static_assert(sizeof(void*) == 4, "only i386 and x86_64 are built");
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(procedure));
#endif
}

void ReleaseEventProcThunk() {
    std::lock_guard<std::mutex> lock(thunkMutex);
    if (thunkPage) munmap(thunkPage, thunkSize);
    thunkPage = nullptr;
    thunkTarget = nullptr;
}

} // namespace velk::plugin
