// i815quarvel-helper: the hands on the chip of a program without privilege. Started as root,
// one per connection, by its socket service (the connection on standard input and output) or
// by the window through pkexec (a socket pair in the same place), it opens the kernel's
// configuration file of 00:00.0 and the lock between programs, then becomes its own system
// user for good and serves checked requests until the other side goes away. It never asks for
// the I/O ports. No Qt, no arguments, no environment.
#include "config_lock.h"
#include "helper_session.h"
#include "kernel_config_access.h"
#include "privileges.h"

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

int main(int argc, char**)
{
    SealProcess();
    std::signal(SIGPIPE, SIG_IGN);  // the other side gone away is an end of file, not a signal
    if (argc != 1)
        return Refuse("takes no arguments");
    if (geteuid() != 0)
        return Refuse("must be started as root, by its socket service or through pkexec");
    const std::optional<SystemUser> user = FindSystemUser(HelperUserName);
    if (!user)
        return Refuse(std::string("the system user ") + HelperUserName + " does not exist (the package makes it)");
    try {
        ConfigLock lock;
        lock.Open();
        KernelConfigAccess chip(KernelConfigAccess::DefaultPath, true, &lock);
        if (const std::optional<std::string> why = DropTo(*user))
            return Refuse("could not give up its privileges: " + *why);
        HelperSession session(chip, [](const std::string& line) {
            std::fprintf(stderr, "i815quarvel-helper: %s\n", line.c_str());
        });
        Say(HelperReady);
        return ServeHelper(STDIN_FILENO, STDOUT_FILENO, session);
    } catch (const std::exception& failure) {
        return Refuse(failure.what());
    }
}
