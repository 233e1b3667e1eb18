// The form core alone, without a toolkit, on the emulated chip: what reaches the chip and when.
#include "form_fixture.h"

#include "help_texts.h"

#include <random>
#include <stdexcept>

using Trace = std::vector<PortOperation>;
using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

namespace {

std::vector<uint32_t> Offsets(const std::vector<Cycle>& cycles)
{
    std::vector<uint32_t> offsets;
    for (const Cycle& cycle : cycles)
        offsets.push_back(cycle.offset);
    return offsets;
}

const std::vector<uint32_t> WholeRefresh{0xB0, 0xA8, 0x70, 0x9C, 0x50, 0xBC, 0xBC};

}  // namespace

// No flag set and both timers 0, the address port left at 0xA8 by another program: the whole
// start, port by port. The ports are saved before anything is addressed; identity, revision,
// status and DIMMs are read before the first refresh. Then only the four radio groups differ
// from their empty start: each is written back as read and starts the next level, in the
// refresh's own order; the innermost level finds nothing more, and each level, inner first,
// reads the timers.
TEST_F(FormTest, TheWholeStartOnAQuietChipPortByPort)
{
    chip.SetDword(0x50, 0x05000000);
    chip.SetDword(0x70, 0x00000000);
    chip.SetDword(0xA8, 0x1F000104);
    chip.SetDword(0xB0, 0x00000000);
    chip.SetDword(0x9C, 0x00000000);
    chip.SetDword(0xBC, 0x00000000);
    chip.SetAddressLatch(0x800000A8);
    const ConfigSpace before = chip.Space();
    Open();

    const auto R = [](uint32_t offset, uint32_t value) { return Trace{Out(0xCF8, 0x80000000 | offset), In(0xCFC, value)}; };
    const auto W = [](uint32_t offset, uint32_t value) { return Trace{Out(0xCF8, 0x80000000 | offset), Out(0xCFC, value)}; };
    Trace expected{In(0xCF8, 0x800000A8), In(0xCFC, 0x1F000104)};  // the port save
    const auto add = [&](std::initializer_list<Trace> parts) {
        for (const Trace& part : parts)
            expected.insert(expected.end(), part.begin(), part.end());
    };
    add({R(0x00, 0x11308086), R(0x08, 0x06000002)});  // identity, revision
    add({R(0x50, 0x05000000), R(0xBC, 0x00000000)});  // GFX mode, memory clock, DIMMs 0 and 1; signalling
    add({R(0x54, 0x00000000)});                       // DIMM 2
    const std::initializer_list<Trace> refreshReads{R(0xB0, 0), R(0xA8, 0x1F000104), R(0x70, 0), R(0x9C, 0),
                                                    R(0x50, 0x05000000)};
    for (int level = 0; level < 4; ++level) {  // CAS (set), RAS to CAS (clear), RAS (set), Tras/Trc (clear)
        add(refreshReads);
        add({R(0x50, 0x05000000), W(0x50, 0x05000000)});
    }
    add(refreshReads);
    for (int level = 0; level < 5; ++level)
        add({R(0xBC, 0), R(0xBC, 0)});
    EXPECT_EQ(chip.Trace(), expected);
    EXPECT_EQ(form->deepestRefreshNesting(), 5);
    EXPECT_EQ(chip.Space(), before);
    EXPECT_TRUE(face.messages.empty());
}

