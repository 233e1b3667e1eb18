#include "config_lock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(const std::string& path, const char* what)
{
    return "The lock file " + path + " " + what + ": " + std::strerror(errno);
}

// /run/lock is writable by everyone, so the name may already be taken by something else: never
// follow a link, never block on a fifo, and never use O_CREAT on a file that is there already
// (the kernel refuses that on another user's file in a sticky directory).
int OpenLockFile(const std::string& path)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = open(path.c_str(), flags);
        if (fd < 0 && errno == ENOENT) {
            fd = open(path.c_str(), flags | O_CREAT | O_EXCL, 0644);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd >= 0)
                fchmod(fd, 0644);  // whatever the umask: others must be able to open it
        }
        if (fd < 0)
            throw ConfigLockError(Reason(path, "cannot be opened"));
        struct stat st;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            close(fd);
            errno = EINVAL;
            throw ConfigLockError("The lock file " + path + " is not a regular file");
        }
        return fd;
    }
    throw ConfigLockError(Reason(path, "cannot be created"));
}

}  // namespace

ConfigLock::ConfigLock(std::string path) : path_(std::move(path)) {}

ConfigLock::~ConfigLock()
{
    if (fd_ >= 0)
        close(fd_);
}

void ConfigLock::Acquire()
{
    if (fd_ < 0)
        fd_ = OpenLockFile(path_);
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(TimeoutMilliseconds);
    auto pause = microseconds(20);
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            throw ConfigLockError(Reason(path_, "cannot be locked"));
        if (steady_clock::now() >= deadline)
            throw ConfigLockError("The lock file " + path_ + " has been held by another program for " +
                                  std::to_string(TimeoutMilliseconds / 1000) + " seconds");
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, microseconds(5000));
    }
}

void ConfigLock::Release() { flock(fd_, LOCK_UN); }
