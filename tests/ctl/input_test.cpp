// Input under faults, with the real program: a dump that is too large or never ends, a memory
// limit, a profile from a Windows editor. Each is a clear one-line answer with the documented
// status, at once.
#include "emulated_i815.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <fstream>
#include <string>

#include <sys/stat.h>

namespace {

struct Outcome {
    int status;  // -1: ended by a signal, or still running after 5 seconds
    std::string out, err;
};

Outcome Ctl(std::vector<std::string> args, const std::vector<std::string>& environment = {},
            const std::vector<std::string>& before = {})
{
    args.insert(args.begin(), CTL_ON_FILES);
    args.insert(args.begin(), before.begin(), before.end());
    ChildProcess ctl(args, environment);
    const bool ended = ctl.EndsWithin(5000);
    const int status = ctl.Finish();
    return {ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1, ctl.out, ctl.err};
}

}  // namespace

// A good dump followed by more than 1 MiB of lspci's text; /dev/zero, which never ends.
TEST(CtlInput, DumpsOverOneMebibyteAreRefused)
{
    const std::string big = TestFile("big.txt");
    {
        std::ofstream file(big);
        file << FormatRegisterDump(EmulatedI815::DefaultImage());
        for (int line = 0; line < 20000; ++line)
            file << "\tKernel driver in use: agpgart-intel, and some more words to fill a line\n";
    }
    const Outcome tooBig = Ctl({"--emulated=" + big, "show"});
    EXPECT_EQ(tooBig.status, 2);
    EXPECT_EQ(tooBig.err, "i815ctl: " + big + ": larger than 1 MiB; a dump of `lspci -xxx` is a few KiB\n");
    EXPECT_EQ(tooBig.out, "");

    const Outcome endless = Ctl({"--emulated=/dev/zero", "show"});
    EXPECT_EQ(endless.status, 2);
    EXPECT_EQ(endless.err, "i815ctl: /dev/zero: larger than 1 MiB; a dump of `lspci -xxx` is a few KiB\n");
    std::remove(big.c_str());
}

// The bench's buffers, as large as they get, under an address-space limit that cannot hold
// one of them.
TEST(CtlInput, OutOfMemoryIsAOneLineMessageAndStatusOne)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
    if (access("/usr/bin/prlimit", X_OK) != 0)
        GTEST_SKIP() << "no prlimit";
    const std::string caches = TestFile("cache"), level = caches + "/index0";
    mkdir(caches.c_str(), 0755);
    mkdir(level.c_str(), 0755);
    std::ofstream(level + "/size") << "65536K\n";
    std::ofstream(level + "/type") << "Unified\n";

    const Outcome bench = Ctl({"bench"}, {"TEST_CACHE_DIR=" + caches}, {"/usr/bin/prlimit", "--as=200000000"});
    EXPECT_EQ(bench.status, 1);
    EXPECT_EQ(bench.err, "i815ctl: out of memory\n");
    EXPECT_EQ(bench.out.find("MB/s"), std::string::npos) << bench.out;
    std::remove((level + "/size").c_str());
    std::remove((level + "/type").c_str());
    rmdir(level.c_str());
    rmdir(caches.c_str());
}

// Editors on Windows begin a UTF-8 file with a byte order mark.
TEST(CtlInput, AByteOrderMarkAtTheStartOfAProfileIsSkipped)
{
    const std::string profile = TestFile("bom.conf");
    std::ofstream(profile) << "\xEF\xBB\xBF" "bnr = off\ncas = 3 clocks\n";
    const Outcome check = Ctl({"check", profile});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, profile + ": 2 settings, no problems; apply warns if it changes cas\n");

    const std::string saved = TestFile("saved.txt");
    std::remove(saved.c_str());
    EXPECT_EQ(Ctl({"--emulated", "--save-emulated", saved, "apply", profile}).status, 0);
    const EmulatedI815 chip(ReadRegisterDumpFile(saved));
    EXPECT_EQ(chip.Dword(0x70), 0x0A80800Cu) << "BNR, bit 17, off";
    EXPECT_EQ(chip.Dword(0x50), 0x237C0244u) << "CAS, bit 26, 3 clocks";

    // Anywhere else it is no part of a key.
    std::ofstream(profile) << "bnr = off\n\xEF\xBB\xBF" "cas = 3 clocks\n";
    const Outcome inside = Ctl({"check", profile});
    EXPECT_EQ(inside.status, 2);
    EXPECT_EQ(inside.err, "i815ctl: " + profile + ":2: unknown setting \"\xEF\xBB\xBF" "cas\"\n");
    std::remove(profile.c_str());
    std::remove(saved.c_str());
}

// A dump that Notepad saved: read, and saved onto with its mark kept.
TEST(CtlInput, AByteOrderMarkAtTheStartOfADumpIsSkipped)
{
    const std::string dump = TestFile("notepad.txt");
    std::ofstream(dump, std::ios::binary) << "\xEF\xBB\xBF" << FormatRegisterDump(EmulatedI815::DefaultImage());
    const Outcome get = Ctl({"--emulated=" + dump, "--save-emulated", dump, "set", "bnr=off"});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.err, "");
    std::ifstream saved(dump, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(saved), {}};
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(EmulatedI815(ParseRegisterDump(text, dump)).Dword(0x70), 0x0A80800Cu) << "BNR, bit 17, off";
    std::remove(dump.c_str());
}

// Standard input that cannot be read (a folder here) is no empty profile: check and apply fail
// with the reason, and the boot apply, which reads the whole profile before it places its
// marker, leaves none behind.
TEST(CtlInput, StandardInputThatCannotBeReadIsAFailureNotAnEmptyProfile)
{
    const std::vector<std::string> fromAFolder{"/bin/sh", "-c", "exec \"$0\" \"$@\" < /"};
    const std::string unreadable = "i815ctl: (standard input): cannot be read: Is a directory\n";
    const Outcome check = Ctl({"check", "-"}, {}, fromAFolder);
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(check.err, unreadable);
    EXPECT_EQ(check.out, "");

    const std::string dump = TestFile("dump.txt"), marker = dump + ".apply-in-progress";
    WriteRegisterDumpFile(dump, EmulatedI815::DefaultImage());
    const Outcome boot = Ctl({"--emulated=" + dump, "apply", "--boot", "-"}, {}, fromAFolder);
    EXPECT_EQ(boot.status, 2);
    EXPECT_EQ(boot.err, unreadable);
    EXPECT_EQ(boot.out, "");
    struct stat st;
    EXPECT_NE(lstat(marker.c_str(), &st), 0) << "a marker left behind";
    std::remove(marker.c_str());
    std::remove(dump.c_str());
}

// Ctrl-C while check waits for its profile on a pipe: the read is broken off, not the end.
TEST(CtlInput, ASignalWhileStandardInputIsReadIsNoEndOfIt)
{
    ChildProcess check({CTL_ON_FILES, "check", "-"}, {});
    ASSERT_TRUE(check.WaitUntilCatches(SIGINT));
    check.Write("bnr = off\n");
    EXPECT_TRUE(check.RunsFor(100));
    kill(check.pid(), SIGINT);
    ASSERT_TRUE(check.EndsWithin(5000));
    const int status = check.Finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(check.err, "i815ctl: (standard input): reading was interrupted by a signal\n");
    EXPECT_EQ(check.out, "");
}
