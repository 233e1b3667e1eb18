#include "syscall_filter.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/net.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

namespace {

#if defined(__x86_64__)
constexpr uint32_t NativeArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__i386__)
constexpr uint32_t NativeArchitecture = AUDIT_ARCH_I386;
#else
constexpr uint32_t NativeArchitecture = 0;  // no list for this processor
#endif

// Serving: the connection and the chip's file (pread, pwrite), the lock (flock, and the
// pauses while it is held elsewhere), the idle limit (poll and the clock), the heap, and the
// end. The replies go out by send() on a socket: sendto, or socketcall on i386.
const long Allowed[] = {
    SYS_read, SYS_write, SYS_readv, SYS_writev, SYS_pread64, SYS_pwrite64, SYS_close, SYS_flock,
#ifdef SYS_sendto
    SYS_sendto,
#endif
#ifdef SYS_poll
    SYS_poll,
#endif
    SYS_ppoll,
#ifdef SYS_ppoll_time64
    SYS_ppoll_time64,
#endif
    SYS_nanosleep, SYS_clock_nanosleep,
#ifdef SYS_clock_nanosleep_time64
    SYS_clock_nanosleep_time64,
#endif
    SYS_clock_gettime,
#ifdef SYS_clock_gettime64
    SYS_clock_gettime64,
#endif
    SYS_gettimeofday,
#ifdef SYS_time
    SYS_time,
#endif
    SYS_brk, SYS_mmap,
#ifdef SYS_mmap2
    SYS_mmap2,
#endif
    SYS_munmap, SYS_mremap, SYS_madvise, SYS_futex,
#ifdef SYS_futex_time64
    SYS_futex_time64,
#endif
    SYS_rt_sigreturn,
#ifdef SYS_sigreturn
    SYS_sigreturn,
#endif
    SYS_restart_syscall, SYS_exit, SYS_exit_group,
};

#ifdef SYS_socketcall
// Only the socket calls that send on the connection pass socketcall.
const long SocketcallAllowed[] = {SYS_SEND, SYS_SENDTO};
#endif

sock_filter Load(uint32_t offset) { return BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset); }
sock_filter Return(uint32_t action) { return BPF_STMT(BPF_RET | BPF_K, action); }
// Skips the next instruction unless the value is `k`.
sock_filter IfEqual(uint32_t k) { return BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, k, 0, 1); }

}  // namespace

std::optional<std::string> InstallSyscallFilter()
{
    if (NativeArchitecture == 0)
        return std::string("it has no list of system calls for this processor");
    constexpr uint32_t Deny = SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA);
    std::vector<sock_filter> program{
        Load(offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, NativeArchitecture, 1, 0),
        Return(SECCOMP_RET_KILL_PROCESS),
        Load(offsetof(seccomp_data, nr)),
    };
#ifdef __x86_64__
    // The x32 calls share the architecture and set bit 30 of the number.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000, 0, 1));
    program.push_back(Return(Deny));
#endif
    for (long call : Allowed) {
        program.push_back(IfEqual(uint32_t(call)));
        program.push_back(Return(SECCOMP_RET_ALLOW));
    }
#ifdef SYS_socketcall
    // socketcall's first argument says which call it is: its low 32 bits, little-endian.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socketcall, 0, 2 * std::size(SocketcallAllowed) + 1));
    program.push_back(Load(offsetof(seccomp_data, args[0])));
    for (long call : SocketcallAllowed) {
        program.push_back(IfEqual(uint32_t(call)));
        program.push_back(Return(SECCOMP_RET_ALLOW));
    }
#endif
    program.push_back(Return(Deny));

    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter, 0, 0) != 0)
        return std::string("its system-call filter: ") + std::strerror(errno);
    return std::nullopt;
}
