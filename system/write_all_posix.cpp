#include "write_all_posix.h"

#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

bool WriteAll(int fd, const char* data, size_t size)
{
    bool socket = true;
    size_t done = 0;
    while (done < size) {
        ssize_t n = -1;
        if (socket) {
            n = send(fd, data + done, size - done, MSG_NOSIGNAL);
            if (n < 0 && errno == ENOTSOCK) {
                socket = false;
                continue;
            }
        } else {
            n = write(fd, data + done, size - done);
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}
