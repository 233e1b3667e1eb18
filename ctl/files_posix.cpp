#include "files.h"

#include "exit_status.h"

#include <cerrno>
#include <cstring>
#include <ctime>

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

void WriteTextFileWhole(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp-i815ctl";
    auto fail = [&](const std::string& what) {
        const std::string reason = std::strerror(errno);
        unlink(temporary.c_str());
        throw StatusError(ExitFailure, path + ": " + what + ": " + reason);
    };
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw StatusError(ExitFailure, path + ": cannot be written: " + std::strerror(errno));
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            fail("writing failed");
        }
        done += size_t(n);
    }
    if (fchmod(fd, 0644) != 0 || fsync(fd) != 0) {
        close(fd);
        fail("writing failed");
    }
    if (close(fd) != 0)
        fail("writing failed");
    if (rename(temporary.c_str(), path.c_str()) != 0)
        fail("cannot be replaced");
    // The rename itself is only durable once the folder is synced.
    SyncFolder(FolderOf(path));
}

void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

std::string PathIn(const std::string& folder, const std::string& name) { return folder + "/" + name; }

void MakeFolder(const std::string& folder)
{
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        throw StatusError(ExitFailure, folder + ": cannot be made: " + std::strerror(errno));
}

// The file must be on the disk before the call returns: a hang leaves no time to write it.
void WriteNewFileSynced(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        throw StatusError(ExitFailure, path + ": cannot be made: " + std::strerror(errno));
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fsync(fd) == 0;
    close(fd);
    if (!written) {
        unlink(path.c_str());
        throw StatusError(ExitFailure, path + ": cannot be written");
    }
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string FirstLine(const std::string& path)
{
    try {
        const std::string text = ReadRegularFile(path, 4096);
        return text.substr(0, text.find('\n'));
    } catch (const StatusError&) {
        return {};
    }
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

std::string RemoveFileCommand(const std::string& path) { return "sudo rm " + path; }

std::string LocalTimeNow()
{
    char text[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
