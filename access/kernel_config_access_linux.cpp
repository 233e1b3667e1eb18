#include "kernel_config_access.h"

#include "access_refused.h"
#include "hex_text.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The kernel gives a user without CAP_SYS_ADMIN the standard 64-byte header only.
constexpr uint32_t UnprivilegedBytes = 64;

// pread and pwrite of one little-endian dword, the byte order of the file.
bool Transfer(int fd, uint32_t offset, uint32_t* value, bool write)
{
    unsigned char bytes[4];
    if (write)
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<unsigned char>(*value >> (8 * i));
    ssize_t done;
    do {
        done = write ? pwrite(fd, bytes, 4, offset) : pread(fd, bytes, 4, offset);
    } while (done < 0 && errno == EINTR);
    if (done != 4)
        return false;
    if (!write)
        *value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                 uint32_t(bytes[3]) << 24;
    return true;
}

}  // namespace

KernelConfigAccess::KernelConfigAccess(const std::string& path, bool forWriting, CycleLock* lock)
    : ConfigAccess(lock), path_(path)
{
    fd_ = open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) {
        const int reason = errno;
        throw AccessRefused("The kernel's configuration file " + path + " cannot be opened" +
                                (forWriting ? " for writing" : "") + ": " + std::strerror(reason),
                            reason);
    }
}

KernelConfigAccess::~KernelConfigAccess() { close(fd_); }

uint32_t KernelConfigAccess::ReadDword(uint32_t offset)
{
    uint32_t value = 0;
    if (Transfer(fd_, offset, &value, false))
        return value;
    const int reason = errno;
    if (offset >= UnprivilegedBytes)
        throw AccessRefused("The kernel shows only the first 64 bytes of the configuration space "
                            "to a program without privilege; dword " + HexNumber(offset) + " is beyond them",
                            EACCES);
    throw AccessRefused("Reading dword " + HexNumber(offset) + " of " + path_ + " failed: " +
                            std::strerror(reason),
                        reason);
}

void KernelConfigAccess::WriteDword(uint32_t offset, uint32_t value)
{
    if (Transfer(fd_, offset, &value, true))
        return;
    const int reason = errno;
    throw AccessRefused("Writing dword " + HexNumber(offset) + " of " + path_ + " failed: " +
                            std::strerror(reason),
                        reason);
}
