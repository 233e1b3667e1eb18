// The helper's checks: what it does for the window, and everything it refuses.
#include "../support/emulated_chip_fixture.h"

#include "config_lock.h"
#include "field_map.h"
#include "helper_session.h"
#include "mechanism1_access.h"
#include "refusal_log.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

class HelperSessionTest : public EmulatedChipTest {
protected:
    std::string Ask(const std::string& lines) { return session.Receive(lines.data(), lines.size()); }

    Mechanism1Access access{chip};
    std::vector<std::string> log;
    // Root's, as through pkexec: every legal value, a warning or none.
    HelperSession session{access, [this](const std::string& line) { log.push_back(line); }, {0, true}};
};

// Bits that no setting owns, in the dwords that hold settings, and all of every other dword.
uint32_t FixedBits(uint32_t offset) { return ~TunableBits(offset); }

}  // namespace

TEST_F(HelperSessionTest, DoesWhatTheWindowDoesPortForPort)
{
    chip.SetAddressLatch(0x80000010);
    EXPECT_EQ(Ask("save\nread 00\nmodify a8 00000010 00000010\nrestore\n"),
              "ok\nok 11308086\nok 1f000314\nok\n")
        << "the save's answer carries no port: the data port holds another device's register";
    EXPECT_EQ(chip.Trace(), (std::vector<PortOperation>{
                                In(0xCF8, 0x80000010), In(0xCFC, 0xF8000008),
                                Out(0xCF8, 0x80000000), In(0xCFC, 0x11308086),
                                Out(0xCF8, 0x800000A8), In(0xCFC, 0x1F000304),
                                Out(0xCF8, 0x800000A8), Out(0xCFC, 0x1F000314),
                                Out(0xCF8, 0x80000010)}));
    EXPECT_EQ(log, std::vector<std::string>{"user 0 wrote 1f000314 to dword 0xa8 (mask 00000010, bits 00000010)"});

    // Requests split anywhere arrive whole.
    EXPECT_EQ(Ask("rea"), "");
    EXPECT_EQ(Ask("d 50\nread"), "ok 277c0244\n");
    EXPECT_EQ(Ask(" bc\n"), "ok 00002020\n");
}

TEST_F(HelperSessionTest, RefusesEverythingElseAndChangesNothing)
{
    chip.SetDword(0x70, 0x0A82800D);  // an SMRAM error pending, so that a plain write would show
    const ConfigSpace before = chip.Space();
    const struct {
        const char* request;
        const char* reason;
    } refused[] = {
        {"write 50 00000000", "not a request"},
        {"READ 50", "not a request"},
        {"read 50 ", "not a request"},
        {"read 5", "not a request"},
        {"read 0x50", "not a request"},
        {"read 52", "is not the start of a dword"},
        {"modify 50 0000000", "not a request"},
        {"modify 50 00000040 00000040 ", "not a request"},
        {"modify 54 0000000f 00000001", "dword 0x54 holds no setting"},
        {"modify 00 ffffffff 00000000", "dword 0x00 holds no setting"},
        {"modify 52 00000040 00000040", "holds no setting"},
        {"modify 50 00000100 00000000", "reaches beyond the settings"},   // GFX mode strap
        {"modify 50 000f0000 00000000", "reaches beyond the settings"},   // DIMM codes
        {"modify 70 00000001 00000001", "reaches beyond the settings"},   // E_SMRAM_ERR
        {"modify 50 ffffffff 277c0244", "reaches beyond the settings"},   // a plain write
        {"modify a8 00000010 00000011", "reach beyond the mask"},
        {"modify a8 00000003 00000001", "the mask cuts through AGPMODE"},
        {"modify 70 00400000 00400000", "the mask cuts through RDTHR"},
        {"modify a8 00000007 00000003", "the value 3 of AGPMODE is illegal"},
        {"modify a8 00000007 00000007", "the value 7 of AGPMODE is illegal"},
        {"modify bc 000000ff 00000041", "the value 65 of AMTT is illegal"},  // bits 2-0 reserved
        {"restore", "not been saved"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.request);
        const std::string reply = Ask(std::string(r.request) + "\n");
        EXPECT_EQ(reply.rfind("refused ", 0), 0u) << reply;
        EXPECT_NE(reply.find(r.reason), std::string::npos) << reply;
    }
    EXPECT_EQ(Ask(std::string(200, 'x') + "\nread 00\n"), "refused not a request\nok 11308086\n")
        << "an over-long line is refused whole, and the next request still served";
    EXPECT_EQ(Ask("save\nsave\nrestore\nrestore\n"),
              "ok\nrefused the ports have been saved already\nok\nrefused the ports have been restored already\n");
    EXPECT_EQ(chip.Space(), before);
    // Within a minute the first five refusals are logged, the rest counted when the window goes.
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], "refused \"write 50 00000000\" of user 0: not a request");
    EXPECT_EQ(log[4], "refused \"read 0x50\" of user 0: not a request");
    session.End();
    EXPECT_EQ(log.back(), "refused 20 more requests within that minute, not logged one by one");
}

