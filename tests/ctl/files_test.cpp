// Files under faults, with the real program: a write cut short by a file-size limit, targets
// that are no regular file, saves at the same time, two commands on one dump, a dump saved
// onto itself. Every file is whole or not written, and nothing but what was asked changes.
#include "emulated_i815.h"
#include "profile.h"
#include "dump_file.h"
#include "register_dump.h"

#include "../support/child_process.h"
#include "../support/test_files.h"

#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fcntl.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

std::string Text(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The names in a folder, but . and ..
std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class CtlFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = TestFile("dir");
        mkdir(folder.c_str(), 0755);
    }
    void TearDown() override
    {
        for (const std::string& name : Names(folder))
            std::remove((folder + "/" + name).c_str());
        rmdir(folder.c_str());
    }
    std::string In(const std::string& name) const { return folder + "/" + name; }

    std::unique_ptr<ChildProcess> Start(std::vector<std::string> args, const std::vector<std::string>& before = {})
    {
        args.insert(args.begin(), CTL_ON_FILES);
        args.insert(args.begin(), before.begin(), before.end());
        auto ctl = std::make_unique<ChildProcess>(args, std::vector<std::string>{});
        EXPECT_TRUE(ctl->ok());
        return ctl;
    }
    // Runs i815ctl ARGS (after the words of `before`, such as a prlimit); returns its exit
    // status, or -1 when a signal ended it or it had to be killed.
    int Run(const std::vector<std::string>& args, const std::vector<std::string>& before = {})
    {
        const auto ctl = Start(args, before);
        const bool ended = ctl->EndsWithin(20000);
        const int status = ctl->Finish();
        out = ctl->out;
        err = ctl->err;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string folder, out, err;
    const ConfigSpace image = EmulatedI815::DefaultImage();
};

}  // namespace

// prlimit --fsize=300: the new text is longer than the limit, so its write fails part-way.
TEST_F(CtlFiles, AWriteCutShortLeavesTheOldFileByteForByte)
{
    if (access("/usr/bin/prlimit", X_OK) != 0)
        GTEST_SKIP() << "no prlimit";
    const std::vector<std::string> limit{"/usr/bin/prlimit", "--fsize=300"};
    WriteRegisterDumpFile(In("dump.txt"), image);
    const std::string dump = Text(In("dump.txt"));
    WriteText(In("p.conf"), "# my profile\ncas = 2 clocks\n");

    EXPECT_EQ(Run({"--emulated=" + In("dump.txt"), "--save-emulated", In("dump.txt"), "set", "--force", "cas=3"}, limit), 1);
    EXPECT_EQ(err, "i815ctl: warning: cas = 3 clocks: changing the CAS latency may hang the machine\ni815ctl: " + In("dump.txt") + ": writing failed: File too large\n");
    EXPECT_EQ(Text(In("dump.txt")), dump);

    EXPECT_EQ(Run({"--emulated", "save", In("p.conf")}, limit), 1);
    EXPECT_EQ(err, "i815ctl: " + In("p.conf") + ": writing failed: File too large\n");
    EXPECT_EQ(Text(In("p.conf")), "# my profile\ncas = 2 clocks\n");

    EXPECT_EQ(Names(folder), (std::vector<std::string>{"dump.txt", "p.conf"})) << "no temporary file left";
}

