#pragma once
// Another host bridge, known from the IDs that the kernel shows everyone (sysfs_identity.h):
// answers the identity read, so that a program refuses it as it refuses any other, without a
// helper or a password; the ports have nothing to keep; anything else is a fault.

#include "config_access.h"

class ForeignBridgeAccess : public ConfigAccess {
public:
    explicit ForeignBridgeAccess(uint32_t identity) : identity_(identity) {}
    uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override;

private:
    uint32_t ReadDword(uint32_t offset) override;
    void WriteDword(uint32_t offset, uint32_t value) override;

    uint32_t identity_;
};
