#pragma once
// The chip through i815quarvel.sys on NT-family Windows: each read and each read-modify-write
// is one request to the driver's device, which checks it against the field table and makes the
// cycles through the HAL, under its own lock. The driver makes no plain writes; it has no
// ports to save.

#include "config_access.h"

#include <memory>

class DriverConfigAccess : public ConfigAccess {
public:
    // Opens \\.\I815Quarvel, with SeLoadDriverPrivilege enabled, which the driver asks for.
    // nullptr when the device does not exist (the driver is not running); throws AccessRefused
    // (EPERM) when the user may not open it.
    static std::unique_ptr<DriverConfigAccess> Open();
    ~DriverConfigAccess() override;
    DriverConfigAccess(const DriverConfigAccess&) = delete;
    DriverConfigAccess& operator=(const DriverConfigAccess&) = delete;

    uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override;

private:
    explicit DriverConfigAccess(void* device) : device_(device) {}
    uint32_t ReadDword(uint32_t offset) override;
    void WriteDword(uint32_t offset, uint32_t value) override;
    uint32_t Ask(uint32_t code, const void* request, unsigned long size);

    void* device_;  // the device's handle
};
