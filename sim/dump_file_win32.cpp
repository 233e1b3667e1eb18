// Dump files on Windows 95 to XP. A file open on Windows cannot be replaced by another, so the
// lock is not on the file but a named mutex of its full path: the saving program replaces the
// file while it holds the mutex, and a program that waited reads the new file.
#include "dump_file.h"

#include "error_text_win32.h"
#include "named_mutex_win32.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HANDLE Lock(const std::string& path)
{
    const HANDLE mutex = OpenNamedMutex("dump:" + FullPathName(path));
    if (!mutex)
        throw DumpError(path + ": cannot be locked: " + ErrorText(GetLastError()));
    const LockWait wait = WaitForMutex(mutex, DumpLockSeconds * 1000);
    if (wait == LockWait::Taken)
        return mutex;
    const DWORD code = GetLastError();
    CloseHandle(mutex);
    if (wait == LockWait::TimedOut)
        throw DumpBusy(path + ": another program has been changing this dump for " +
                       std::to_string(DumpLockSeconds) + " seconds; try again when it is done");
    throw DumpError(path + ": cannot be locked: " + ErrorText(code));
}

HANDLE Mutex(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

void Unlock(std::intptr_t handle)
{
    ReleaseMutex(Mutex(handle));
    CloseHandle(Mutex(handle));
}

}  // namespace

DumpFile::DumpFile(const std::string& path, bool forUpdate) : path_(path)
{
    if (forUpdate) {
        handle_ = reinterpret_cast<std::intptr_t>(Lock(path));
        held_ = true;
    }
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    auto fail = [&](const std::string& why) {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (held_) {
            Unlock(handle_);
            held_ = false;
        }
        throw DumpError(path + ": " + why);
    };
    if (file == INVALID_HANDLE_VALUE)
        fail("cannot be read: " + ErrorText(GetLastError()));
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            if (GetLastError() == ERROR_BROKEN_PIPE)  // a pipe's writer is done
                break;
            fail("cannot be read: " + ErrorText(GetLastError()));
        }
        if (got == 0)
            break;
        text_.append(buffer, got);
        if (text_.size() > DumpSizeLimit)
            fail("larger than 1 MiB; a dump of `lspci -xxx` is a few KiB");
    }
    CloseHandle(file);
}

DumpFile::~DumpFile()
{
    if (held_)
        Unlock(handle_);
}

bool DumpFile::IsFile(const std::string& other) const { return NamesOneFile(path_, other); }

bool NamesOneFile(const std::string& a, const std::string& b)
{
    return Exists(a) && Exists(b) && FullPathName(a) == FullPathName(b);
}
