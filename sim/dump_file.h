#pragma once
// A dump file as the emulated chip starts from: read whole, at most DumpSizeLimit bytes, from a
// regular file, a pipe (`--emulated=<(lspci -xxx)`) or a device. A program that will save the
// chip onto the same file holds an exclusive flock on it from before the read until it has
// saved, so that two programs that read, change and save one dump take turns and neither loses
// the other's change. Saving renames a new file over the old one, so a program that waited
// checks, once it has the lock, that the name still leads to the file it locked, and else
// starts again on the new one.
//
// The POSIX implementation is dump_file_posix.cpp. On Windows (dump_file_win32.cpp) the lock is
// a named mutex of the file's full path, held by every program of ours that saves onto that
// dump, and a signal does not end the wait for it.

#include "register_dump.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// An `lspci -xxxx` dump of a whole machine is some tens of KiB.
constexpr size_t DumpSizeLimit = 1024 * 1024;
constexpr int DumpLockSeconds = 10;

// Another program has held the dump for DumpLockSeconds.
class DumpBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A signal came while the program waited for the dump or its data: the program is asked to stop.
class DumpInterrupted : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DumpFile {
public:
    // Throws DumpError (cannot be read, larger than DumpSizeLimit), DumpBusy or DumpInterrupted.
    DumpFile(const std::string& path, bool forUpdate);
    ~DumpFile();
    DumpFile(const DumpFile&) = delete;
    DumpFile& operator=(const DumpFile&) = delete;

    const std::string& path() const { return path_; }
    const std::string& text() const { return text_; }
    // Whether `other` names the file that was read (after links); false when it does not exist.
    bool IsFile(const std::string& other) const;

private:
    std::string path_;
    std::string text_;
    std::intptr_t handle_ = -1;  // the file's descriptor, locked for an update; on Windows the lock
    bool held_ = false;
};

// Whether two names lead to one existing file.
bool NamesOneFile(const std::string& a, const std::string& b);

// Reads a dump file of at most 1 MiB; throws DumpError, or DumpInterrupted when a signal stops
// the reading.
ConfigSpace ReadRegisterDumpFile(const std::string& path);
// Written whole or not at all (whole_file.h); throws FileWriteError.
void WriteRegisterDumpFile(const std::string& path, const ConfigSpace& space);