TEST_F(HelperSessionTest, WritesNothingToAnotherHostBridge)
{
    chip.SetDword(0x00, 0x12378086);  // an i440FX
    EXPECT_EQ(Ask("modify 50 00000040 00000000\n"), "refused the host bridge is not an i815\n");
    EXPECT_EQ(chip.Dword(0x50), 0x277C0244u);
    // The window's own identity read answers the question without another cycle.
    chip.SetDword(0x00, HostBridgeId);
    HelperSession fresh(access, [](const std::string&) {});
    const std::string lines = "read 00\nmodify 50 00000040 00000000\n";
    chip.ClearTrace();
    EXPECT_EQ(fresh.Receive(lines.data(), lines.size()), "ok 11308086\nok 277c0204\n");
    EXPECT_EQ(chip.Trace().size(), 6u);
}

// However the requests come, only the bits of settings ever change, and a pending SMRAM error
// stays pending.
TEST_F(HelperSessionTest, RandomRequestsNeverChangeABitOutsideTheSettings)
{
    std::mt19937 random(0x815);
    const uint32_t offsets[] = {0x00, 0x50, 0x52, 0x54, 0x70, 0x9C, 0xA8, 0xB0, 0xBC, 0xFC};
    chip.SetDword(0x70, chip.Dword(0x70) | 1);
    const ConfigSpace start = chip.Space();
    int done = 0;
    for (int round = 0; round < 20000; ++round) {
        const uint32_t offset = offsets[random() % std::size(offsets)];
        uint32_t mask = random();
        switch (random() % 4) {
        case 0: mask &= TunableBits(offset); break;                          // a union of fields or a cut
        case 1: mask = FieldMask(*TunableFields()[random() % TunableFields().size()]); break;
        default: break;
        }
        const std::string request = "modify " + HexByte(offset) + " " + HexWord(mask) + " " + HexWord(random() & mask);
        done += Ask(request + "\n").rfind("ok ", 0) == 0;
    }
    EXPECT_GT(done, 1000);
    for (uint32_t offset = 0; offset < 256; offset += 4)
        ASSERT_EQ(chip.Dword(offset) & FixedBits(offset), EmulatedI815(start).Dword(offset) & FixedBits(offset))
            << std::hex << offset;
    EXPECT_EQ(chip.Dword(0x70) & 1, 1u);
}

TEST_F(HelperSessionTest, TheAddressPortGoesBackWhenThePipeCloses)
{
    std::signal(SIGPIPE, SIG_IGN);  // as the helper program does: a closed pipe is no signal
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    chip.SetAddressLatch(0x80000044);
    std::thread helper([&] { ServeHelper(pair[1], pair[1], session); });
    const std::string requests = "save\nread 70\n";
    ASSERT_EQ(write(pair[0], requests.data(), requests.size()), ssize_t(requests.size()));
    close(pair[0]);  // the window is gone, before it restored anything
    helper.join();
    close(pair[1]);
    EXPECT_EQ(chip.AddressLatch(), 0x80000044u);
    EXPECT_EQ(chip.Trace().back(), Out(0xCF8, 0x80000044));

    // A window that restored the port itself gets no second restore.
    HelperSession second(access, [](const std::string&) {});
    const std::string lines = "save\nrestore\n";
    second.Receive(lines.data(), lines.size());
    chip.ClearTrace();
    second.End();
    EXPECT_TRUE(chip.Trace().empty());
}

