// Dump files on Windows 95 to XP. A file open on Windows cannot be replaced by another, so the
// lock is not on the file but a named mutex of its full path: the saving program replaces the
// file while it holds the mutex, and a program that waited reads the new file.
#include "dump_file.h"

#include "error_text_win32.h"

#include <cctype>

#include <windows.h>

namespace {

// The full path, in capitals: Windows' file names do not tell case apart.
std::string FullName(const std::string& path)
{
    char full[MAX_PATH];
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    std::string text = length > 0 && length < sizeof full ? std::string(full, length) : path;
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HANDLE Lock(const std::string& path)
{
    std::string name = "i815quarvel:dump:" + FullName(path);
    for (char& c : name)
        if (c == '\\')
            c = '/';  // a backslash would name a namespace
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (!mutex)
        throw DumpError(path + ": cannot be locked: " + ErrorText(GetLastError()));
    switch (WaitForSingleObject(mutex, DumpLockSeconds * 1000)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder ended without letting go
        return mutex;
    case WAIT_TIMEOUT:
        CloseHandle(mutex);
        throw DumpBusy(path + ": another program has been changing this dump for " +
                       std::to_string(DumpLockSeconds) + " seconds; try again when it is done");
    default: {
        const DWORD code = GetLastError();
        CloseHandle(mutex);
        throw DumpError(path + ": cannot be locked: " + ErrorText(code));
    }
    }
}

}  // namespace

DumpFile::DumpFile(const std::string& path, bool forUpdate) : path_(path)
{
    if (forUpdate)
        mutex_ = Lock(path);
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    auto fail = [&](const std::string& why) {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (mutex_) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
            mutex_ = nullptr;
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
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool DumpFile::IsFile(const std::string& other) const { return NamesOneFile(path_, other); }

bool NamesOneFile(const std::string& a, const std::string& b)
{
    return Exists(a) && Exists(b) && FullName(a) == FullName(b);
}
