// i815quarvel-helper: the hands on the chip of a program without privilege. Started as root,
// one per connection, by its socket service (the connection on standard input and output) or
// by the window through pkexec (a socket pair in the same place), it learns from the kernel who
// connected, takes that user's one connection through the socket, opens the kernel's
// configuration file of 00:00.0 and the lock between programs, then becomes its own system
// user for good, closes itself in its system-call filter and serves checked requests until the
// other side goes away or stays silent past the idle limit. It never asks for the I/O ports.
// No Qt, no environment; only the options of helper_options.h.
#include "config_lock.h"
#include "helper_options.h"
#include "helper_peer.h"
#include "helper_session.h"
#include "kernel_config_access.h"
#include "privileges.h"
#include "syscall_filter.h"
#include "user_slot.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include <unistd.h>

namespace {

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

}  // namespace

int main(int argc, char** argv)
{
    SealProcess();
    std::signal(SIGPIPE, SIG_IGN);  // the other side gone away is an end of file, not a signal
    HelperOptions options;
    if (const std::optional<std::string> why = ParseHelperOptions({argv + 1, argv + argc}, options))
        return Refuse(*why);
    if (geteuid() != 0)
        return Refuse("must be started as root, by its socket service or through pkexec");
    const std::optional<SystemUser> user = FindSystemUser(HelperUserName);
    if (!user)
        return Refuse(std::string("the system user ") + HelperUserName + " does not exist (the package makes it)");

    // Through the socket, a member of the group; through pkexec, whoever gave the
    // administrator's password; from a terminal, root.
    const HelperPeer peer = PeerOf(STDIN_FILENO);
    UserSlot slot(ConfigLock::DefaultDirectory);
    if (peer.namedSocket) {
        if (!peer.uid)
            return Refuse("cannot tell who connected");
        if (const std::optional<std::string> why = slot.Take(*peer.uid))
            return Refuse(*why);
    }
    const HelperCaller caller{peer.uid.value_or(getuid()),
                              !peer.namedSocket || peer.uid == 0u || options.groupWritesWarnings};
    try {
        ConfigLock lock;
        lock.Open();
        KernelConfigAccess chip(KernelConfigAccess::DefaultPath, true, &lock);
        if (const std::optional<std::string> why = DropTo(*user))
            return Refuse("could not give up its privileges: " + *why);
        if (const std::optional<std::string> why = InstallSyscallFilter())
            return Refuse("could not install " + *why);
        HelperSession session(chip, [](const std::string& line) {
            std::fprintf(stderr, "i815quarvel-helper: %s\n", line.c_str());
        }, caller);
        Say(HelperReady);
        return ServeHelper(STDIN_FILENO, STDOUT_FILENO, session, options.idleSeconds);
    } catch (const std::exception& failure) {
        return Refuse(failure.what());
    }
}
