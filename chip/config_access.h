#pragma once
// Configuration space of bus 0, device 0, function 0: the host bridge. Whole 32-bit dwords only.
//
// One small interface with interchangeable back ends, as pciutils' access methods: the kernel's
// own configuration file, the privileged helper over its socket or pipe, and mechanism #1
// through the port layer (in this process). route/chip_route.h chooses one for each program;
// the free functions below talk to whichever is selected and never know which.

#include <cstdint>

constexpr uint16_t ConfigAddressPort = 0xCF8;
constexpr uint16_t ConfigDataPort = 0xCFC;
constexpr uint32_t ConfigEnableBit = 0x80000000;  // bus, device and function all 0
constexpr uint32_t HostBridgeId = 0x11308086;      // device 0x1130, vendor 0x8086: i815

// The lock between our programs that makes a read-modify-write whole (access/config_lock.h).
class CycleLock {
public:
    virtual ~CycleLock() = default;
    virtual void Acquire() = 0;
    virtual void Release() = 0;
};

// Holds a lock, when there is one, for as long as it lives.
class HeldLock {
public:
    explicit HeldLock(CycleLock* lock) : lock_(lock)
    {
        if (lock_)
            lock_->Acquire();
    }
    ~HeldLock()
    {
        if (lock_)
            lock_->Release();
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

private:
    CycleLock* lock_;
};

// What every caller uses, whatever the back end. As the kernel's generic PCI access layer does
// for its bus operations, the offset check, the lock and the read-modify-write are made here,
// once; a back end only reads and writes one dword.
class ConfigAccess {
public:
    virtual ~ConfigAccess() = default;
    // Throws std::out_of_range for an offset that is no dword of the 256 bytes.
    uint32_t Read(uint32_t offset);
    void Write(uint32_t offset, uint32_t value);
    // One read-modify-write, whole against every other user of the chip: the bits of mask
    // take their values from bits, every other bit goes back as read, except the status bits
    // that a written 1 would clear (ModifiedDword). Returns the value written. A back end that
    // reaches a chip which makes the read-modify-write itself (the helper) overrides it.
    virtual uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits);
    // The address port as the program found it; back ends without ports have nothing to keep.
    virtual void SavePorts() {}
    virtual void RestorePorts() {}

protected:
    // Which accesses take the lock: only read-modify-writes where each dword access is whole
    // by itself (the kernel's file), every one where a cycle is two port instructions.
    enum class Locking { ReadModifyWrite, EveryAccess };
    explicit ConfigAccess(CycleLock* lock = nullptr, Locking locking = Locking::ReadModifyWrite)
        : lock_(lock), locking_(locking)
    {
    }
    CycleLock* lock() const { return lock_; }

    // `offset` is a multiple of 4 below 0x100.
    virtual uint32_t ReadDword(uint32_t offset) = 0;
    virtual void WriteDword(uint32_t offset, uint32_t value) = 0;

private:
    CycleLock* EachAccessLock() const { return locking_ == Locking::EveryAccess ? lock_ : nullptr; }

    CycleLock* lock_;
    Locking locking_;
};

// Selects the back end for all later accesses; the caller keeps ownership.
void SelectConfigAccess(ConfigAccess* access);
ConfigAccess& CurrentConfigAccess();

// Both ports as the program found them, filled by SaveConfigPorts on the port back ends.
extern uint32_t SavedConfigAddress;
extern uint32_t SavedConfigData;

uint32_t ReadConfig(uint32_t offset);
void WriteConfig(uint32_t offset, uint32_t value);

// Read-modify-write of the bits of mask in one dword; all other bits go back as read.
// Returns the value written. (The window's SetConfigBits adds the refresh.)
uint32_t ModifyConfigBits(uint32_t offset, uint32_t mask, bool set);

// Reads the address port, then the data port; nothing is written before.
void SaveConfigPorts();

// Puts the saved address back into the address port. The saved data is deliberately not
// written back: that would be a configuration write of a stale value into whatever register
// the saved address selects (dword 0x50 would lose the user's own timing change).
void RestoreConfigPorts();
