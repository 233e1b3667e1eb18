// The lock between programs: two writers making cycles through one shared address latch.
#include "config_lock.h"
#include "mechanism1_access.h"
#include "port_access.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Mechanism #1 as the hardware has it: one address latch for everyone, and a pause after each
// address in which the other program may run (as a preempted process would).
class SharedLatchChip : public PortAccess {
public:
    SharedLatchChip()
    {
        for (auto& d : dwords_)
            d = 0;
        dwords_[0x70 / 4] = 0x0A82800C;
    }
    uint32_t In32(uint16_t port) override
    {
        const uint32_t value = port == 0xCF8 ? latch_.load() : dwords_[(latch_ >> 2) & 63].load();
        std::this_thread::yield();
        return value;
    }
    void Out32(uint16_t port, uint32_t value) override
    {
        if (port == 0xCF8) {
            latch_ = value;
            std::this_thread::sleep_for(std::chrono::microseconds(5));
        } else {
            dwords_[(latch_ >> 2) & 63] = value;
            std::this_thread::yield();
        }
    }

private:
    std::atomic<uint32_t> latch_{0};
    std::array<std::atomic<uint32_t>, 64> dwords_;
};

// Each writer owns one byte of dword 0x50 and also reads dword 0x70, which nobody changes.
// Counts lost changes (its byte not as it just wrote it) and corrupt cycles (0x70 misread).
int Mishaps(bool withLock)
{
    SharedLatchChip chip;
    const std::string lockPath = TestLock();
    std::atomic<int> mishaps{0}, started{0};
    auto writer = [&](unsigned shift) {
        ConfigLock lock(lockPath);  // an open file of its own, as another program has
        Mechanism1Access access(chip, withLock ? &lock : nullptr);
        const uint32_t mask = 0xFFu << shift;
        ++started;
        while (started < 2) {  // both at once, however busy the machine
        }
        for (uint32_t k = 0; k < 1000; ++k) {
            const uint32_t bits = (k & 0xFF) << shift;
            access.Modify(0x50, mask, bits);
            mishaps += (access.Read(0x50) & mask) != bits;
            mishaps += access.Read(0x70) != 0x0A82800C;
        }
    };
    std::thread a(writer, 0), b(writer, 8);
    a.join();
    b.join();
    std::remove(lockPath.c_str());
    return mishaps;
}

}  // namespace

TEST(ConfigLock, TwoWritersLoseNothingWithTheLockAndDoWithoutIt)
{
    EXPECT_EQ(Mishaps(true), 0);
    int without = 0;
    for (int attempt = 0; attempt < 20 && without == 0; ++attempt)
        without = Mishaps(false);
    EXPECT_GT(without, 0) << "the two writers never met: this test could not have failed";
}

TEST(ConfigLock, AFileThatIsNoPlainFileIsRefusedNotWaitedOn)
{
    const std::string dir = TestFile("dir");
    mkdir(dir.c_str(), 0755);
    const std::string fifo = dir + "/fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ConfigLock onFifo(fifo);
    EXPECT_THROW(onFifo.Acquire(), ConfigLockError);
    std::remove(fifo.c_str());

    const std::string link = dir + "/link";
    std::remove(link.c_str());
    ASSERT_EQ(symlink("/etc/passwd", link.c_str()), 0);
    ConfigLock onLink(link);
    EXPECT_THROW(onLink.Acquire(), ConfigLockError);
    std::remove(link.c_str());
}

// A stranger who could write the folder could take the name first; one who could open the
// file could hold it (an flock needs any open descriptor).
TEST(ConfigLock, ItsFolderAdmitsNoOtherWriterAndItsFileNoOtherOpener)
{
    const std::string dir = TestFile("private");
    std::remove((dir + "/lock").c_str());
    rmdir(dir.c_str());
    const mode_t old = umask(0);
    {
        ConfigLock lock(dir + "/lock");
        lock.Open();  // makes the folder, then the file
    }
    struct stat st;
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    ASSERT_EQ(stat((dir + "/lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ASSERT_EQ(chmod((dir + "/lock").c_str(), 0644), 0);  // left open by something of root's
    ConfigLock again(dir + "/lock");
    again.Acquire();
    again.Release();
    ASSERT_EQ(stat((dir + "/lock").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    umask(old);

    for (mode_t open : {01777, 0775, 0757}) {  // /tmp and /run/lock are 01777
        SCOPED_TRACE(open);
        ASSERT_EQ(chmod(dir.c_str(), open), 0);
        ConfigLock shared(dir + "/lock");
        try {
            shared.Open();
            ADD_FAILURE() << "a lock in a folder that others can write";
        } catch (const ConfigLockError& refused) {
            EXPECT_NE(std::string(refused.what()).find("is open to other users"), std::string::npos) << refused.what();
        }
    }
    chmod(dir.c_str(), 0755);
}

TEST(ConfigLock, AStrangerCanNeitherMakeNorOpenNorRemoveIt)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to become a stranger";
    const std::string dir = TestFile("strangers");
    mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/lock";
    std::remove(path.c_str());
    ConfigLock lock(path);
    lock.Open();

    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(10);
        int failures = 0;
        failures += open(path.c_str(), O_RDONLY) >= 0;                       // to flock it
        failures += unlink(path.c_str()) == 0;                               // to free the name
        failures += rename(path.c_str(), (dir + "/moved").c_str()) == 0;     // to replace it
        failures += open((dir + "/other").c_str(), O_CREAT | O_WRONLY, 0644) >= 0;
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "things a stranger managed";
    lock.Acquire();  // and ours works as before
    lock.Release();
}
