// i815quarvel-helper: the window's hands on the PCI configuration ports. Started by the window
// (directly when an administrator gave it cap_sys_rawio for a group, else through pkexec), it
// asks for the eight ports 0xCF8-0xCFF, opens the lock between programs, then gives up every
// other privilege and serves the window's requests on its standard input and output until the
// window goes away. No Qt, no arguments, no environment.
#include "config_lock.h"
#include "helper_session.h"
#include "mechanism1_access.h"
#include "x86_port_access.h"

#include <cstdio>
#include <exception>
#include <string>

#include <csignal>
#include <grp.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

void Say(const std::string& line)
{
    const std::string text = line + "\n";
    (void)!write(STDOUT_FILENO, text.data(), text.size());
}

int Refuse(const std::string& reason)
{
    std::fprintf(stderr, "i815quarvel-helper: %s\n", reason.c_str());
    Say(HelperRefusedPrefix + reason);
    return 1;
}

// The port permission (the I/O bitmap of this thread) and the open lock file are all the
// helper needs from here on: root becomes nobody, and capabilities are dropped for good.
bool DropPrivileges()
{
    if (getuid() == 0 || geteuid() == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
            return false;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    if (syscall(SYS_capset, &header, none) != 0)
        return false;
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

}  // namespace

int main(int argc, char**)
{
    std::signal(SIGPIPE, SIG_IGN);  // a window gone away is an end of file, not a signal
    if (argc != 1)
        return Refuse("takes no arguments");
    try {
        ConfigLock lock;
        X86PortAccess ports;
        ports.RequestPermission();
        if (!DropPrivileges())
            return Refuse("could not give up its privileges");
        Mechanism1Access chip(ports, &lock);
        HelperSession session(chip, [](const std::string& line) {
            std::fprintf(stderr, "i815quarvel-helper: %s\n", line.c_str());
        });
        Say(HelperReady);
        return ServeHelper(STDIN_FILENO, STDOUT_FILENO, session);
    } catch (const std::exception& failure) {
        return Refuse(failure.what());
    }
}
