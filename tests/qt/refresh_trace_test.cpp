// The first refresh, port by port: each check box, radio group and track bar whose state
// differs from the chip is written back exactly once, with the value just read, in a chain of
// nested refreshes; lists raise nothing while a refresh sets them.
#include "window_fixture.h"

#include "field_map.h"

#include <random>

using Trace = std::vector<PortOperation>;

class RefreshTraceTest : public WindowTest {
protected:
    void Image(uint32_t gmchcfg, uint32_t miscc, uint32_t agpcmd, uint32_t agp4x, uint32_t sm, uint32_t timers)
    {
        chip.SetDword(0x50, gmchcfg);
        chip.SetDword(0x70, miscc);
        chip.SetDword(0xA8, agpcmd);
        chip.SetDword(0xB0, agp4x);
        chip.SetDword(0x9C, sm);
        chip.SetDword(0xBC, timers);
    }
};

// No flag set and both timers 0: only the four radio groups differ from their empty start.
TEST_F(RefreshTraceTest, TheWholeFirstRefreshOnAQuietChip)
{
    Image(0x05000000, 0x00000000, 0x1F000104, 0x00000000, 0x00000000, 0x00000000);
    Open();
    const auto R = [&](uint32_t offset, uint32_t value) {
        return Trace{Out(0xCF8, 0x80000000 | offset), In(0xCFC, value)};
    };
    const auto W = [&](uint32_t offset, uint32_t value) {
        return Trace{Out(0xCF8, 0x80000000 | offset), Out(0xCFC, value)};
    };
    const auto reads = [&] {
        Trace t;
        for (const Trace& part : {R(0xB0, 0), R(0xA8, 0x1F000104), R(0x70, 0), R(0x9C, 0), R(0x50, 0x05000000)})
            t.insert(t.end(), part.begin(), part.end());
        return t;
    };
    Trace expected{In(0xCF8, 0), In(0xCFC, 0xFFFFFFFF)};
    for (const Trace& part : {R(0x00, 0x11308086), R(0x08, 0x06000002), R(0x50, 0x05000000), R(0xBC, 0), R(0x54, 0)})
        expected.insert(expected.end(), part.begin(), part.end());
    // CAS (set), RAS to CAS (clear), RAS (set), DCT (clear): each written back as read, each
    // starting the next level, in the refresh's own order.
    for (int level = 0; level < 4; ++level) {
        for (const Trace& part : {reads(), R(0x50, 0x05000000), W(0x50, 0x05000000)})
            expected.insert(expected.end(), part.begin(), part.end());
    }
    // The innermost level finds nothing more; then each level, inner first, reads the timers.
    for (const Trace& part : {reads()})
        expected.insert(expected.end(), part.begin(), part.end());
    for (int level = 0; level < 5; ++level)
        for (const Trace& part : {R(0xBC, 0), R(0xBC, 0)})
            expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(chip.Trace(), expected);
    EXPECT_EQ(form->core().deepestRefreshNesting(), 5);
    EXPECT_TRUE(messages.isEmpty());
}

// On busy chips: as many writes as controls that raise events and differ at the first refresh
// (set flags, the four radio groups, non-zero timers), each equal to the read just before it.
TEST_F(RefreshTraceTest, EachDifferingControlIsWrittenBackOnceWithTheValueRead)
{
    std::mt19937 random(0x9C);
    for (int round = 0; round < 40; ++round) {
        chip = EmulatedI815();
        chip.KeepTrace();
        Image(random() & ~0x100u, random() & ~0x80000u, 0x1F000300 | (random() & 0x10) | 4, random() & 0x81,
              random() & 0x8000, random() & 0xF8F8);
        // Counted from the data sheet's bits, not from the window's field table.
        const uint32_t gmch = chip.Dword(0x50), miscc = chip.Dword(0x70), agp = chip.Dword(0xA8), bc = chip.Dword(0xBC);
        int expected = 4;  // CAS, RAS to CAS, RAS, Tras/Trc
        for (uint32_t bit : {6u, 27u})  // CLT, HACQS
            expected += (gmch >> bit) & 1;
        for (uint32_t bit : {17u, 27u, 29u, 19u})  // BNR, CPC, SM, THRLOCK
            expected += (miscc >> bit) & 1;
        expected += ((agp >> 9) & 1) + ((agp >> 4) & 1) + (chip.Dword(0xB0) & 1) + ((chip.Dword(0x9C) >> 15) & 1);
        expected += (bc & 0xFF) != 0;
        expected += (bc & 0xFF00) != 0;

        messages.clear();
        Open();
        const std::vector<Cycle> cycles = Cycles(chip.Trace());
        int writes = 0;
        for (size_t i = 0; i < cycles.size(); ++i) {
            if (!cycles[i].write)
                continue;
            ++writes;
            ASSERT_GT(i, 0u);
            EXPECT_FALSE(cycles[i - 1].write);
            EXPECT_EQ(cycles[i - 1].offset, cycles[i].offset) << "a read-modify-write of one dword";
            // As read, but for E_SMRAM_ERR (0x70 bit 0), which a written 1 would clear.
            const uint32_t clearOnWrite = cycles[i].offset == 0x70 ? 1 : 0;
            EXPECT_EQ(cycles[i].value, cycles[i - 1].value & ~clearOnWrite) << "written back as read, round " << round;
        }
        EXPECT_EQ(writes, expected) << "round " << round;
        EXPECT_EQ(form->core().deepestRefreshNesting(), 1 + expected);
        form.reset();
    }
}

