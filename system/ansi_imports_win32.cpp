// Three Unicode functions of kernel32 that the runtime libraries call: libgcc's thread code
// makes its semaphores with CreateSemaphoreW, and mingw-w64's C runtime looks up msvcrt.dll and
// advapi32.dll with GetModuleHandleW and LoadLibraryW. Windows 95, 98 and ME have no working
// Unicode versions of these. Linked into every program (not taken from a library, so it comes
// before the import libraries), this file fills their import slots with small functions that
// call the ANSI versions, which every Windows has. The callers only ever pass no name (the
// semaphores) or a short ASCII name (the DLLs).
#include <windows.h>

namespace {

// An ASCII name as ANSI; false for any other.
bool Narrow(LPCWSTR wide, char (&narrow)[MAX_PATH])
{
    size_t i = 0;
    for (; wide[i]; ++i) {
        if (wide[i] > 0x7F || i + 1 >= MAX_PATH)
            return false;
        narrow[i] = char(wide[i]);
    }
    narrow[i] = '\0';
    return true;
}

HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name)
{
    char narrow[MAX_PATH];
    if (name && !Narrow(name, narrow)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return CreateSemaphoreA(attributes, initial, maximum, name ? narrow : nullptr);
}

HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name)
{
    char narrow[MAX_PATH];
    if (name && !Narrow(name, narrow)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return GetModuleHandleA(name ? narrow : nullptr);
}

HMODULE WINAPI LoadLibraryAnsi(LPCWSTR name)
{
    char narrow[MAX_PATH];
    if (!name || !Narrow(name, narrow)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return LoadLibraryA(narrow);
}

}  // namespace

// The import slots, by the names the callers' code reads them from.
extern "C" {
extern void* const ImportCreateSemaphoreW __asm__("__imp__CreateSemaphoreW@16");
extern void* const ImportGetModuleHandleW __asm__("__imp__GetModuleHandleW@4");
extern void* const ImportLoadLibraryW __asm__("__imp__LoadLibraryW@4");
void* const ImportCreateSemaphoreW = reinterpret_cast<void*>(&CreateSemaphoreAnsi);
void* const ImportGetModuleHandleW = reinterpret_cast<void*>(&GetModuleHandleAnsi);
void* const ImportLoadLibraryW = reinterpret_cast<void*>(&LoadLibraryAnsi);
}
