// The system-call trap: a seccomp filter on one thread and a process-wide SIGSYS handler.
#include "host/realtime/realtime_guard.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/futex.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <mutex>

namespace moravox::realtime {
namespace {

// Everything that depends on the processor: the filter's architecture word, the calls the
// filter lets through, and the register that carries a system call's result.
#if defined(__x86_64__)
constexpr unsigned kAuditArch = AUDIT_ARCH_X86_64;
constexpr unsigned kAllowed[] = {__NR_rt_sigreturn, __NR_exit, __NR_exit_group};
constexpr int kResultRegister = REG_RAX;
constexpr int kFirstArgument = REG_RDI, kSecondArgument = REG_RSI;
constexpr long kFutex[] = {__NR_futex};
#elif defined(__i386__)
constexpr unsigned kAuditArch = AUDIT_ARCH_I386;
constexpr unsigned kAllowed[] = {__NR_rt_sigreturn, __NR_sigreturn, __NR_exit, __NR_exit_group};
constexpr int kResultRegister = REG_EAX;
constexpr int kFirstArgument = REG_EBX, kSecondArgument = REG_ECX;
// 32-bit code may wait with either.
constexpr long kFutex[] = {__NR_futex, __NR_futex_time64};
#else
#error "the system-call trap knows x86_64 and i386 only"
#endif

// Wakes the measured thread owes other threads, done later by a thread that may call the
// kernel. Futex words are 4-byte aligned: the low bit says the wake was a private one.
constexpr size_t kPendingWakes = 256;
std::atomic<uintptr_t> pendingWakes[kPendingWakes];

void DeferWake(uintptr_t word, bool isPrivate) {
    const uintptr_t entry = word | (isPrivate ? 1u : 0u);
    for (std::atomic<uintptr_t>& slot : pendingWakes) {
        uintptr_t empty = 0;
        if (slot.compare_exchange_strong(empty, entry, std::memory_order_release)) return;
    }
}

// Answers a trapped futex call so that the C library's locks keep working: a wait is told the
// word changed (the lock is looked at again; anything else the library takes for a broken kernel
// and aborts), a wake is put off until WakeDeferred, since other threads sleep on it.
long AnswerFutex(const greg_t* registers) {
    const auto word = static_cast<uintptr_t>(registers[kFirstArgument]);
    const auto op = static_cast<int>(registers[kSecondArgument]);
    switch (op & FUTEX_CMD_MASK) {
    case FUTEX_WAIT:
    case FUTEX_WAIT_BITSET:
        return -EAGAIN;
    case FUTEX_WAKE:
    case FUTEX_WAKE_BITSET:
        DeferWake(word, (op & FUTEX_PRIVATE_FLAG) != 0);
        return 0;
    default:
        return -ENOSYS;
    }
}

// Counts the trapped call and makes it fail as an unknown call would (futex aside, above). No
// system call in here: it would trap again while SIGSYS is blocked, and the kernel would then
// kill the process.
void OnTrap(int, siginfo_t* info, void* context) {
    detail::CountSystemCall(info->si_syscall);
    greg_t* registers = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
    bool futex = false;
    for (const long number : kFutex) futex = futex || info->si_syscall == number;
    registers[kResultRegister] = futex ? AnswerFutex(registers) : -ENOSYS;
}

bool InstallHandler() {
    struct sigaction action = {};
    action.sa_sigaction = OnTrap;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGSYS, &action, nullptr) == 0;
}

// Lets rt_sigreturn (the handler's own return) and thread exit through; everything else, and
// every call made with another architecture's numbering, traps.
constexpr size_t kAllowedCount = sizeof kAllowed / sizeof kAllowed[0];
constexpr size_t kFilterLength = 5 + 2 * kAllowedCount;

void BuildFilter(sock_filter (&filter)[kFilterLength]) {
    size_t n = 0;
    filter[n++] = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch));
    filter[n++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0);
    filter[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP);
    filter[n++] = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr));
    for (unsigned number : kAllowed) {
        filter[n++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, number, 0, 1);
        filter[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    }
    filter[n++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP);
}

} // namespace

void WakeDeferred() {
    for (std::atomic<uintptr_t>& slot : pendingWakes) {
        const uintptr_t entry = slot.exchange(0, std::memory_order_acquire);
        if (entry == 0) continue;
        const int op = (entry & 1) != 0 ? FUTEX_WAKE_PRIVATE : FUTEX_WAKE;
        syscall(SYS_futex, reinterpret_cast<void*>(entry & ~uintptr_t(1)), op, INT_MAX, nullptr,
                nullptr, 0);
    }
}

bool TrapSystemCalls(int* failure) {
    static std::once_flag once;
    static bool handled = false;
    std::call_once(once, [] { handled = InstallHandler(); });
    if (failure != nullptr) *failure = 0;
    if (SystemCallsTrapped()) return true;
    if (!handled) {
        if (failure != nullptr) *failure = EINVAL;
        return false;
    }
    sock_filter filter[kFilterLength];
    BuildFilter(filter);
    sock_fprog program = {};
    program.len = static_cast<unsigned short>(kFilterLength);
    program.filter = filter;
    // No flags, in particular no SECCOMP_FILTER_FLAG_TSYNC: the filter binds this thread only.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0) {
        if (failure != nullptr) *failure = errno;
        return false;
    }
    detail::MarkTrapped();
    return true;
}

} // namespace moravox::realtime