// Every flag set and both timers non-zero: all sixteen controls that raise events differ from
// their empty start, so the first refresh nests sixteen levels deep and writes each one back
// once, with the value just read, in the refresh's own order.
TEST_F(FormTest, TheFirstRefreshWritesBackEveryDifferingControlOnceInItsOrder)
{
    chip.SetDword(0x50, 0x2F7C0244);  // HACQS and CLT; CAS, RAS to CAS, RAS set, Tras/Trc clear
    chip.SetDword(0xB0, 0x00000081);  // AGP 4X override
    chip.SetDword(0xA8, 0x1F000314);  // sideband, fast writes, AGP 4X
    chip.SetDword(0x70, 0x2A8A800C);  // block new request, command per clock, SM bypass, lock
    chip.SetDword(0x9C, 0x00008000);  // transmit DLL
    chip.SetDword(0xBC, 0x00002020);
    Open();
    const Writes expected{
        {0x50, 0x2F7C0244}, {0x50, 0x2F7C0244}, {0xB0, 0x00000081}, {0xA8, 0x1F000314},
        {0xA8, 0x1F000314}, {0x70, 0x2A8A800C}, {0x70, 0x2A8A800C}, {0x70, 0x2A8A800C},
        {0x70, 0x2A8A800C}, {0x9C, 0x00008000}, {0x50, 0x2F7C0244}, {0x50, 0x2F7C0244},
        {0x50, 0x2F7C0244}, {0x50, 0x2F7C0244}, {0xBC, 0x00002020}, {0xBC, 0x00002020},
    };
    EXPECT_EQ(ConfigWrites(chip.Trace()), expected);
    EXPECT_EQ(form->deepestRefreshNesting(), 17);
    EXPECT_EQ(ReadsOf(0xA8, chip.Trace()), 17u + 2) << "each level once, and the two write-backs";
    EXPECT_TRUE(face.messages.empty());

    // Every control now shows the chip; a tick finds nothing to write.
    EXPECT_TRUE(form->THRLOCKcb.Checked() && form->TDLLEcb.Checked() && form->AGP4XOVRcb.Checked());
    EXPECT_EQ(form->CASgr.ItemIndex(), 1);
    EXPECT_EQ(form->DCTgr.ItemIndex(), 0);
    EXPECT_EQ(form->RDTHRcombo.ItemIndex(), 2);
    EXPECT_EQ(form->AMTTv.Text(), "32");
    chip.ClearTrace();
    form->iRefreshTmr.Tick();
    EXPECT_EQ(Offsets(Cycles(chip.Trace())), WholeRefresh);
}

// On any chip, starting changes nothing. Each write is a read-modify-write of the dword just
// read, with the value read (but for E_SMRAM_ERR, 0x70 bit 0, which a written 1 would clear),
// one for each control that raises events and differs from its empty start, counted from the
// data sheet's bits: the four radio groups always, each set flag, each non-zero timer. Each
// starts a nested refresh.
TEST_F(FormTest, OnAnyChipTheStartWritesBackOnlyWhatItReadOncePerDifferingControl)
{
    std::mt19937 random(0x1130);
    int illegalAgpModes = 0, lockedThrottles = 0, gfxModes = 0, deepest = 0;
    for (int round = 0; round < 1000; ++round) {
        chip = EmulatedI815();
        for (uint32_t offset : {0x08u, 0x50u, 0x54u, 0x70u, 0x9Cu, 0xA8u, 0xB0u, 0xBCu})
            chip.SetDword(offset, random());
        chip.KeepTrace();
        const ConfigSpace before = chip.Space();
        const uint32_t gmch = chip.Dword(0x50), miscc = chip.Dword(0x70), agp = chip.Dword(0xA8), bc = chip.Dword(0xBC);
        illegalAgpModes += (0x00E8u >> (agp & 7)) & 1;  // 3, 5, 6 or 7
        lockedThrottles += (miscc >> 19) & 1;
        gfxModes += (gmch >> 8) & 1;
        int expected = 4;  // CAS, RAS to CAS, RAS, Tras/Trc
        for (uint32_t bit : {6u, 27u})  // CLT, HACQS
            expected += (gmch >> bit) & 1;
        for (uint32_t bit : {17u, 27u, 29u, 19u})  // BNR, CPC, SM, THRLOCK
            expected += (miscc >> bit) & 1;
        expected += ((agp >> 9) & 1) + ((agp >> 4) & 1) + (chip.Dword(0xB0) & 1) + ((chip.Dword(0x9C) >> 15) & 1);
        expected += (bc & 0x00F8) != 0;  // AMTT; bits 2-0 are reserved and read 0
        expected += (bc & 0xF800) != 0;  // LPTT

        Open();
        ASSERT_EQ(chip.Space(), before) << "round " << round;
        ASSERT_FALSE(form->identityRefused());
        const std::vector<Cycle> cycles = Cycles(chip.Trace());
        int writes = 0;
        for (size_t i = 0; i < cycles.size(); ++i) {
            if (!cycles[i].write)
                continue;
            ++writes;
            ASSERT_GT(i, 0u);
            ASSERT_FALSE(cycles[i - 1].write);
            ASSERT_EQ(cycles[i - 1].offset, cycles[i].offset) << "round " << round;
            const uint32_t clearOnWrite = cycles[i].offset == 0x70 ? 1 : 0;
            ASSERT_EQ(cycles[i].value, cycles[i - 1].value & ~clearOnWrite) << "round " << round;
        }
        ASSERT_EQ(writes, expected) << "round " << round;
        ASSERT_EQ(form->deepestRefreshNesting(), 1 + expected) << "round " << round;
        deepest = std::max(deepest, form->deepestRefreshNesting());
        form.reset();
    }
    EXPECT_GT(illegalAgpModes, 100);
    EXPECT_GT(lockedThrottles, 100);
    EXPECT_GT(gfxModes, 100);
    EXPECT_EQ(deepest, 17) << "every one of the sixteen differed at least once";
}

