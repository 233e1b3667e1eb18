// guest_probe: a tool for the guest test, run inside the guest next to i815ctl and the helper.
// It links the project's access layer, so that its cycles are the programs' own.
//   guest_probe address              prints the address port 0xCF8 (ioperm; root)
//   guest_probe set-address HEX      writes it
//   guest_probe as-user UID[:GID[,GROUP...]] PROGRAM [ARGS...]
//                                    runs PROGRAM as that user (group UID when none is given),
//                                    with those supplementary groups, without any privilege
//   guest_probe serve-socket PATH GID PROGRAM
//                                    as systemd's socket with Accept=yes: makes the listening
//                                    socket (root, group GID, 0660), then starts PROGRAM as root for
//                                    each connection with it on standard input and output (stderr
//                                    to PATH.log); goes to the background, prints its pid
//   guest_probe hold-socket PATH SECONDS
//                                    connects, prints the helper's greeting, keeps the connection
//                                    open that long
//   guest_probe helper-reads PATH N HEX
//                                    asks the helper behind PATH for dword 0x00 N times; prints how
//                                    many answers were not HEX
//   guest_probe reads ROUTE N HEX    reads dword 0x00 N times (ROUTE kernel or ports); prints how
//                                    many were not HEX
//   guest_probe rmw ROUTE N          N read-modify-writes of the latency timer (byte 0x0D) of the
//                                    host bridge under the lock, then the old value back; prints
//                                    how many reads of dword 0x0C and how many write-backs had
//                                    another value outside that byte than the bridge held
//   guest_probe ptrace PID           tries to attach to PID
#include "config_lock.h"
#include "helper_config_access.h"
#include "helper_launcher.h"
#include "kernel_config_access.h"
#include "mechanism1_access.h"
#include "ports_linux.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/io.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char* KernelFile = "/sys/bus/pci/devices/0000:00:00.0/config";

