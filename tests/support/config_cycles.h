#pragma once
// A port trace of the emulated chip read as configuration cycles: reads and writes of dwords.

#include "emulated_i815.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

struct Cycle {
    bool write;
    uint32_t offset, value;
};

inline std::vector<Cycle> Cycles(const std::vector<PortOperation>& trace)
{
    std::vector<Cycle> cycles;
    bool addressed = false;  // the port save reads the data port before any address
    uint32_t address = 0;
    for (const PortOperation& op : trace) {
        if (op.port == 0xCF8 && op.direction == PortOperation::Out) {
            address = op.value & 0xFF;
            addressed = true;
        } else if (op.port == 0xCFC && addressed) {
            cycles.push_back({op.direction == PortOperation::Out, address, op.value});
        }
    }
    return cycles;
}

// The configuration writes: (offset, value) pairs.
inline std::vector<std::pair<uint32_t, uint32_t>> ConfigWrites(const std::vector<PortOperation>& trace)
{
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const Cycle& cycle : Cycles(trace))
        if (cycle.write)
            writes.emplace_back(cycle.offset, cycle.value);
    return writes;
}

inline size_t ReadsOf(uint32_t offset, const std::vector<PortOperation>& trace)
{
    size_t reads = 0;
    for (const Cycle& cycle : Cycles(trace))
        reads += !cycle.write && cycle.offset == offset;
    return reads;
}
