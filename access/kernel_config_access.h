#pragma once
// The kernel's own configuration access: the sysfs file of device 0000:00:00.0. Reads and
// writes of 4 bytes at aligned offsets are single dword cycles, made under the kernel's PCI
// lock, so each is whole against everything else on the machine; a read-modify-write still
// takes the lock between programs. Needs no I/O-port support in the kernel.

#include "config_access.h"

#include <string>

class KernelConfigAccess : public ConfigAccess {
public:
    // The host bridge's file, for the helper and the route chooser alike.
    static constexpr const char* DefaultPath = "/sys/bus/pci/devices/0000:00:00.0/config";

    // Opens the file for reading, or for reading and writing; throws AccessRefused.
    KernelConfigAccess(const std::string& path, bool forWriting, CycleLock* lock);
    ~KernelConfigAccess() override;
    KernelConfigAccess(const KernelConfigAccess&) = delete;
    KernelConfigAccess& operator=(const KernelConfigAccess&) = delete;

private:
    uint32_t ReadDword(uint32_t offset) override;
    void WriteDword(uint32_t offset, uint32_t value) override;

    std::string path_;
    int fd_ = -1;
};