int AsUser(const char* who, char** program)
{
    std::vector<gid_t> groups;
    const unsigned uid = unsigned(std::strtoul(who, nullptr, 10));
    unsigned gid = uid;
    if (const char* colon = std::strchr(who, ':')) {
        char* at;
        gid = unsigned(std::strtoul(colon + 1, &at, 10));
        while (*at == ',')
            groups.push_back(gid_t(std::strtoul(at + 1, &at, 10)));
    }
    if (setgroups(groups.size(), groups.data()) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
        return std::perror("as-user"), 1;
    execv(program[0], program);
    return std::perror(program[0]), 127;
}

int ServeSocket(const char* path, const char* group, const char* program)
{
    const std::string dir = std::string(path).substr(0, std::string(path).rfind('/'));
    mkdir(dir.c_str(), 0755);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    unlink(path);
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        chown(path, 0, gid_t(std::atoi(group))) != 0 || chmod(path, 0660) != 0 || listen(listener, 16) != 0)
        return std::perror("serve-socket"), 1;
    const pid_t daemon = fork();
    if (daemon != 0) {
        std::printf("%d\n", daemon);
        return 0;
    }
    std::fflush(stdout);
    const int null = open("/dev/null", O_RDWR);  // whoever reads our output is not kept waiting
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    close(null);
    std::signal(SIGCHLD, SIG_IGN);  // no zombies
    for (;;) {
        const int connection = accept(listener, nullptr, nullptr);
        if (connection < 0)
            continue;
        if (fork() == 0) {
            const int log = open((std::string(path) + ".log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            dup2(connection, 0);
            dup2(connection, 1);
            dup2(log, 2);
            close(connection);
            close(log);
            std::signal(SIGCHLD, SIG_DFL);
            execl(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(connection);
    }
}

// A connection to the helper's socket, or nothing after saying why not.
std::unique_ptr<HelperConfigAccess> Connect(const char* path)
{
    HelperAttempt attempt = ConnectHelperSocket(path);
    if (!attempt.channel.open()) {
        std::fprintf(stderr, "guest_probe: %s\n", attempt.whyNot.c_str());
        return nullptr;
    }
    return std::make_unique<HelperConfigAccess>(std::move(attempt.channel));
}

// The access layer as the programs use it, on the route named.
struct Route {
    ConfigLock lock;
    std::unique_ptr<LinuxPortAccess> ports;
    std::unique_ptr<ConfigAccess> access;
};

std::unique_ptr<Route> OpenRoute(const std::string& name)
{
    auto route = std::make_unique<Route>();
    route->lock.Open();
    if (name == "kernel") {
        route->access = std::make_unique<KernelConfigAccess>(KernelFile, true, &route->lock);
    } else {
        route->ports = std::make_unique<LinuxPortAccess>();
        route->ports->RequestPermission();
        route->access = std::make_unique<Mechanism1Access>(*route->ports, &route->lock);
    }
    return route;
}

int Count(unsigned long wrong)
{
    std::printf("%lu\n", wrong);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    const std::string command = argc >= 2 ? argv[1] : "";
    try {
        if (command == "address" && argc == 2) {
            if (ioperm(0xCF8, 4, 1) != 0)
                return std::perror("ioperm"), 1;
            std::printf("%08x\n", inl(0xCF8));
            return 0;
        }
        if (command == "set-address" && argc == 3) {
            if (ioperm(0xCF8, 4, 1) != 0)
                return std::perror("ioperm"), 1;
            outl(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 16)), 0xCF8);
            return 0;
        }
        if (command == "as-user" && argc >= 4)
            return AsUser(argv[2], argv + 3);
        if (command == "serve-socket" && argc == 5)
            return ServeSocket(argv[2], argv[3], argv[4]);
        if (command == "hold-socket" && argc == 4) {
            HelperAttempt attempt = ConnectHelperSocket(argv[2]);
            std::printf("%s\n", attempt.channel.open() ? "greeted" : attempt.whyNot.c_str());
            std::fflush(stdout);
            sleep(unsigned(std::atoi(argv[3])));
            return attempt.channel.open() ? 0 : 1;
        }
        if (command == "helper-reads" && argc == 5) {
            const auto helper = Connect(argv[2]);
            if (!helper)
                return 1;
            const long n = std::atol(argv[3]);
            const uint32_t expected = uint32_t(std::strtoul(argv[4], nullptr, 16));
            unsigned long wrong = 0;
            for (long i = 0; i < n; ++i)
                wrong += helper->Read(0x00) != expected;
            return Count(wrong);
        }
        if (command == "reads" && argc == 5) {
            const auto route = OpenRoute(argv[2]);
            const long n = std::atol(argv[3]);
            const uint32_t expected = uint32_t(std::strtoul(argv[4], nullptr, 16));
            unsigned long wrong = 0;
            for (long i = 0; i < n; ++i)
                wrong += route->access->Read(0x00) != expected;
            return Count(wrong);
        }
        if (command == "rmw" && argc == 4) {
            // What the bridge holds, from the kernel (root sees all of it): the yardstick.
            KernelConfigAccess kernel(KernelFile, false, nullptr);
            const uint32_t before = kernel.Read(0x0C);
            const auto route = OpenRoute(argv[2]);
            ConfigAccess& chip = *route->access;
            const long n = std::atol(argv[3]);
            constexpr uint32_t Latency = 0x0000FF00;
            // A value is wrong when it differs, outside the latency timer, from what the bridge
            // holds: at first what the kernel's file said, later what the last write-back wrote.
            uint32_t holds = before;
            unsigned long wrong = 0;
            auto count = [&](uint32_t value, const char* what) {
                if ((value & ~Latency) == (holds & ~Latency))
                    return;
                if (++wrong <= 3)
                    std::fprintf(stderr, "guest_probe: %s %08x where the bridge held %08x\n", what, value, holds);
            };
            for (long i = 0; i < n; ++i) {
                count(chip.Read(0x0C), "read");
                const uint32_t written = chip.Modify(0x0C, Latency, uint32_t(i & 0xF8) << 8);
                count(written, "wrote back");
                holds = written;
            }
            chip.Modify(0x0C, Latency, before & Latency);
            return Count(wrong);
        }
        if (command == "ptrace" && argc == 3) {
            if (ptrace(PTRACE_ATTACH, pid_t(std::atoi(argv[2])), nullptr, nullptr) != 0)
                return std::perror("ptrace"), 1;
            return 0;
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "guest_probe: %s\n", failure.what());
        return 1;
    }
    std::fprintf(stderr, "usage: see tests/guest/probe.cpp\n");
    return 2;
}
