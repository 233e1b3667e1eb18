#pragma once
// A buffer locked in memory for the memory test: the pages are resident and stay where they
// are, so that the test reads back the very DRAM cells it wrote rather than a page that went to
// swap and came back elsewhere. locked_memory_posix.cpp (mmap and mlock: root, or within
// RLIMIT_MEMLOCK), locked_memory_win32.cpp (VirtualAlloc and VirtualLock after raising the
// working set; Windows 95, 98 and ME cannot lock, and there the buffer is merely allocated).

#include <cstddef>
#include <cstdint>
#include <string>

// The machine's physical memory in bytes; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();

class LockedMemory {
public:
    // Throws std::runtime_error when the memory cannot be had at all. A buffer that could be
    // allocated but not locked is kept: Locked() says so, and LockError() why.
    explicit LockedMemory(size_t bytes);
    ~LockedMemory();
    LockedMemory(const LockedMemory&) = delete;
    LockedMemory& operator=(const LockedMemory&) = delete;

    uint32_t* Words() const { return static_cast<uint32_t*>(base_); }
    size_t WordCount() const { return bytes_ / sizeof(uint32_t); }
    size_t Bytes() const { return bytes_; }
    bool Locked() const { return locked_; }
    const std::string& LockError() const { return lockError_; }

private:
    void* base_ = nullptr;
    size_t bytes_ = 0;
    bool locked_ = false;
    std::string lockError_;
};
