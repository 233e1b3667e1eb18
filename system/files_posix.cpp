#include "files.h"

#include "exit_status.h"
#include "flock_wait_posix.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string ReadRegularFile(const std::string& path, size_t limit)
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
    std::string text;
    char buffer[8192];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0 && text.size() <= limit)
        text.append(buffer, size_t(got));
    const int reason = errno;
    close(fd);
    if (got < 0)
        throw StatusError(ExitBadInput, path + ": cannot be read: " + std::strerror(reason));
    return text;
}

void MakeFolder(const std::string& folder)
{
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        throw StatusError(ExitFailure, folder + ": cannot be made: " + std::strerror(errno));
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

FolderLock::FolderLock(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (WaitForFlock(fd, -1, false) != LockWait::Taken) {
        close(fd);
        return;
    }
    handle_ = fd;
    held_ = true;
}

FolderLock::~FolderLock()
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
