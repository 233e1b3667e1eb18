#include "files.h"

#include "exit_status.h"
#include "flock_wait_posix.h"
#include "interruption.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool RootsOrMine(const struct stat& st) { return st.st_uid == 0 || st.st_uid == geteuid(); }

std::string Octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode & 07777));
    return text;
}

// Why a file that root acts on unattended is not its owner's alone; "" when it is. Judged on
// the open file, so that nothing can be swapped in between the look and the read.
std::string NotOwnersAlone(const struct stat& st)
{
    if (!RootsOrMine(st))
        return "it belongs to user " + std::to_string(st.st_uid) + ", not to root";
    if (st.st_mode & 022)
        return "its group or others may write it (mode " + Octal(st.st_mode) + "); chmod go-w it";
    return "";
}

}  // namespace

namespace {

// The rest of an open file, closed afterwards. A signal of interruption.h ends a read that
// waits; any other interruption (a stop and continue) does not.
std::string ReadToEnd(int fd, const std::string& path, size_t limit)
{
    std::string text;
    char buffer[8192];
    ssize_t got = 0;
    while (text.size() <= limit) {
        got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR && !Interrupted())
            continue;
        if (got <= 0)
            break;
        text.append(buffer, size_t(got));
    }
    const int reason = errno;
    close(fd);
    if (got < 0 && reason == EINTR)
        throw StatusError(ExitFailure, path + ": reading was interrupted by a signal");
    if (got < 0)
        throw StatusError(ExitBadInput, path + ": cannot be read: " + std::strerror(reason));
    return text;
}

}  // namespace

std::string ReadRegularFile(const std::string& path, size_t limit, bool ownersAlone)
{
    // Never wait on a fifo or a device: a boot must not hang on a file.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw StatusError(ExitBadInput, path + ": cannot be read: " + std::strerror(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        throw StatusError(ExitBadInput, path + ": not a regular file");
    }
    if (ownersAlone) {
        const std::string why = NotOwnersAlone(st);
        if (!why.empty()) {
            close(fd);
            throw StatusError(ExitBadInput, path + ": not taken: " + why);
        }
    }
    return ReadToEnd(fd, path, limit);
}

std::string ReadInputFile(const std::string& path, size_t limit)
{
    // Opened without waiting first, so that a device is refused before anything waits on it.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw StatusError(ExitBadInput, path + ": cannot be read: " + std::strerror(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode))) {
        close(fd);
        throw StatusError(ExitBadInput, path + ": neither a regular file nor a pipe");
    }
    if (S_ISFIFO(st.st_mode)) {
        // Read on this very descriptor: closing it could drop what a writer that it let in has
        // written already, and a new open would wait for another writer. poll waits for data,
        // or for the hang-up of writers that came and went (Linux reports none before a writer
        // has come); then blocking reads to the writers' end.
        pollfd ready{fd, POLLIN, 0};
        int got;
        while ((got = poll(&ready, 1, -1)) < 0 && errno == EINTR && !Interrupted()) {
        }
        if (got < 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
            const int reason = errno;
            close(fd);
            if (reason == EINTR)
                throw StatusError(ExitFailure, path + ": reading was interrupted by a signal");
            throw StatusError(ExitBadInput, path + ": cannot be read: " + std::strerror(reason));
        }
    }
    return ReadToEnd(fd, path, limit);
}

void MakeFolder(const std::string& folder, bool ownerOnly)
{
    if (mkdir(folder.c_str(), ownerOnly ? 0700 : 0755) != 0 && errno != EEXIST)
        throw StatusError(ExitFailure, folder + ": cannot be made: " + std::strerror(errno));
    if (!ownerOnly)
        return;
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !RootsOrMine(st))
        throw StatusError(ExitFailure, folder + ": not a folder of root's own");
    if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), st.st_mode & 07700) != 0)
        throw StatusError(ExitFailure, folder + ": cannot be closed to others: " + std::strerror(errno));
}

void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string SmallFileText(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    try {
        return ReadRegularFile(path, 4096).substr(0, 4096);
    } catch (const StatusError&) {
        return {};
    }
}

void WriteFileSynced(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw StatusError(ExitFailure, path + ": cannot be made: " + std::strerror(errno));
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fsync(fd) == 0;
    close(fd);
    if (!written) {
        unlink(path.c_str());
        throw StatusError(ExitFailure, path + ": cannot be written");
    }
}

int RemoveFileIfThere(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno; }

std::string RemoveFileCommand(const std::string& path, bool systemFile)
{
    return (systemFile ? "sudo rm " : "rm ") + path;
}

MarkerLock::MarkerLock(const std::string& path, int seconds)
{
    // Never follow a link, never block on a fifo.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        why_ = path + ": cannot be opened: " + std::strerror(errno);
        return;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !RootsOrMine(st) ||
        ((st.st_mode & 077) != 0 && fchmod(fd, 0600) != 0)) {
        close(fd);
        why_ = path + ": not a plain file of root's own";
        return;
    }
    switch (Interrupted() ? LockWait::Interrupted : WaitForFlock(fd, seconds * 1000, true)) {
    case LockWait::Taken:
        handle_ = fd;
        held_ = true;
        return;
    case LockWait::TimedOut:
        why_ = path + ": held by another program for " + std::to_string(seconds) + " seconds";
        break;
    case LockWait::Interrupted:
        interrupted_ = true;
        why_ = path + ": the wait for it was interrupted";
        break;
    case LockWait::Failed:
        why_ = path + ": cannot be locked: " + std::strerror(errno);
        break;
    }
    close(fd);
}

MarkerLock::~MarkerLock()
{
    if (held_)
        close(int(handle_));
}

std::string LocalTimeNow()
{
    char text[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string ThisBoot(const std::string& bootIdPath)
{
    std::ifstream in(bootIdPath);
    std::string id;
    std::getline(in, id);
    return id;
}

// CLOCK_MONOTONIC stands still while the machine sleeps: only running time counts.
double RunningSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}
