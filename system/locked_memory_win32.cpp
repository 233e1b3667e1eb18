// VirtualLock locks no more than the process's minimum working set allows, so that is raised
// first, by the buffer and some room for the program itself. Both functions are looked up:
// Windows 95, 98 and ME export them as stubs that fail, and NT's are what counts.
#include "locked_memory.h"

#include "error_text_win32.h"

#include <stdexcept>

#include <windows.h>

namespace {

FARPROC Kernel32(const char* name)
{
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}

}  // namespace

uint64_t PhysicalMemoryBytes()
{
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);  // Windows 95 has it; its figure stops at 4 GiB
    return status.dwTotalPhys;
}

LockedMemory::LockedMemory(size_t bytes) : bytes_(bytes)
{
    base_ = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!base_)
        throw std::runtime_error("cannot allocate the memory test's buffer: " + ErrorText(GetLastError()));
    using SetWorkingSetFn = BOOL(WINAPI*)(HANDLE, SIZE_T, SIZE_T);
    using LockFn = BOOL(WINAPI*)(LPVOID, SIZE_T);
    const auto setWorkingSet = reinterpret_cast<SetWorkingSetFn>(
        reinterpret_cast<void (*)()>(Kernel32("SetProcessWorkingSetSize")));
    const auto lock = reinterpret_cast<LockFn>(reinterpret_cast<void (*)()>(Kernel32("VirtualLock")));
    const SIZE_T room = 8 * 1024 * 1024;
    if (!setWorkingSet || !lock) {
        lockError_ = "cannot lock it in memory: this Windows cannot";
        return;
    }
    if (setWorkingSet(GetCurrentProcess(), bytes + room, bytes + 2 * room) && lock(base_, bytes))
        locked_ = true;
    else
        lockError_ = "cannot lock it in memory: " + ErrorText(GetLastError());
}

LockedMemory::~LockedMemory()
{
    if (base_)
        VirtualFree(base_, 0, MEM_RELEASE);
}
