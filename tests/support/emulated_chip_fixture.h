#pragma once
// Selects a fresh emulated i815 as the port back end for each test.

#include "config_access.h"
#include "mechanism1_access.h"
#include "emulated_i815.h"
#include "port_access.h"

#include <gtest/gtest.h>

class EmulatedChipTest : public ::testing::Test {
protected:
    EmulatedChipTest() { chip.KeepTrace(); }
    void SetUp() override { SelectPortAccess(&chip); }
    void TearDown() override { SelectPortAccess(nullptr); }

    static PortOperation In(uint16_t port, uint32_t value) { return {PortOperation::In, port, value}; }
    static PortOperation Out(uint16_t port, uint32_t value) { return {PortOperation::Out, port, value}; }

    EmulatedI815 chip;
};

inline void PrintTo(const PortOperation& op, std::ostream* os)
{
    *os << (op.direction == PortOperation::In ? "IN " : "OUT ") << std::hex << "0x" << op.port
        << " 0x" << op.value;
}