// A lock held past its time-out is "busy", a reply of its own: the caller may ask again.
TEST_F(HelperSessionTest, ALockHeldTooLongIsBusyAndNothingIsWritten)
{
    class HeldElsewhere : public Mechanism1Access {
    public:
        using Mechanism1Access::Mechanism1Access;
        uint32_t Modify(uint32_t, uint32_t, uint32_t) override
        {
            throw ConfigLockBusy("The lock file /run/i815quarvel/lock has been held by another program for 5 seconds");
        }
    } held(chip);
    HelperSession busy(held, [](const std::string&) {}, {0, true});
    const ConfigSpace before = chip.Space();
    const std::string lines = "read 00\nmodify a8 00000010 00000010\n";
    EXPECT_EQ(busy.Receive(lines.data(), lines.size()),
              "ok 11308086\nbusy The lock file /run/i815quarvel/lock has been held by another program for 5 seconds\n");
    EXPECT_EQ(chip.Space(), before);
}

// What joining the group grants: every legal value but those the window warns of. Root (the
// window as root, or through pkexec) and, where the administrator allows it, the group may
// write those too.
TEST_F(HelperSessionTest, AValueWithAWarningIsRootsUnlessTheAdministratorAllowsIt)
{
    std::vector<std::string> memberLog;
    HelperSession member(access, [&](const std::string& line) { memberLog.push_back(line); }, {1000, false});
    auto askMember = [&](const std::string& line) { return member.Receive(line.data(), line.size()); };
    const std::string rule = "; a value with a warning is written for root alone (sudo i815ctl set --force, or the "
                             "window as root), unless the administrator lets the group i815quarvel write it "
                             "(i815ctl(8))\n";
    const ConfigSpace before = chip.Space();
    EXPECT_EQ(askMember("modify 50 e0000000 00000000\n"),
              "refused sms = (!) DRAM in Self-Refresh Mode, Refresh Disabled: self-refresh with the refresh disabled: "
              "the memory stops answering and the machine hangs" + rule);
    EXPECT_EQ(askMember("modify 70 00080000 00080000\n"),
              "refused thrlock = on: once set, only a reset clears the throttle lock, and the throttle limits stay "
              "as they are until then" + rule);
    EXPECT_EQ(askMember("modify a8 00000010 00000010\n"),
              "refused agpfw = on: the i815 does not support fast writes: the machine will hang" + rule);
    // CAS and the transmit DLL warn of every change, whichever value; a safe field beside a
    // risky one in the same request does not carry it through.
    EXPECT_EQ(askMember("modify 50 04000000 00000000\n").substr(0, 28), "refused cas = 3 clocks: chan");
    EXPECT_EQ(askMember("modify 9c 00008000 00008000\n").substr(0, 23), "refused tdlle = on: tog");
    EXPECT_EQ(askMember("modify 50 e0000040 80000000\n").substr(0, 31), "refused sms = (!) NOP Command E");
    EXPECT_EQ(chip.Space(), before) << "a refused request writes nothing";
    ASSERT_EQ(memberLog.size(), 5u);
    EXPECT_EQ(memberLog[0].substr(0, 62), "refused \"modify 50 e0000000 00000000\" of user 1000: sms = (!) ");

    // What the chip holds already is no change: the window writes a control's value back
    // whenever a refresh sets it, CAS and a throttle lock that the BIOS set among them.
    chip.SetDword(0x70, chip.Dword(0x70) | 1u << 19);
    EXPECT_EQ(askMember("modify 50 04000000 04000000\nmodify 70 00080000 00080000\nmodify 9c 00008000 00000000\n"),
              "ok 277c0244\nok 0a8a800c\nok 00000000\n");

    // The same member's values without a warning: written, and each write logged with the user.
    EXPECT_EQ(askMember("modify 50 e0000040 20000000\nmodify a8 00000010 00000000\n"), "ok 277c0204\nok 1f000304\n");
    EXPECT_EQ(std::vector<std::string>(memberLog.begin() + 5, memberLog.end()),
              (std::vector<std::string>{"user 1000 wrote 277c0244 to dword 0x50 (mask 04000000, bits 04000000)",
                                        "user 1000 wrote 0a8a800c to dword 0x70 (mask 00080000, bits 00080000)",
                                        "user 1000 wrote 00000000 to dword 0x9c (mask 00008000, bits 00000000)",
                                        "user 1000 wrote 277c0204 to dword 0x50 (mask e0000040, bits 20000000)",
                                        "user 1000 wrote 1f000304 to dword 0xa8 (mask 00000010, bits 00000000)"}));
    chip.SetDword(0x50, 0x237C0204);
    EXPECT_EQ(askMember("modify 50 04000000 04000000\n").substr(0, 28), "refused cas = 2 clocks: chan");

    chip.SetDword(0x70, chip.Dword(0x70) & ~(1u << 19));
    HelperSession allowed(access, [](const std::string&) {}, {1000, true});
    const std::string lines = "modify 70 00080000 00080000\nmodify 50 04000000 04000000\n";
    EXPECT_EQ(allowed.Receive(lines.data(), lines.size()), "ok 0a8a800c\nok 277c0204\n");
}

