// i815ctl's files and clocks on Windows 95 to XP: the ANSI functions of kernel32 only.
#include "files.h"

#include "exit_status.h"
#include "error_text_win32.h"
#include "interruption.h"
#include "named_mutex_win32.h"

#include <cerrno>

#include <windows.h>

namespace {

std::string LastError() { return ErrorText(GetLastError()); }

bool WriteAll(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    return text.empty() ||
           (WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size());
}

}  // namespace

std::string ReadRegularFile(const std::string& path, size_t limit, bool)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw StatusError(ExitBadInput, path + ": cannot be read: " + LastError());
    if (GetFileType(file) != FILE_TYPE_DISK) {  // a console, a pipe, a device: never waited on
        CloseHandle(file);
        throw StatusError(ExitBadInput, path + ": not a regular file");
    }
    std::string text;
    char buffer[8192];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0 && text.size() <= limit)
        text.append(buffer, got);
    const std::string why = ok ? std::string() : LastError();
    CloseHandle(file);
    if (!ok)
        throw StatusError(ExitBadInput, path + ": cannot be read: " + why);
    return text;
}

void MakeFolder(const std::string& folder, bool)
{
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const std::string why = LastError();
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw StatusError(ExitFailure, folder + ": cannot be made: " + why);
    }
}

void SyncFolder(const std::string&) {}  // a folder's names reach the disk with its files here

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string SmallFileText(const std::string& path)
{
    try {
        return ReadRegularFile(path, 4096).substr(0, 4096);
    } catch (const StatusError&) {
        return {};
    }
}

void WriteFileSynced(const std::string& path, const std::string& text)
{
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw StatusError(ExitFailure, path + ": cannot be made: " + LastError());
    const bool written = WriteAll(file, text) && FlushFileBuffers(file);
    CloseHandle(file);
    if (!written) {
        DeleteFileA(path.c_str());
        throw StatusError(ExitFailure, path + ": cannot be written");
    }
}

int RemoveFileIfThere(const std::string& path)
{
    if (DeleteFileA(path.c_str()))
        return 0;
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return 0;
    return ErrnoOf(code) ? ErrnoOf(code) : EIO;
}

std::string RemoveFileCommand(const std::string& path, bool) { return "del \"" + path + "\""; }

// A named mutex of the path: Windows 95 cannot lock a file that another program replaces. The
// wait looks at the console's interruptions ten times a second.
MarkerLock::MarkerLock(const std::string& path, int seconds)
{
    const HANDLE mutex = OpenNamedMutex("marker:" + FullPathName(path));
    if (!mutex) {
        why_ = path + ": cannot be opened: " + LastError();
        return;
    }
    for (int tenths = 0; tenths < seconds * 10; ++tenths) {
        if (Interrupted()) {
            interrupted_ = true;
            why_ = path + ": the wait for it was interrupted";
            break;
        }
        const LockWait wait = WaitForMutex(mutex, 100);
        if (wait == LockWait::Taken) {
            handle_ = reinterpret_cast<std::intptr_t>(mutex);
            held_ = true;
            return;
        }
        if (wait == LockWait::Failed) {
            why_ = path + ": cannot be locked: " + LastError();
            break;
        }
    }
    if (why_.empty())
        why_ = path + ": held by another program for " + std::to_string(seconds) + " seconds";
    CloseHandle(mutex);
}

MarkerLock::~MarkerLock()
{
    if (!held_)
        return;
    const HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

std::string LocalTimeNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    return text;
}

// Windows has no boot identity: the minute (UTC) that the system started, the clock now less the
// time since the start. A marker whose minute comes out one later is taken for an earlier
// boot's, which refuses an apply rather than let one pass.
std::string ThisBoot(const std::string&)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime;
    const unsigned long long started = ticks - (unsigned long long)GetTickCount() * 10000;  // 100 ns units
    const unsigned long long minute = started / 600000000ull * 600000000ull;
    FILETIME startedAt{DWORD(minute), DWORD(minute >> 32)};
    SYSTEMTIME at;
    if (!FileTimeToSystemTime(&startedAt, &at))
        return {};
    char text[32];
    wsprintfA(text, "started-%04u-%02u-%02uT%02u:%02uZ", at.wYear, at.wMonth, at.wDay, at.wHour, at.wMinute);
    return text;
}

// GetTickCount's milliseconds since the system started wrap after 49.7 days: within this
// program, which calls it at least once a minute while it waits, the wrap is counted.
double RunningSeconds()
{
    static DWORD last = 0;
    static double wrapped = 0;
    const DWORD now = GetTickCount();
    if (now < last && last - now > 0x80000000u)  // a wrap, not a tick read out of turn
        wrapped += 4294967.296;
    last = now;
    return wrapped + now / 1000.0;
}
