#include "config_lock.h"

#include "flock_wait_posix.h"
#include "paths.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

bool OursOrRoot(const struct stat& st) { return st.st_uid == 0 || st.st_uid == geteuid(); }

// The directory is made when missing; one that a stranger could write (a sticky /tmp or
// /run/lock among them) would let the stranger take the name first, so it is refused.
void CheckDirectory(const std::string& dir)
{
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        throw ConfigLockError(Reason("The lock's directory " + dir + " cannot be made"));
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0)
        throw ConfigLockError(Reason("The lock's directory " + dir + " cannot be examined"));
    if (!S_ISDIR(st.st_mode))
        throw ConfigLockError("The lock's directory " + dir + " is not a directory");
    if (!OursOrRoot(st) || (st.st_mode & 022) != 0)
        throw ConfigLockError("The lock's directory " + dir + " is open to other users; it must belong to root "
                              "and be writable by its owner only");
}

}  // namespace

ConfigLock::ConfigLock(std::string path) : path_(std::move(path)) {}

ConfigLock::~ConfigLock()
{
    if (open_)
        close(int(handle_));
}

void ConfigLock::Open()
{
    if (open_)
        return;
    CheckDirectory(FolderOf(path_));
    // Never follow a link, never block on a fifo.
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        throw ConfigLockError(Reason("The lock file " + path_ + " cannot be opened"));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !OursOrRoot(st)) {
        close(fd);
        throw ConfigLockError("The lock file " + path_ + " is not a plain file of root's");
    }
    if ((st.st_mode & 077) != 0 && fchmod(fd, 0600) != 0) {  // whatever made it, only its owner opens it
        close(fd);
        throw ConfigLockError(Reason("The lock file " + path_ + " cannot be closed to other users"));
    }
    handle_ = fd;
    open_ = true;
}

void ConfigLock::Acquire()
{
    Open();
    switch (WaitForFlock(int(handle_), TimeoutMilliseconds, false)) {
    case LockWait::Taken:
        return;
    case LockWait::TimedOut:
        throw ConfigLockBusy("The lock file " + path_ + " has been held by another program for " +
                             std::to_string(TimeoutMilliseconds / 1000) + " seconds");
    default:
        throw ConfigLockError(Reason("The lock file " + path_ + " cannot be locked"));
    }
}

void ConfigLock::Release() { flock(int(handle_), LOCK_UN); }