TEST_F(FormTest, AnIllegalAgpModeIsReportedOncePerLevelAndTheListKeepsItsPlace)
{
    chip.SetDword(0x50, 0x05000000);  // only the four radio groups differ: five levels
    chip.SetDword(0x70, 0);
    chip.SetDword(0xA8, 0x1F000103);  // data rate 3: two rates at once
    chip.SetDword(0xB0, 0);
    chip.SetDword(0xBC, 0);
    Open();
    EXPECT_EQ(form->deepestRefreshNesting(), 5);
    EXPECT_EQ(face.messages, std::vector<std::string>(5, "AGP mode is set to an illegal value."));
    EXPECT_EQ(form->AGPMODEcombo.ItemIndex(), -1);
}

// While the box is open its loop delivers ticks; they refresh the rest but open no second box.
// Another program's change that such a tick showed is not undone when the refresh that opened
// the box resumes with what it had read before.
TEST_F(FormTest, ATickDuringTheIllegalAgpModeBoxRefreshesAndNothingOldIsWrittenAfterIt)
{
    Open();
    chip.SetDword(0xA8, 0x1F000306);
    size_t readsDuringBox = 0;
    face.onMessage = [&](const std::string&) {
        if (face.messages.size() > 1)
            return;
        chip.SetDword(0x9C, 0x8000);  // i815ctl, meanwhile
        chip.ClearTrace();
        form->iRefreshTmr.Tick();
        readsDuringBox = ReadsOf(0x9C, chip.Trace());
    };
    form->PageCtrl.UserPicks(1);
    EXPECT_EQ(face.messages.size(), 1u);
    EXPECT_GE(readsDuringBox, 1u);
    EXPECT_TRUE(form->TDLLEcb.Checked());
    EXPECT_EQ(chip.Dword(0x9C), 0x8000u);
    for (const auto& write : ConfigWrites(chip.Trace()))
        EXPECT_EQ(write, std::make_pair(0x9Cu, 0x8000u)) << "only the tick's write-back";
    EXPECT_EQ(form->AGPMODEcombo.ItemIndex(), 3) << "the last legal rate, AGP 4X, stays shown";
}

TEST_F(FormTest, ANonI815ChipIsRefusedAndNeverTouchedAgain)
{
    chip.SetDword(0x00, 0x71908086);  // a 440BX
    Open();
    EXPECT_EQ(face.messages, std::vector<std::string>{"Not an i815 Chipset."});
    EXPECT_TRUE(form->identityRefused());
    EXPECT_FALSE(form->iRefreshTmr.Running());
    const Trace expected{In(0xCF8, 0), In(0xCFC, 0xFFFFFFFF), Out(0xCF8, 0x80000000), In(0xCFC, 0x71908086)};
    EXPECT_EQ(chip.Trace(), expected);

    form->iRefreshTmr.SetRunning(true);
    form->iRefreshTmr.Tick();
    form->PageCtrl.UserPicks(2);
    form->AGPFWcb.UserChecks(true);
    form->SMScombo.UserPicks(3);
    form->CASgr.UserPicks(0);
    form->RefreshControls();
    form->SetConfigBits(0x50, 0x40, true);
    form->FormClose();
    EXPECT_EQ(chip.Trace(), expected) << "no tick, no refresh, no write, no port restore";
    EXPECT_EQ(chip.AddressLatch(), 0x80000000u) << "the identity read's address stays";
    EXPECT_EQ(form->RevLbl.Text(), "Chipset rev  ") << "nothing else of the construction ran";
    EXPECT_EQ(face.hintDisplayTime, 0);
}

