#pragma once
// What the helper does about its own privileges: nothing left for a debugger or a core file,
// no descriptor but the ones it opens itself, and, once the chip's file and the lock are open,
// the step down to its own system user for good.

#include <optional>
#include <string>

#include <sys/types.h>

struct SystemUser {
    uid_t uid;
    gid_t gid;
};

constexpr const char* HelperUserName = "i815quarvel";

// Not dumpable (no ptrace by its own user, no core), core size 0, standard input, output and
// error open (on /dev/null where they were not), every other inherited descriptor closed.
void SealProcess();

// The user's entry in `passwdFile`, read directly: no name service module is loaded into a
// process that is still root.
std::optional<SystemUser> FindSystemUser(const std::string& name, const std::string& passwdFile = "/etc/passwd");

// Becomes `user` with no supplementary group, no capability in any set (the bounding set
// emptied first, which takes CAP_SETPCAP), no_new_privs, not dumpable; checks each. Returns
// why not, or nothing once done.
std::optional<std::string> DropTo(const SystemUser& user);