// A member's flood of refusals gives the journal five lines a minute and their count, never a
// line each; a minute later the next five.
TEST(HelperRefusalLog, FiveLinesAMinuteThenTheCount)
{
    std::vector<std::string> lines;
    RefusalLog log([&](const std::string& line) { lines.push_back(line); });
    const RefusalLog::Clock::time_point start{};
    for (int i = 0; i < 1000; ++i)
        log.Refused("refusal " + std::to_string(i), start + std::chrono::milliseconds(i * 50));
    EXPECT_EQ(lines, (std::vector<std::string>{"refusal 0", "refusal 1", "refusal 2", "refusal 3", "refusal 4"}));
    log.Refused("refusal 1000", start + std::chrono::seconds(60));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()),
              (std::vector<std::string>{"refused 995 more requests within that minute, not logged one by one",
                                        "refusal 1000"}));
    log.Refused("refusal 1001", start + std::chrono::seconds(61));
    log.End();
    EXPECT_EQ(lines.size(), 8u) << "nothing left to count";
    EXPECT_EQ(lines.back(), "refusal 1001");
}

// The window asks every few seconds, i815ctl try within the hour of its wait; a connection that
// asks nothing past the limit is closed, with a last word, and a request's first bytes do not
// hold it open.
TEST_F(HelperSessionTest, AConnectionSilentPastTheIdleLimitIsClosed)
{
    std::signal(SIGPIPE, SIG_IGN);
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::vector<std::string> memberLog;
    HelperSession member(access, [&](const std::string& line) { memberLog.push_back(line); }, {1000, false});
    const auto start = std::chrono::steady_clock::now();
    std::thread helper([&] { ServeHelper(pair[1], pair[1], member, 1); });
    const std::string requests = "read 00\nrea";
    ASSERT_EQ(write(pair[0], requests.data(), requests.size()), ssize_t(requests.size()));
    std::string received;
    char buffer[256];
    for (ssize_t got; std::count(received.begin(), received.end(), '\n') < 2 &&
                      (got = read(pair[0], buffer, sizeof buffer)) > 0;)
        received.append(buffer, size_t(got));
    helper.join();
    const auto took = std::chrono::steady_clock::now() - start;
    close(pair[0]);
    close(pair[1]);
    EXPECT_EQ(received, "ok 11308086\nfailed The helper closed the connection after 1 second without a request\n");
    EXPECT_GE(took, std::chrono::seconds(1));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(memberLog, std::vector<std::string>{"closed the connection of user 1000 after 1 second without a request"});
}
