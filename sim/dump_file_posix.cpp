#include "dump_file.h"

#include "flock_wait_posix.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
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
    switch (WaitForFlock(fd, DumpLockSeconds * 1000, true)) {
    case LockWait::Taken:
        return true;
    case LockWait::TimedOut:
        return false;
    case LockWait::Interrupted:
        throw DumpInterrupted(path + ": waiting for another program's change of this dump was interrupted");
    default:
        CannotBeRead(path, errno);
    }
}

}  // namespace

DumpFile::DumpFile(const std::string& path, bool forUpdate) : path_(path)
{
    int fd;
    for (;;) {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            CannotBeRead(path, errno);
        struct stat opened;
        if (!forUpdate || fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode))
            break;
        if (!LockExclusively(fd, path)) {
            close(fd);
            throw DumpBusy(path + ": another program has been changing this dump for " +
                           std::to_string(DumpLockSeconds) + " seconds; try again when it is done");
        }
        struct stat named;
        if (stat(path.c_str(), &named) == 0 && SameFile(named, opened))
            break;
        close(fd);  // saved over by the program that held it: start again on its file
    }
    handle_ = fd;
    held_ = true;

    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            const int reason = errno;
            close(fd);
            held_ = false;
            CannotBeRead(path, reason);
        }
        text_.append(buffer, size_t(got));
        if (text_.size() > DumpSizeLimit) {
            close(fd);
            held_ = false;
            throw DumpError(path + ": larger than 1 MiB; a dump of `lspci -xxx` is a few KiB");
        }
    }
}

DumpFile::~DumpFile()
{
    if (held_)
        close(int(handle_));  // and with it the lock
}

bool DumpFile::IsFile(const std::string& other) const
{
    struct stat mine, named;
    return held_ && fstat(int(handle_), &mine) == 0 && stat(other.c_str(), &named) == 0 && SameFile(mine, named);
}

bool NamesOneFile(const std::string& a, const std::string& b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && SameFile(first, second);
}