// After every handler but SMScomboChange, a whole refresh follows its write.
TEST_F(RefreshTraceTest, EveryWriteButTheSdramModesIsFollowedByARefresh)
{
    Open();
    form->show();
    form->timer()->stop();
    const std::vector<uint32_t> refresh{0xB0, 0xA8, 0x70, 0x9C, 0x50, 0xBC, 0xBC};
    const struct {
        const char* name;
        std::function<void()> handler;
        bool refreshes;
    } handlers[] = {
        {"AGP4XOVRcbClick", [&] { form->core().AGP4XOVRcbClick(); }, true},
        {"AGPSBAcbClick", [&] { form->core().AGPSBAcbClick(); }, true},
        {"AGPFWcbClick", [&] { form->core().AGPFWcbClick(); }, true},
        {"AGPMODEcomboChange", [&] { form->core().AGPMODEcomboChange(); }, true},
        {"AMTTChange", [&] { form->core().AMTTChange(); }, true},
        {"LPTTChange", [&] { form->core().LPTTChange(); }, true},
        {"CLTcbClick", [&] { form->core().CLTcbClick(); }, true},
        {"DPCPcomboChange", [&] { form->core().DPCPcomboChange(); }, true},
        {"MAGcomboChange", [&] { form->core().MAGcomboChange(); }, true},
        {"BNRcbClick", [&] { form->core().BNRcbClick(); }, true},
        {"CPCcbClick", [&] { form->core().CPCcbClick(); }, true},
        {"SMcbClick", [&] { form->core().SMcbClick(); }, true},
        {"THRLOCKcbClick", [&] { form->core().THRLOCKcbClick(); }, true},
        {"RDTHRcomboChange", [&] { form->core().RDTHRcomboChange(); }, true},
        {"WRTHRcomboChange", [&] { form->core().WRTHRcomboChange(); }, true},
        {"CASgrClick", [&] { form->core().CASgrClick(); }, true},
        {"RAS2CASgrClick", [&] { form->core().RAS2CASgrClick(); }, true},
        {"RASgrClick", [&] { form->core().RASgrClick(); }, true},
        {"DCTgrClick", [&] { form->core().DCTgrClick(); }, true},
        {"SMScomboChange", [&] { form->core().SMScomboChange(); }, false},
        {"HACQScbClick", [&] { form->core().HACQScbClick(); }, true},
        {"TDLLEcbClick", [&] { form->core().TDLLEcbClick(); }, true},
    };
    ASSERT_EQ(std::size(handlers), 22u);
    for (const auto& h : handlers) {
        SCOPED_TRACE(h.name);
        chip.ClearTrace();
        h.handler();
        const std::vector<Cycle> cycles = Cycles(chip.Trace());
        ASSERT_GE(cycles.size(), 2u);
        EXPECT_FALSE(cycles[0].write);
        EXPECT_TRUE(cycles[1].write);
        std::vector<uint32_t> after;
        for (size_t i = 2; i < cycles.size(); ++i)
            after.push_back(cycles[i].offset);
        EXPECT_EQ(after, h.refreshes ? refresh : std::vector<uint32_t>{});
    }
}
