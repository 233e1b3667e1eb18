#include "standard_output.h"

#include "interruption.h"
#include "write_all_posix.h"

#include <cerrno>
#include <cstring>
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

class InputBuffer : public std::streambuf {
protected:
    int_type underflow() override
    {
        ssize_t got;
        // A stop and continue may break off a read without any signal of ours having come.
        while ((got = read(STDIN_FILENO, buffer_, sizeof buffer_)) < 0 && errno == EINTR && !Interrupted()) {
        }
        if (got < 0) {
            const int reason = errno;
            throw InputReadError(reason, std::strerror(reason));
        }
        if (got == 0)
            return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + got);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    char buffer_[4096];
};

}  // namespace

StandardOutput::StandardOutput() : stream_(this)
{
    OccupyIfClosed(STDIN_FILENO, O_RDONLY);
    closed_ = OccupyIfClosed(STDOUT_FILENO, O_WRONLY);
    OccupyIfClosed(STDERR_FILENO, O_WRONLY);
    setp(buffer_, buffer_ + sizeof buffer_);
}

bool StandardOutput::Flush(bool)
{
    if (error_) {
        setp(buffer_, buffer_ + sizeof buffer_);  // lost already; the reason is kept
        return false;
    }
    const size_t size = size_t(pptr() - pbase());
    const bool written = size == 0 || (!closed_ && WriteAll(STDOUT_FILENO, pbase(), size));
    if (!written)
        error_ = closed_ ? EBADF : errno;
    setp(buffer_, buffer_ + sizeof buffer_);
    return written;
}

std::ostream& StandardErrors() { return std::cerr; }

std::istream& StandardInput()
{
    static InputBuffer buffer;
    static std::istream stream(&buffer);
    return stream;
}
