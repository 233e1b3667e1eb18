// The helper's step down: its user found without the name service, nothing of root's privilege
// left afterwards, and the system calls it may still make.
#include "privileges.h"

#include "config_lock.h"
#include "helper_session.h"
#include "kernel_config_access.h"
#include "syscall_filter.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(HelperPrivileges, TheUserComesFromThePasswordFileAndIsNeverRoot)
{
    const std::string passwd = TestFile("passwd");
    std::ofstream(passwd) << "root:x:0:0:root:/root:/bin/bash\n"
                             "i815quarvelx:x:990:990::/:/usr/sbin/nologin\n"
                             "broken:x:12a:5::/:/bin/sh\n"
                             "rooty:x:0:0::/:/bin/sh\n"
                             "short:x:7\n"
                             "i815quarvel:x:991:992:i815 Quarvel helper:/:/usr/sbin/nologin\n";
    const auto user = FindSystemUser("i815quarvel", passwd);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->uid, 991u);
    EXPECT_EQ(user->gid, 992u);
    EXPECT_FALSE(FindSystemUser("rooty", passwd)) << "a user with uid 0 is no step down";
    EXPECT_FALSE(FindSystemUser("broken", passwd));
    EXPECT_FALSE(FindSystemUser("short", passwd));
    EXPECT_FALSE(FindSystemUser("absent", passwd));
    EXPECT_FALSE(FindSystemUser("i815quarvel", TestFile("no-passwd")));
    std::remove(passwd.c_str());
}

TEST(HelperPrivileges, AfterTheStepDownNothingOfRootIsLeft)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to step down from";
    const pid_t child = fork();
    if (child == 0) {
        const int inherited = open("/dev/null", O_RDONLY);  // a descriptor root left open
        SealProcess();
        if (DropTo({65534, 65534}))
            _exit(10);
        int failures = 0;
        failures += getuid() != 65534 || geteuid() != 65534 || getgid() != 65534;
        failures += getgroups(0, nullptr) != 0;
        failures += prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0;
        failures += prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) != 1;
        rlimit core{};
        failures += getrlimit(RLIMIT_CORE, &core) != 0 || core.rlim_max != 0;
        failures += setuid(0) == 0;                                 // no way back
        failures += access("/proc/1/environ", R_OK) == 0;           // root's files are closed to it
        failures += inherited < 3 || fcntl(inherited, F_GETFD) >= 0;
        for (int cap = 0; prctl(PR_CAPBSET_READ, cap, 0, 0, 0) >= 0; ++cap)
            failures += prctl(PR_CAPBSET_READ, cap, 0, 0, 0) != 0;  // nothing a file capability could give back
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The filter that the helper closes itself in, wherever it was started from: the requests are
// served (the connection, the chip's file, the lock, the idle limit's wait, the heap, an
// exception), and nothing else reaches the kernel.
TEST(HelperPrivileges, TheSystemCallFilterLetsTheRequestsThroughAndNothingElse)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to step down from";
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' runtime probes memory through a pipe and reads /proc/self when it checks
    // a call; the filter refuses both, as it should, so their checks report false faults here.
    GTEST_SKIP() << "the sanitizers' own calls are refused by the filter";
#endif
    const std::string space = TestFile("config"), lock = TestLock();
    WriteSpaceFile(space, EmulatedI815().Space());
    const pid_t child = fork();
    if (child == 0) {
        SealProcess();
        int pair[2];
        ConfigLock configLock(lock);
        configLock.Open();
        KernelConfigAccess chip(space, true, &configLock);
        const int status = open("/proc/self/status", O_RDONLY);
        const std::string requests = "read 00\nmodify a8 00000010 00000000\nmodify 50 00000040 00000000\n";
        int journal[2];  // standard error, where the helper's lines go
        if (status < 0 || pipe2(journal, O_NONBLOCK) != 0 || dup2(journal[1], STDERR_FILENO) != STDERR_FILENO ||
            socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0 ||
            write(pair[0], requests.data(), requests.size()) != ssize_t(requests.size()) ||
            shutdown(pair[0], SHUT_WR) != 0 || DropTo({65534, 65534}) || InstallSyscallFilter())
            _exit(100);
        std::signal(SIGPIPE, SIG_IGN);
        HelperSession session(chip, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
                              {1000, false});
        int failures = ServeHelper(pair[1], pair[1], session, 5) != 0;
        char replies[128] = {};
        failures += read(pair[0], replies, sizeof replies - 1) <= 0 ||
                    std::string(replies) != "ok 11308086\nok 1f000304\nok 277c0204\n";
        char logged[128] = {};
        failures += read(journal[0], logged, sizeof logged - 1) <= 0 ||
                    std::string(logged, 69) != "user 1000 wrote 1f000304 to dword 0xa8 (mask 00000010, bits 00000000)";
        char text[4096] = {};
        failures += pread(status, text, sizeof text - 1, 0) <= 0 || !std::strstr(text, "\nSeccomp:\t2\n");
        failures += socket(AF_UNIX, SOCK_STREAM, 0) != -1 || errno != EPERM;
        failures += shutdown(pair[1], SHUT_RDWR) != -1 || errno != EPERM;
        failures += open("/etc/hostname", O_RDONLY) != -1 || errno != EPERM;
        failures += syscall(SYS_getpid) != -1 || errno != EPERM;
        failures += kill(1, 0) != -1 || errno != EPERM;
        std::vector<char> large(4 << 20, 'x');  // the heap grows by mmap
        try {
            throw std::runtime_error(std::string(large.begin(), large.begin() + 3));
        } catch (const std::runtime_error& e) {
            failures += std::string(e.what()) != "xxx";
        }
#ifdef __x86_64__
        failures += syscall(0x40000000 | SYS_getpid) != -1 || errno != EPERM;  // an x32 call
#endif
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadSpaceFile(space)[0x50], 0x04) << "the write went to the chip's file";
    std::remove(space.c_str());
}
