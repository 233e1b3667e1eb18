#include "standard_output.h"

#include <cerrno>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Returns whether `fd` was closed (and now holds /dev/null).
bool OccupyIfClosed(int fd, int flags)
{
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
        return false;
    const int opened = open("/dev/null", flags);  // the lowest free number: fd itself
    if (opened >= 0 && opened != fd)
        close(opened);
    return true;
}

}  // namespace

StandardOutput::StandardOutput() : stream_(this)
{
    OccupyIfClosed(STDIN_FILENO, O_RDONLY);
    closed_ = OccupyIfClosed(STDOUT_FILENO, O_WRONLY);
    OccupyIfClosed(STDERR_FILENO, O_WRONLY);
    setp(buffer_, buffer_ + sizeof buffer_);
}

StandardOutput::~StandardOutput() { Flush(); }

int StandardOutput::Finish()
{
    Flush();
    return error_;
}

bool StandardOutput::Flush()
{
    if (error_) {
        setp(buffer_, buffer_ + sizeof buffer_);  // lost already; the reason is kept
        return false;
    }
    const char* at = pbase();
    while (at < pptr()) {
        const ssize_t n = closed_ ? (errno = EBADF, -1) : write(STDOUT_FILENO, at, size_t(pptr() - at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            setp(buffer_, buffer_ + sizeof buffer_);
            return false;
        }
        at += n;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
    return true;
}

std::ostream& StandardErrors() { return std::cerr; }

std::istream& StandardInput() { return std::cin; }
