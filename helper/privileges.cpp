#include "privileges.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

void CloseFrom(int first)
{
#ifdef SYS_close_range
    if (syscall(SYS_close_range, first, ~0U, 0) == 0)
        return;
#endif
    const long last = sysconf(_SC_OPEN_MAX);
    for (long fd = first; fd < (last > 0 && last < 65536 ? last : 65536); ++fd)
        close(int(fd));
}

// Every capability out of the bounding set, while CAP_SETPCAP is still effective: afterwards no
// program that the helper could run would get one back from a file capability.
bool EmptyBoundingSet()
{
    for (int cap = 0; prctl(PR_CAPBSET_READ, cap, 0, 0, 0) >= 0; ++cap)
        if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0)
            return false;
    return true;
}

bool BoundingSetEmpty()
{
    int cap = 0;
    for (int in; (in = prctl(PR_CAPBSET_READ, cap, 0, 0, 0)) >= 0; ++cap)
        if (in != 0)
            return false;
    return cap > 0;
}

bool NoCapabilities()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[2] = {};
    if (syscall(SYS_capget, &header, sets) != 0)
        return false;
    for (const auto& set : sets)
        if (set.effective || set.permitted || set.inheritable)
            return false;
    return true;
}

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

void SealProcess()
{
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    // A closed standard descriptor would be taken by the next open: the chip's file as stderr.
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd)
            _exit(1);
    CloseFrom(3);
}

std::optional<SystemUser> FindSystemUser(const std::string& name, const std::string& passwdFile)
{
    std::ifstream file(passwdFile);
    std::string line;
    while (std::getline(file, line)) {
        // name:password:uid:gid:gecos:home:shell
        std::string fields[4];
        size_t at = 0;
        for (int i = 0; i < 4; ++i) {
            const size_t colon = line.find(':', at);
            if (colon == std::string::npos)
                break;
            fields[i] = line.substr(at, colon - at);
            at = colon + 1;
        }
        if (fields[0] != name || fields[3].empty())
            continue;
        try {
            size_t used = 0;
            const unsigned long uid = std::stoul(fields[2], &used);
            if (used != fields[2].size())
                return std::nullopt;
            const unsigned long gid = std::stoul(fields[3], &used);
            if (used != fields[3].size() || uid == 0 || gid == 0)
                return std::nullopt;  // never "drop" to root
            return SystemUser{uid_t(uid), gid_t(gid)};
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::string> DropTo(const SystemUser& user)
{
    if (!EmptyBoundingSet())
        return Failed("the capability bounding set");
    if (setgroups(0, nullptr) != 0)
        return Failed("setgroups");
    if (setresgid(user.gid, user.gid, user.gid) != 0)
        return Failed("setresgid");
    if (setresuid(user.uid, user.uid, user.uid) != 0)
        return Failed("setresuid");
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    if (syscall(SYS_capset, &header, none) != 0)
        return Failed("capset");
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return Failed("no_new_privs");
    // A change of user makes the process dumpable again (fs.suid_dumpable): undo that.
    if (prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0)
        return Failed("dumpable");

    uid_t r, e, s;
    gid_t rg, eg, sg;
    if (getresuid(&r, &e, &s) != 0 || r != user.uid || e != user.uid || s != user.uid ||
        getresgid(&rg, &eg, &sg) != 0 || rg != user.gid || eg != user.gid || sg != user.gid ||
        getgroups(0, nullptr) != 0 || !NoCapabilities() || !BoundingSetEmpty() || prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0 ||
        prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) != 1)
        return std::string("a privilege survived the step down");
    return std::nullopt;
}