// A device node, a pipe, a folder or a symbolic link at the target: refused, left as it is.
// (Never the system's own /dev: a program that failed here would replace it.)
TEST_F(CtlFiles, WhatIsNoRegularFileIsNeverReplaced)
{
    const bool device = mknod(In("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;  // as root only
    ASSERT_EQ(mkfifo(In("fifo").c_str(), 0644), 0);
    ASSERT_EQ(mkdir(In("folder").c_str(), 0755), 0);
    WriteText(In("mine.conf"), "agpsba = on\n");
    ASSERT_EQ(symlink("mine.conf", In("link").c_str()), 0);
    const std::string notRegular = ": not a regular file; not replaced\n";
    const std::string link = ": a symbolic link (to mine.conf); not replaced: give the file that it names\n";

    for (const std::string command : {"save", "--save-emulated"}) {
        SCOPED_TRACE(command);
        auto args = [&](const std::string& target) {
            return command == "save" ? std::vector<std::string>{"--emulated", "save", target}
                                     : std::vector<std::string>{"--emulated", "--save-emulated", target, "get", "cas"};
        };
        EXPECT_EQ(Run(args(In("fifo"))), 1);
        EXPECT_TRUE(Has(err, "i815ctl: " + In("fifo") + notRegular)) << err;
        EXPECT_EQ(Run(args(In("folder"))), 1);
        EXPECT_TRUE(Has(err, "i815ctl: " + In("folder") + notRegular)) << err;
        EXPECT_EQ(Run(args(In("link"))), 1);
        EXPECT_TRUE(Has(err, "i815ctl: " + In("link") + link)) << err;
        if (device) {
            EXPECT_EQ(Run(args(In("null"))), 1);
            EXPECT_TRUE(Has(err, "i815ctl: " + In("null") + notRegular)) << err;
        }
    }
    struct stat st;
    ASSERT_EQ(lstat(In("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(lstat(In("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Text(In("mine.conf")), "agpsba = on\n");
    if (device) {
        ASSERT_EQ(lstat(In("null").c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    rmdir(In("folder").c_str());
}

// The temporary file has a name of its own each time: a file planted where it might be
// expected (by another user, in a shared folder) is neither used nor changed, and saves at
// the same time each write a whole file.
TEST_F(CtlFiles, SavesAtTheSameTimeEachWriteAWholeFileOfTheirOwn)
{
    WriteText(In("victim"), "not yours\n");
    ASSERT_EQ(symlink("victim", In("p.conf.tmp-i815ctl").c_str()), 0);

    std::vector<std::unique_ptr<ChildProcess>> saves;
    for (int i = 0; i < 8; ++i)
        saves.push_back(Start({"--emulated", "save", In("p.conf")}));
    for (auto& save : saves) {
        const int status = save->Finish();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << save->err;
    }
    EXPECT_EQ(ParseProfile(Text(In("p.conf")), "p.conf").settings.size(), 22u);
    EXPECT_EQ(Text(In("victim")), "not yours\n");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"p.conf", "p.conf.tmp-i815ctl", "victim"}));
}

// The dump is locked from before it is read until it is saved: a command waits while another
// holds it, and two commands that change one dump at once both count.
TEST_F(CtlFiles, CommandsOnOneDumpTakeTurns)
{
    const std::string dump = In("dump.txt");
    WriteRegisterDumpFile(dump, image);
    const std::string before = Text(dump);
    {
        const int held = open(dump.c_str(), O_RDONLY | O_CLOEXEC);  // not the child's
        ASSERT_EQ(flock(held, LOCK_EX), 0);
        const auto ctl = Start({"--emulated=" + dump, "--save-emulated", dump, "set", "--force", "cas=3"});
        EXPECT_TRUE(ctl->RunsFor(300)) << "it waits for the lock";
        EXPECT_EQ(Text(dump), before);
        close(held);
        ASSERT_TRUE(ctl->EndsWithin(5000));
        EXPECT_EQ(ctl->Finish(), 0) << ctl->err;
        EXPECT_EQ(EmulatedI815(ReadRegisterDumpFile(dump)).Dword(0x50), 0x237C0244u);
    }

    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        WriteRegisterDumpFile(dump, image);
        const std::string amtt = std::to_string(8 * (round + 1));
        const auto first = Start({"--emulated=" + dump, "--save-emulated", dump, "set", "amtt=" + amtt});
        const auto second = Start({"--emulated=" + dump, "--save-emulated", dump, "set", "--force", "cas=3"});
        EXPECT_EQ(first->Finish(), 0) << first->err;
        EXPECT_EQ(second->Finish(), 0) << second->err;
        const EmulatedI815 chip(ReadRegisterDumpFile(dump));
        EXPECT_EQ(chip.Dword(0x50), 0x237C0244u) << "cas=3 kept";
        EXPECT_EQ(chip.Dword(0xBC), 0x00002000u | uint32_t(8 * (round + 1))) << "amtt kept";
    }
}

// What `lspci -vxxxx` gives: the text of -v, the extended space, other devices; upper-case
// hexadecimal in one line, as a user's editor may leave it; CR LF line ends.
TEST_F(CtlFiles, SavingOntoADumpChangesOnlyTheHostBridgesBytes)
{
    auto dumpText = [](const std::string& row50) {
        std::string text =
            "00:00.0 Host bridge: Intel Corporation 82815 815 Chipset Host Bridge and Memory Controller Hub (rev 02)\r\n"
            "\tSubsystem: ASUSTeK Computer Inc. CUSL2 Mainboard\r\n"
            "\tFlags: bus master, fast devsel, latency 0\r\n"
            "\tMemory at f8000000 (32-bit, prefetchable) [size=64M]\r\n"
            "00: 86 80 30 11 06 00 90 20 02 00 00 06 00 00 00 00\r\n"
            "10: 08 00 00 F8 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
            "20: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
            "30: 00 00 00 00 88 00 00 00 00 00 00 00 00 00 00 00\r\n"
            "40: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n" +
            row50 +
            "60: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
            "70: 0c 80 82 0a 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
            "80: 00 00 00 00 00 00 00 00 09 a0 04 f1 00 00 00 00\r\n"
            "90: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
            "a0: 02 00 20 00 07 02 00 1f 04 03 00 1f 00 00 00 00\r\n"
            "b0: 80 00 00 00 00 00 00 00 00 00 00 00 20 20 00 00\r\n";
        for (const char* row : {"c0", "d0", "e0", "f0"})
            text += std::string(row) + ": 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n";
        text += "100: 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n"
                "\r\n"
                "00:01.0 PCI bridge: Intel Corporation 82815 815 Chipset AGP Bridge (rev 02)\r\n"
                "00: 86 80 31 11 07 01 a0 00 02 00 04 06 00 20 01 00\r\n"
                "\r\n";
        return text;
    };
    const std::string dump = In("lspci.txt");
    WriteText(dump, dumpText("50: 44 02 7C 27 00 00 00 00 00 00 00 00 00 00 00 00\r\n"));

    EXPECT_EQ(Run({"--emulated=" + dump, "--save-emulated", dump, "get", "cas"}), 0) << err;
    EXPECT_EQ(Text(dump), dumpText("50: 44 02 7C 27 00 00 00 00 00 00 00 00 00 00 00 00\r\n")) << "byte for byte";
    EXPECT_EQ(Run({"--emulated=" + dump, "--save-emulated", dump, "set", "--force", "cas=3"}), 0) << err;
    EXPECT_EQ(Text(dump), dumpText("50: 44 02 7C 23 00 00 00 00 00 00 00 00 00 00 00 00\r\n"));

    // Another bridge's dump keeps its name, saved onto itself or elsewhere.
    const std::string bx = "00:00.0 Host bridge: Intel Corporation 440BX/ZX/DX - 82443BX/ZX/DX Host bridge (rev 03)\n";
    EmulatedI815 i440bx(ConfigSpace{});
    i440bx.SetDword(0x00, 0x71908086);
    i440bx.SetDword(0x08, 0x06000003);
    const std::string rows = FormatRegisterDump(i440bx.Space()).substr(FormatRegisterDump(i440bx.Space()).find('\n') + 1);
    WriteText(In("bx.txt"), bx + rows);
    EXPECT_EQ(Run({"--emulated=" + In("bx.txt"), "--save-emulated", In("bx.txt"), "get", "cas"}), 2);
    EXPECT_EQ(err, "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:7190; an i815's is 8086:1130.\n");
    EXPECT_EQ(Text(In("bx.txt")), bx + rows);
    EXPECT_EQ(Run({"--emulated=" + In("bx.txt"), "--save-emulated", In("copy.txt"), "dump"}), 0) << err;
    EXPECT_EQ(Text(In("copy.txt")), "00:00.0 Host bridge: [8086:7190] (rev 03) (emulated by i815 Quarvel)\n" + rows);
}

// New files take the umask, as those of the shell's ">" do: profiles and dumps what it leaves of
// 0666, the boot apply's marker what it leaves of 0644. A file that exists keeps its mode.
TEST_F(CtlFiles, NewFilesTakeTheUmaskAndOldOnesKeepTheirMode)
{
    WriteRegisterDumpFile(In("dump.txt"), image);
    WriteText(In("p.conf"), "bnr = off\n");
    auto mode = [](const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 01000000u;
    };
    const struct {
        const char* umask;
        mode_t file, marker;
    } cases[] = {{"077", 0600, 0600}, {"002", 0664, 0644}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("umask ") + c.umask);
        for (const char* name : {"new.conf", "new.txt", "saved.txt", "dump.txt.apply-in-progress"})
            std::remove(In(name).c_str());
        const std::vector<std::string> umask{"/bin/sh", "-c", std::string("umask ") + c.umask + " && exec \"$0\" \"$@\""};
        EXPECT_EQ(Run({"--emulated", "save", In("new.conf")}, umask), 0) << err;
        EXPECT_EQ(Run({"--emulated", "dump", In("new.txt")}, umask), 0) << err;
        EXPECT_EQ(Run({"--emulated", "--save-emulated", In("saved.txt"), "get", "cas"}, umask), 0) << err;
        EXPECT_EQ(Run({"--emulated=" + In("dump.txt"), "apply", "--boot", In("p.conf")}, umask), 0) << err;
        EXPECT_EQ(mode(In("new.conf")), c.file);
        EXPECT_EQ(mode(In("new.txt")), c.file);
        EXPECT_EQ(mode(In("saved.txt")), c.file);
        EXPECT_EQ(mode(In("dump.txt.apply-in-progress")), c.marker);
    }

    ASSERT_EQ(chmod(In("new.conf").c_str(), 0640), 0);
    ASSERT_EQ(chmod(In("dump.txt").c_str(), 0604), 0);
    const std::vector<std::string> open{"/bin/sh", "-c", "umask 000 && exec \"$0\" \"$@\""};
    EXPECT_EQ(Run({"--emulated", "save", In("new.conf")}, open), 0) << err;
    EXPECT_EQ(Run({"--emulated=" + In("dump.txt"), "--save-emulated", In("dump.txt"), "set", "bnr=off"}, open), 0)
        << err;
    EXPECT_EQ(mode(In("new.conf")), 0640u);
    EXPECT_EQ(mode(In("dump.txt")), 0604u);
}
