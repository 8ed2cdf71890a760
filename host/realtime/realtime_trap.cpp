// The system-call trap: a seccomp filter on one thread and a process-wide SIGSYS handler.
#include "host/realtime/realtime_guard.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
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
#elif defined(__i386__)
constexpr unsigned kAuditArch = AUDIT_ARCH_I386;
constexpr unsigned kAllowed[] = {__NR_rt_sigreturn, __NR_sigreturn, __NR_exit, __NR_exit_group};
constexpr int kResultRegister = REG_EAX;
#else
#error "the system-call trap knows x86_64 and i386 only"
#endif

// Counts the trapped call and makes it fail as an unknown call would. No system call in here: it
// would trap again while SIGSYS is blocked, and the kernel would then kill the process.
void OnTrap(int, siginfo_t* info, void* context) {
    detail::CountSystemCall(info->si_syscall);
    static_cast<ucontext_t*>(context)->uc_mcontext.gregs[kResultRegister] = -ENOSYS;
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
