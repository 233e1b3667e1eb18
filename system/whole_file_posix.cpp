#include "whole_file.h"

#include "paths.h"
#include "write_all_posix.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what, int reason)
{
    throw FileWriteError(path + ": " + what + ": " + std::strerror(reason));
}

// mkostemp makes its file 0600, whatever the umask says. The kernel tells the umask in
// /proc/self/status (Linux 4.7 on); elsewhere it is read by setting it and back at once, which
// would let a file that another thread makes meanwhile miss it.
mode_t NewFileMode()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::string LinkTarget(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string("?") : std::string(target, size_t(length));
}

}  // namespace

void WriteWholeFile(const std::string& path, const std::string& content)
{
    if (path.empty() || path.back() == '/')
        throw FileWriteError(path + ": not a file name");
    struct stat old;
    const bool exists = lstat(path.c_str(), &old) == 0;
    if (exists && S_ISLNK(old.st_mode))
        throw FileWriteError(path + ": a symbolic link (to " + LinkTarget(path) +
                             "); not replaced: give the file that it names");
    if (exists && !S_ISREG(old.st_mode))
        throw FileWriteError(path + ": not a regular file; not replaced");

    // A dot name beside the target: the rename stays within one file system.
    const std::string folder = FolderOf(path);
    std::string pattern = folder + "/." + NameOf(path) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        Fail(path, "cannot be written", errno);
    const std::string temporary(name.data());
    auto failWith = [&](const std::string& what, int reason) {
        close(fd);
        unlink(temporary.c_str());
        Fail(path, what, reason);
    };

    if (!WriteAll(fd, content.data(), content.size()))
        failWith("writing failed", errno);
    if (exists)  // only root may give a file away; a user's own file is theirs anyway
        (void)!fchown(fd, old.st_uid, old.st_gid);
    if (fchmod(fd, exists ? old.st_mode & 07777 : NewFileMode()) != 0)
        failWith("writing failed", errno);
    if (fsync(fd) != 0)
        failWith("writing failed", errno);
    if (close(fd) != 0) {
        const int reason = errno;
        unlink(temporary.c_str());
        Fail(path, "writing failed", reason);
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const int reason = errno;
        unlink(temporary.c_str());
        Fail(path, "cannot be replaced", reason);
    }
    // The rename itself is only on the disk once the folder is synced.
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
}

std::string SystemTextLines(const std::string& text) { return text; }
