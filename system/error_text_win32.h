#pragma once
// Windows' error codes in the words the POSIX build uses: the C library's text where it has one
// for the code (so that a message reads the same on both systems), else the system's own text,
// on one line.

#include <string>

#include <windows.h>

// The errno that stands for `code` (ENOENT for ERROR_FILE_NOT_FOUND, EPIPE for a reader gone,
// ...); 0 when none does.
int ErrnoOf(DWORD code);
// strerror(ErrnoOf(code)), else the system's text for `code`.
std::string ErrorText(DWORD code);
