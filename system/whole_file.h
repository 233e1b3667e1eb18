#pragma once
// Files that the programs write (profiles, dumps): whole or not at all. The new text goes to a
// temporary file of a name nobody can foresee beside the target, is synced, and then takes the
// target's name in one rename; until then the old file stays as it was, byte for byte, whatever
// happens (a full disk, a file-size limit, a signal, another program saving at the same time).
//
// A target that exists and is not a regular file is refused: a device node, a pipe or a folder
// is never replaced by a regular file. So is a symbolic link: replacing the link would cut it,
// and following it would let whoever placed it steer where the file goes; the message names
// what it points to. An existing file keeps its permission bits (and, where this process may
// give them, its owner and group); a new one gets what the umask leaves of 0666, as a file that
// the shell's ">" makes (0644 under the usual umask 022).
//
// The POSIX implementation is whole_file_posix.cpp. On Windows (whole_file_win32.cpp) the
// temporary file is made by the system under a name of its choosing, a folder is refused, an
// existing file keeps its attributes, and the new file takes the old one's place in one step
// where the system has one (NT); Windows 95, 98 and ME first delete the old file.

#include <stdexcept>
#include <string>

class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws FileWriteError, "PATH: what went wrong: reason", having left the old file untouched
// and no temporary file behind.
void WriteWholeFile(const std::string& path, const std::string& content);

// A text's lines ended as the system's editors expect: "\n" on POSIX, "\r\n" on Windows,
// whose Notepad shows a bare "\n" as no line end at all. For the files that people edit.
std::string SystemTextLines(const std::string& text);
