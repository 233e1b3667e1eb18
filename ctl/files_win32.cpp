// i815ctl's files on Windows 95 to XP: the ANSI functions of kernel32 only.
#include "files.h"

#include "exit_status.h"

#include <cerrno>
#include <cstring>

#include <windows.h>

namespace {

// The last error in the words of the C library where it has them, as on Linux; else the
// system's text, on one line.
std::string LastError()
{
    const DWORD code = GetLastError();
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return std::strerror(EACCES);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return std::strerror(EEXIST);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::strerror(ENOSPC);
    default: break;
    }
    char text[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ' ||
                          text[length - 1] == '.'))
        --length;
    return length > 0 ? std::string(text, length) : "error " + std::to_string(code);
}

bool WriteAll(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    return text.empty() || (WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) &&
                            written == text.size());
}

std::string WithCrLf(const std::string& text)
{
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    return lines;
}

// MoveFileEx replaces a file in one step on NT-family Windows; Windows 95, 98 and ME have it
// only as a stub that fails, so it is looked up, and there the old file goes first.
bool ReplaceWith(const std::string& temporary, const std::string& path)
{
    using MoveFileExFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    const FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "MoveFileExA");
    const auto moveFileEx = reinterpret_cast<MoveFileExFn>(reinterpret_cast<void (*)()>(found));
    if (moveFileEx && moveFileEx(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (moveFileEx && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    DeleteFileA(path.c_str());
    return MoveFileA(temporary.c_str(), path.c_str()) != 0;
}

}  // namespace

std::string ReadRegularFile(const std::string& path, size_t limit)
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

void WriteTextFileWhole(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp-i815ctl";
    const HANDLE file =
        CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw StatusError(ExitFailure, path + ": cannot be written: " + LastError());
    const bool written = WriteAll(file, WithCrLf(text)) && FlushFileBuffers(file);
    const std::string why = written ? std::string() : LastError();
    CloseHandle(file);
    if (!written) {
        DeleteFileA(temporary.c_str());
        throw StatusError(ExitFailure, path + ": writing failed: " + why);
    }
    if (!ReplaceWith(temporary, path)) {
        const std::string reason = LastError();
        DeleteFileA(temporary.c_str());
        throw StatusError(ExitFailure, path + ": cannot be replaced: " + reason);
    }
}

void SyncFolder(const std::string&) {}  // a folder's names reach the disk with its files here

// "C:\i815quarvel\my.conf": "C:\i815quarvel"; "C:\my.conf": "C:\"; "C:my.conf": "C:", the
// current folder of drive C; "my.conf": ".".
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) {
        const bool root = slash == 0 || (slash == 2 && path[1] == ':');
        return path.substr(0, root ? slash + 1 : slash);
    }
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    return ".";
}

std::string PathIn(const std::string& folder, const std::string& name)
{
    const char last = folder.empty() ? '\\' : folder.back();
    return last == '\\' || last == '/' || last == ':' ? folder + name : folder + "\\" + name;
}

void MakeFolder(const std::string& folder)
{
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw StatusError(ExitFailure, folder + ": cannot be made: " + LastError());
    }
}

void WriteNewFileSynced(const std::string& path, const std::string& text)
{
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw StatusError(ExitFailure, path + ": cannot be made: " + LastError());
    const bool written = WriteAll(file, WithCrLf(text)) && FlushFileBuffers(file);
    CloseHandle(file);
    if (!written) {
        DeleteFileA(path.c_str());
        throw StatusError(ExitFailure, path + ": cannot be written");
    }
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string FirstLine(const std::string& path)
{
    try {
        const std::string text = ReadRegularFile(path, 4096);
        std::string line = text.substr(0, text.find('\n'));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    } catch (const StatusError&) {
        return {};
    }
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

std::string RemoveFileCommand(const std::string& path) { return "del \"" + path + "\""; }

std::string LocalTimeNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    return text;
}
