#include "dump_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

[[noreturn]] void CannotBeRead(const std::string& path, int reason)
{
    if (reason == EINTR)
        throw DumpInterrupted(path + ": reading was interrupted by a signal");
    throw DumpError(path + ": cannot be read: " + std::strerror(reason));
}

// Waits for the exclusive lock; false when the time-out passed first.
bool LockExclusively(int fd, const std::string& path)
{
    const timespec step{0, 10 * 1000 * 1000};
    for (int waited = 0; waited < DumpLockSeconds * 100; ++waited) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            CannotBeRead(path, errno);
        if (errno == EINTR || nanosleep(&step, nullptr) != 0)
            throw DumpInterrupted(path + ": waiting for another program's change of this dump was interrupted");
    }
    return false;
}

}  // namespace

DumpFile::DumpFile(const std::string& path, bool forUpdate) : path_(path)
{
    for (;;) {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            CannotBeRead(path, errno);
        struct stat opened;
        if (!forUpdate || fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode))
            break;
        if (!LockExclusively(fd_, path)) {
            close(fd_);
            fd_ = -1;
            throw DumpBusy(path + ": another program has been changing this dump for " +
                           std::to_string(DumpLockSeconds) + " seconds; try again when it is done");
        }
        struct stat named;
        if (stat(path.c_str(), &named) == 0 && SameFile(named, opened))
            break;
        close(fd_);  // saved over by the program that held it: start again on its file
    }

    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            const int reason = errno;
            close(fd_);
            fd_ = -1;
            CannotBeRead(path, reason);
        }
        text_.append(buffer, size_t(got));
        if (text_.size() > DumpSizeLimit) {
            close(fd_);
            fd_ = -1;
            throw DumpError(path + ": larger than 1 MiB; a dump of `lspci -xxx` is a few KiB");
        }
    }
}

DumpFile::~DumpFile()
{
    if (fd_ >= 0)
        close(fd_);  // and with it the lock
}

bool DumpFile::IsFile(const std::string& other) const
{
    struct stat mine, named;
    return fd_ >= 0 && fstat(fd_, &mine) == 0 && stat(other.c_str(), &named) == 0 && SameFile(mine, named);
}

bool NamesOneFile(const std::string& a, const std::string& b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && SameFile(first, second);
}
