#include "locked_memory.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

uint64_t PhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
}

LockedMemory::LockedMemory(size_t bytes) : bytes_(bytes)
{
    base_ = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base_ == MAP_FAILED) {
        base_ = nullptr;
        throw std::runtime_error(std::string("cannot allocate the memory test's buffer: ") + std::strerror(errno));
    }
    // mlock also faults every page in, so that the test starts on resident memory.
    if (mlock(base_, bytes) == 0)
        locked_ = true;
    else
        lockError_ = errno == ENOMEM || errno == EPERM
                         ? std::string("cannot lock it in memory (") + std::strerror(errno)
                               + "; root, or a higher RLIMIT_MEMLOCK, can)"
                         : std::string("cannot lock it in memory: ") + std::strerror(errno);
}

LockedMemory::~LockedMemory()
{
    if (base_)
        munmap(base_, bytes_);  // unlocks as well
}