// A member's choice of a value with a warning, which the helper refuses: the refusal reaches
// the window's failure box, and the control shows the chip's value again, not the choice.
TEST_F(FormTest, ARefusedWriteShowsTheChipsValueAgain)
{
    class RefusingAccess : public Mechanism1Access {
    public:
        using Mechanism1Access::Mechanism1Access;
        // As the helper for a member: every change refused, the chip's own value written back.
        uint32_t Modify(uint32_t offset, uint32_t mask, uint32_t bits) override
        {
            if ((Read(offset) ^ bits) & mask)
                throw std::logic_error("The helper refused \"modify a8 00000010 00000010\": agpfw = on: ...");
            return Mechanism1Access::Modify(offset, mask, bits);
        }
    } refusing(chip);
    form = std::make_unique<TMForm>(refusing, face);
    form->Construct();
    const ConfigSpace before = chip.Space();
    ASSERT_FALSE(form->AGPFWcb.Checked());
    EXPECT_THROW(form->AGPFWcb.UserChecks(true), std::logic_error);
    EXPECT_FALSE(form->AGPFWcb.Checked());
    const int sms = form->SMScombo.ItemIndex();
    EXPECT_THROW(form->SMScombo.UserPicks(0), std::logic_error);
    EXPECT_EQ(form->SMScombo.ItemIndex(), sms);
    EXPECT_EQ(chip.Space(), before);
}

TEST_F(FormTest, TheCloseRestoresTheAddressPortAndIsTheLastAccess)
{
    chip.SetAddressLatch(0x80000050);
    Open();
    chip.ClearTrace();
    form->FormClose();
    EXPECT_EQ(chip.Trace(), (Trace{Out(0xCF8, 0x80000050)}));
    EXPECT_FALSE(form->iRefreshTmr.Running());

    form->iRefreshTmr.SetRunning(true);  // a tick already on its way
    form->iRefreshTmr.Tick();
    form->BNRcb.UserChecks(!form->BNRcb.Checked());
    form->FormClose();
    EXPECT_EQ(chip.Trace().size(), 1u);
}

TEST_F(FormTest, AnSdramModeIsWrittenAtOnceButShownOnlyByTheNextRefresh)
{
    Open();
    chip.SetDword(0x9C, 0x8000);  // a change the form has not seen yet
    chip.ClearTrace();
    form->SMScombo.UserPicks(2);
    const std::vector<Cycle> cycles = Cycles(chip.Trace());
    ASSERT_EQ(cycles.size(), 2u) << "read and write of dword 0x50, nothing re-read";
    EXPECT_EQ(cycles[1].offset, 0x50u);
    EXPECT_EQ(cycles[1].value, 0x477C0244u) << "bits 29-31 hold mode 2";
    EXPECT_FALSE(form->TDLLEcb.Checked());

    chip.ClearTrace();
    form->SMScombo.UserPicks(2);
    EXPECT_TRUE(chip.Trace().empty()) << "the item the list shows, picked again, is no change";

    form->PageCtrl.UserPicks(3);
    EXPECT_TRUE(form->TDLLEcb.Checked());
    EXPECT_EQ(form->SMScombo.ItemIndex(), 2);
}

