// Files written whole on Windows 95 to XP, with the ANSI functions of kernel32 only.
#include "whole_file.h"

#include "error_text_win32.h"
#include "paths.h"

#include <windows.h>

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what, DWORD code)
{
    throw FileWriteError(path + ": " + what + ": " + ErrorText(code));
}

bool WriteAll(HANDLE file, const std::string& content)
{
    DWORD written = 0;
    return content.empty() ||
           (WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr) && written == content.size());
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
    if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    return MoveFileA(temporary.c_str(), path.c_str()) != 0;
}

}  // namespace

void WriteWholeFile(const std::string& path, const std::string& content)
{
    if (path.empty() || path.back() == '/' || path.back() == '\\' || path.back() == ':')
        throw FileWriteError(path + ": not a file name");
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FileWriteError(path + ": not a regular file; not replaced");

    char name[MAX_PATH];
    if (!GetTempFileNameA(FolderOf(path).c_str(), "i81", 0, name))  // made, empty, by the system
        Fail(path, "cannot be written", GetLastError());
    const std::string temporary(name);
    const HANDLE file =
        CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        DeleteFileA(name);
        Fail(path, "cannot be written", code);
    }
    const bool written = WriteAll(file, content) && FlushFileBuffers(file);
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!written) {
        DeleteFileA(name);
        Fail(path, "writing failed", code);
    }
    if (exists)
        SetFileAttributesA(name, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (!ReplaceWith(temporary, path)) {
        const DWORD reason = GetLastError();
        DeleteFileA(name);
        Fail(path, "cannot be replaced", reason);
    }
}

std::string SystemTextLines(const std::string& text)
{
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    return lines;
}
