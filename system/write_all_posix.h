#pragma once
// Writing everything to a descriptor, through short writes and signals.

#include <cstddef>

// Writes all `size` bytes, again after a signal and after a short write; false, with errno set
// (EIO when the descriptor took nothing), when a write failed. On a socket a reader gone is an
// error (EPIPE), never a SIGPIPE.
bool WriteAll(int fd, const char* data, size_t size);