// Every control the user can change, each on the built-in chip as it starts: one read-modify-write
// of its dword with the data sheet's bits of its field changed, then a whole refresh; only the
// SDRAM mode is written without one.
TEST_F(FormTest, EveryControlWritesItsOwnBitsThenRefreshes)
{
    const struct {
        const char* what;
        std::function<void()> user;
        uint32_t offset, written;
        bool refreshes;
    } cases[] = {
        {"AGP4XOVRcb, 0xB0 bit 0", [&] { form->AGP4XOVRcb.UserChecks(true); }, 0xB0, 0x00000081, true},
        {"AGPSBAcb, 0xA8 bit 9", [&] { form->AGPSBAcb.UserChecks(false); }, 0xA8, 0x1F000104, true},
        {"AGPFWcb, 0xA8 bit 4", [&] { form->AGPFWcb.UserChecks(true); }, 0xA8, 0x1F000314, true},
        {"AGPMODEcombo, AGP 1X", [&] { form->AGPMODEcombo.UserPicks(1); }, 0xA8, 0x1F000301, true},
        {"AGPMODEcombo, AGP 4X is 4, not 3",
         [&] {
             form->AGPMODEcombo.UserPicks(2);
             chip.ClearTrace();
             form->AGPMODEcombo.UserPicks(3);
         },
         0xA8, 0x1F000304, true},
        {"AMTT, 0xBC bits 7-0", [&] { form->AMTT.UserMoves(0x28); }, 0xBC, 0x00002028, true},
        {"LPTT, 0xBC bits 15-8", [&] { form->LPTT.UserMoves(0x18); }, 0xBC, 0x00001820, true},
        {"CLTcb, 0x50 bit 6", [&] { form->CLTcb.UserChecks(false); }, 0x50, 0x277C0204, true},
        {"DPCPcombo, 0x50 bit 3", [&] { form->DPCPcombo.UserPicks(1); }, 0x50, 0x277C024C, true},
        {"MAGcombo, 0x50 bit 7", [&] { form->MAGcombo.UserPicks(1); }, 0x50, 0x277C02C4, true},
        {"BNRcb, 0x70 bit 17", [&] { form->BNRcb.UserChecks(false); }, 0x70, 0x0A80800C, true},
        {"CPCcb, 0x70 bit 27", [&] { form->CPCcb.UserChecks(false); }, 0x70, 0x0282800C, true},
        {"SMcb, 0x70 bit 29", [&] { form->SMcb.UserChecks(true); }, 0x70, 0x2A82800C, true},
        {"THRLOCKcb, 0x70 bit 19", [&] { form->THRLOCKcb.UserChecks(true); }, 0x70, 0x0A8A800C, true},
        {"RDTHRcombo, 0x70 bits 23-22", [&] { form->RDTHRcombo.UserPicks(3); }, 0x70, 0x0AC2800C, true},
        {"WRTHRcombo, 0x70 bits 21-20", [&] { form->WRTHRcombo.UserPicks(1); }, 0x70, 0x0A92800C, true},
        {"CASgr, 0x50 bit 26", [&] { form->CASgr.UserPicks(0); }, 0x50, 0x237C0244, true},
        {"RAS2CASgr, 0x50 bit 25", [&] { form->RAS2CASgr.UserPicks(0); }, 0x50, 0x257C0244, true},
        {"RASgr, 0x50 bit 24", [&] { form->RASgr.UserPicks(0); }, 0x50, 0x267C0244, true},
        {"DCTgr, 0x50 bit 28", [&] { form->DCTgr.UserPicks(1); }, 0x50, 0x377C0244, true},
        {"SMScombo, 0x50 bits 31-29", [&] { form->SMScombo.UserPicks(2); }, 0x50, 0x477C0244, false},
        {"HACQScb, 0x50 bit 27", [&] { form->HACQScb.UserChecks(true); }, 0x50, 0x2F7C0244, true},
        {"TDLLEcb, 0x9C bit 15", [&] { form->TDLLEcb.UserChecks(true); }, 0x9C, 0x00008000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        chip = EmulatedI815();
        chip.KeepTrace();
        const ConfigSpace before = chip.Space();
        Open();
        chip.ClearTrace();
        c.user();
        const std::vector<Cycle> cycles = Cycles(chip.Trace());
        ASSERT_EQ(cycles.size(), 2u + (c.refreshes ? WholeRefresh.size() : 0));
        EXPECT_FALSE(cycles[0].write);
        EXPECT_EQ(cycles[0].offset, c.offset);
        EXPECT_TRUE(cycles[1].write);
        EXPECT_EQ(cycles[1].offset, c.offset);
        EXPECT_EQ(cycles[1].value, c.written);
        EXPECT_EQ(Offsets({cycles.begin() + 2, cycles.end()}), c.refreshes ? WholeRefresh : std::vector<uint32_t>{});
        EmulatedI815 expected(before);
        expected.SetDword(c.offset, c.written);
        EXPECT_EQ(chip.Space(), expected.Space()) << "that dword changed, nothing else";
    }
}

// The platform's rule: the program's change of a disabled check box still raises its click.
TEST_F(FormTest, AnAgpCardAtThreePointThreeVoltsGreysTheOverrideButRefreshesStillWriteItBack)
{
    chip.SetDword(0x50, 0x277C0240);               // 100 MHz
    chip.SetDword(0xBC, 0x00002020 | (1u << 19));  // 3.3 V signalling
    Open();
    EXPECT_EQ(form->Rmode.Text(), "AGP mode 3.3V");
    EXPECT_EQ(form->SMFSLbl.Text(), "100 Mhz Operation");
    EXPECT_FALSE(form->AGP4XOVRcb.Enabled());

    chip.ClearTrace();
    form->AGP4XOVRcb.UserChecks(true);
    EXPECT_TRUE(chip.Trace().empty()) << "the user cannot change it";
    EXPECT_FALSE(form->AGP4XOVRcb.Checked());

    chip.SetDword(0xB0, 0x81);
    form->iRefreshTmr.Tick();
    EXPECT_TRUE(form->AGP4XOVRcb.Checked());
    EXPECT_EQ(ConfigWrites(chip.Trace()), (Writes{{0xB0, 0x81}}));
    EXPECT_FALSE(form->AGP4XOVRcb.Enabled());
}

TEST_F(FormTest, GfxModeWarnsOnceAndATickDuringTheWarningRefreshes)
{
    chip.SetDword(0x50, 0x277C0344);               // GFX mode
    chip.SetDword(0xBC, 0x00002020 | (1u << 19));  // not looked at in GFX mode
    Trace beforeWarning;
    size_t refreshReads = 0;
    face.onMessage = [&](const std::string&) {
        beforeWarning = chip.Trace();
        chip.ClearTrace();
        form->iRefreshTmr.Tick();
        refreshReads = ReadsOf(0xA8, chip.Trace());
    };
    Open();
    EXPECT_GE(refreshReads, 1u) << "the tick refreshed before the construction ended";
    EXPECT_EQ(ReadsOf(0xBC, beforeWarning), 0u) << "the signalling bit is not looked at";
    EXPECT_EQ(face.messages, std::vector<std::string>{"Warning: your i815 chipset is running in GFX mode.\n"
                                                      "(The chipset uses its internal graphic device)\n"
                                                      "Some tweaks may work unreliably !!!\n"});
    EXPECT_EQ(form->Rmode.Text(), "GFX mode");
    EXPECT_TRUE(form->AGP4XOVRcb.Enabled());
}

TEST_F(FormTest, AfterStartTheAboutPageShowsTheChipAndTheTimerRunsItsFirstPeriod)
{
    Open();
    EXPECT_EQ(face.layoutLoads, 1);
    EXPECT_EQ(form->RevLbl.Text(), "Chipset rev  2");
    EXPECT_EQ(form->Rmode.Text(), "AGP mode 1.5V");
    EXPECT_EQ(form->SMFSLbl.Text(), "133 Mhz Operation");
    EXPECT_EQ(form->PageCtrl.ActivePage(), 0);
    EXPECT_EQ(form->RefreshBar.Position(), 2000);
    EXPECT_EQ(form->RfLabel.Text(), "2000 ms");
    EXPECT_EQ(form->iRefreshTmr.Interval(), 2000);
    EXPECT_EQ(face.timerStarts, 1) << "setting the period it runs already does not restart it";
    EXPECT_EQ(face.hintDisplayTime, 60000);
    EXPECT_EQ(form->CLTcb.Hint().substr(0, 12), "From Intel:\n");

    const std::string dimms =
        "\n\nDIMM 0 Population:\n"
        " 256 MB, DRAM Tech: 128 Mb\n  Front Side: 8 Devices, 16 Mb x 8\n"
        "  Back Side: 8 Devices, 16 Mb x 8\n  Row: 12, Bank: 2 Column: 10\n"
        "\nDIMM 1 Population:\n"
        " 128 MB, DRAM Tech: 64 Mb\n  Front Side: 8 Devices, 8 Mb x 8\n"
        "  Back Side: 8 Devices, 8 Mb x 8\n  Row: 12, Bank: 2 Column: 9\n"
        " ------------------------------------------------\n"
        " 128 MB, DRAM Tech: 128 Mb\n  Front Side: 4 Devices, 8 Mb x 16\n"
        "  Back Side: 4 Devices, 8 Mb x 16\n  Row: 12, Bank: 2 Column: 9\n"
        "\nDIMM 2 Population:\n Empty\n";
    EXPECT_EQ(form->AboutRC.Text(), WelcomeText() + dimms);

    chip.ClearTrace();
    form->RefreshBar.UserMoves(250);
    EXPECT_EQ(form->iRefreshTmr.Interval(), 250);
    EXPECT_EQ(form->RfLabel.Text(), "250 ms");
    EXPECT_EQ(face.timerStarts, 2);
    form->RefreshBar.UserMoves(1234);  // dragging gives any position, used unchanged
    EXPECT_EQ(form->RfLabel.Text(), "1234 ms");
    EXPECT_TRUE(chip.Trace().empty());
}

TEST_F(FormTest, EveryRowOfTheLayoutIsAControlOfItsKind)
{
    form = std::make_unique<TMForm>(access, face);
    for (const LayoutRow& row : LayoutTable()) {
        if (row.kind == ControlKind::Window)
            continue;
        const Control* control = form->Find(row.name);
        ASSERT_NE(control, nullptr) << row.name;
        EXPECT_EQ(control->Kind(), row.kind) << row.name;
        if (std::string(row.parent) != "MForm") {
            EXPECT_NE(form->Find(row.parent), nullptr) << row.name << " in " << row.parent;
        }
    }
    EXPECT_EQ(form->All().size(), LayoutTable().size() - 1);
    for (const auto& chain : KeyboardOrder())
        for (const std::string& name : chain)
            EXPECT_NE(form->Find(name), nullptr) << name;
    EXPECT_TRUE(chip.Trace().empty()) << "making the form touches nothing";
    EXPECT_TRUE(face.changed.empty());
}

// The 120-dpi layout on other screens.
TEST(LayoutScaling, EveryEdgeScalesAndRoundsAlikeSoNeighboursStillMeet)
{
    EXPECT_EQ(Scaled(447, 96), 358);
    const LayoutRect about = Scaled({8, 104, 425, 161}, 144);
    EXPECT_EQ((std::vector<int>{about.left, about.top, about.width, about.height}), (std::vector<int>{10, 125, 510, 193}));
    const LayoutRect first = Scaled({3, 0, 3, 1}, 96), second = Scaled({6, 0, 3, 1}, 96);
    EXPECT_EQ(first.left + first.width, second.left) << "2.4 + 2.4 would leave a gap";
    const LayoutRect same = Scaled({16, 28, 89, 77}, 120);
    EXPECT_EQ((std::vector<int>{same.left, same.top, same.width, same.height}), (std::vector<int>{16, 28, 89, 77}));
}

TEST(FullStop, AddedOnlyAfterCharactersBeyondTheFullStop)
{
    EXPECT_EQ(WithFullStop("Access refused"), "Access refused.");
    EXPECT_EQ(WithFullStop("Done."), "Done.");
    EXPECT_EQ(WithFullStop("Hung!"), "Hung!");
    EXPECT_EQ(WithFullStop("(none)"), "(none)");
    EXPECT_EQ(WithFullStop("0xCF8/"), "0xCF8/.");
    EXPECT_EQ(WithFullStop("Zugriff verweigert \xC3\xA4"), "Zugriff verweigert \xC3\xA4.");
    EXPECT_EQ(WithFullStop(""), "");
}
