#include "user_slot.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

UserSlot::UserSlot(std::string directory) : directory_(std::move(directory)) {}

UserSlot::~UserSlot()
{
    if (fd_ >= 0)
        close(fd_);
}

std::optional<std::string> UserSlot::Take(uid_t uid)
{
    struct stat st;
    if (lstat(directory_.c_str(), &st) != 0)
        return Reason(directory_);
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 022) != 0)
        return directory_ + " is open to other users";
    const std::string path = directory_ + "/user-" + std::to_string(uid);
    // Never follow a link, never block on a fifo: the folder is root's, but a file is checked too.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return Reason(path);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
        close(fd);
        return path + " is not a plain file of root's alone";
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        std::string why = held ? "user " + std::to_string(uid) + " has a connection to the helper already; one at a time"
                               : Reason(path);
        close(fd);
        return why;
    }
    if (fd_ >= 0)
        close(fd_);
    fd_ = fd;
    return std::nullopt;
}
