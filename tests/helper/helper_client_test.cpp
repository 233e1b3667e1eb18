// A program's way to a helper: through the socket of the helper's service (a helper per
// connection, the connection on its standard input and output, as systemd hands it over), or
// through pkexec; what it says when neither works; and the requests once connected.
#include "access_refused.h"
#include "chip_route.h"
#include "config_access.h"
#include "config_lock.h"
#include "helper_config_access.h"
#include "helper_launcher.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A socket service as systemd runs it with Accept=yes: root made the listening socket; each
// connection starts a helper with the connection as its standard input and output.
class SocketService {
public:
    SocketService(const std::string& path, const std::string& helperName, int connections) : path_(path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        unlink(path.c_str());
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 4) != 0)
            ADD_FAILURE() << "no socket at " << path;
        thread_ = std::thread([this, helperName, connections] {
            for (int i = 0; i < connections; ++i) {
                const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (connection < 0)
                    return;
                posix_spawn_file_actions_t actions;
                posix_spawn_file_actions_init(&actions);
                posix_spawn_file_actions_adddup2(&actions, connection, 0);
                posix_spawn_file_actions_adddup2(&actions, connection, 1);
                char* argv[] = {const_cast<char*>(helperName.c_str()), nullptr};
                char* envp[] = {nullptr};
                pid_t pid;
                if (posix_spawn(&pid, EMULATED_HELPER, &actions, nullptr, argv, envp) == 0)
                    children_.push_back(pid);
                posix_spawn_file_actions_destroy(&actions);
                close(connection);
            }
        });
    }
    ~SocketService()
    {
        thread_.join();
        close(listener_);
        for (pid_t child : children_)
            waitpid(child, nullptr, 0);
        unlink(path_.c_str());
    }

private:
    std::string path_;
    int listener_ = -1;
    std::thread thread_;
    std::vector<pid_t> children_;
};

class HelperClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = TestFile("helper");
        mkdir(dir.c_str(), 0755);
        helper = dir + "/i815quarvel-helper";
        for (const char* name : {"/i815quarvel-helper", "/i815quarvel-helper.out", "/pkexec-ran", "/vendor", "/device"})
            std::remove((dir + name).c_str());
        system.kernelConfigPath = dir + "/config";  // absent: no kernel's file for this user
        system.lockPath = dir + "/lock";
        system.helperSocket = dir + "/helper.socket";
        system.helperPath = helper;
        system.pkexecPath = dir + "/no-pkexec";
        system.root = false;
    }
    std::string Script(const std::string& name, const std::string& body)
    {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    // What the emulated helper left when it ended: the chip and "latch XXXXXXXX".
    static std::string Left(const std::string& helperName)
    {
        std::ifstream file(helperName + ".out");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string Refusal(RouteNeeds needs)
    {
        try {
            OpenChipRoute({}, needs, system);
        } catch (const AccessRefused& refused) {
            return refused.what();
        }
        return "(opened)";
    }
    void Identity(const char* vendor, const char* device)
    {
        std::ofstream(dir + "/vendor") << vendor << "\n";
        std::ofstream(dir + "/device") << device << "\n";
    }

    std::string dir, helper;
    RouteSystem system;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(HelperClientTest, AUserReachesTheChipThroughTheSocketAndTheHelperEndsWithTheConnection)
{
    const std::string served = dir + "/served-helper";
    {
        SocketService service(system.helperSocket, served, 1);
        const std::unique_ptr<ChipRoute> route = OpenChipRoute({}, {true, false}, system);
        ASSERT_EQ(route->taken(), RouteTaken::Helper);
        ConfigAccess& access = route->access();
        SavedConfigAddress = 0x12345678;
        access.SavePorts();
        EXPECT_EQ(SavedConfigAddress, 0x12345678u) << "no answer carries the ports";
        EXPECT_EQ(access.Read(0x00), 0x11308086u);
        EXPECT_EQ(access.Modify(0x50, 0x40, 0), 0x277C0204u);
        EXPECT_THROW(access.Modify(0x50, 0x100, 0), std::logic_error) << "a refusal is no success";
        EXPECT_THROW(access.Modify(0x50, 1u << 26, 0), std::logic_error) << "CAS has a warning: root's alone";
        EXPECT_THROW(access.Write(0x50, 0), std::logic_error);
        EXPECT_EQ(access.Read(0x50), 0x277C0204u);
    }  // the connection closes without a restore: the helper puts the address port back itself
    const std::string left = Left(served);
    EXPECT_TRUE(Has(left, "latch 80000044")) << left;
    EXPECT_TRUE(Has(left, "\n50: 04 02 7c 27 ")) << left;
}

TEST_F(HelperClientTest, TheWindowTriesTheSocketThenPkexec)
{
    Script("i815quarvel-helper", "exit 99");  // never started itself: pkexec starts it as root
    system.pkexecPath = Script("pkexec", "[ \"$1\" = '" + helper + "' ] && exec " EMULATED_HELPER);
    const std::unique_ptr<ChipRoute> route = OpenChipRoute({}, {true, true}, system);
    EXPECT_EQ(route->taken(), RouteTaken::Helper);
    EXPECT_EQ(route->access().Read(0x08), 0x06000002u);

    EXPECT_TRUE(Has(Refusal({true, false}), "the helper's socket: " + system.helperSocket + " does not exist"))
        << "i815ctl asks for no password: " << Refusal({true, false});
}

TEST_F(HelperClientTest, WhenNoWayWorksTheWindowNamesWhatIsMissing)
{
    const struct {
        const char* pkexec;  // the script's body; empty: no pkexec
        bool helperInstalled;
        const char* says;
    } cases[] = {
        {"exit 126", true, "through pkexec: the administrator's password was not given"},
        {"echo 'Error executing command as another user: No authentication agent found.' >&2; exit 127", true,
         "through pkexec: no polkit authentication agent runs in this session"},
        {"echo 'Error executing command as another user: Not authorized' >&2; exit 127", true,
         "through pkexec: not authorised"},
        {"echo 'i815quarvel-helper refused: the system user i815quarvel does not exist'; exit 1", true,
         "through pkexec: the system user i815quarvel does not exist"},
        {"", true, "through pkexec: pkexec is not installed"},
        {"exit 126", false, "through pkexec: the helper HELPER is not installed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        std::remove(helper.c_str());
        if (c.helperInstalled)
            Script("i815quarvel-helper", "exit 99");
        system.pkexecPath = *c.pkexec ? Script("pkexec", c.pkexec) : dir + "/no-pkexec";
        std::string says = c.says;
        if (says.find("HELPER") != std::string::npos)
            says.replace(says.find("HELPER"), 6, helper);
        const std::string message = Refusal({true, true});
        EXPECT_TRUE(Has(message, "Through the helper's socket: " + system.helperSocket + " does not exist")) << message;
        EXPECT_TRUE(Has(message, says)) << message;
        EXPECT_TRUE(Has(message, "systemctl enable --now i815quarvel-helper.socket")) << message;
        EXPECT_FALSE(Has(message, "README")) << "not installed: " << message;
    }
}

TEST_F(HelperClientTest, OnAnotherHostBridgeTheWindowStartsNoHelperAndAsksNoPassword)
{
    Script("i815quarvel-helper", "exit 99");
    system.pkexecPath = Script("pkexec", "touch '" + dir + "/pkexec-ran'; exec " EMULATED_HELPER);
    Identity("0x8086", "0x1237");  // an i440FX
    const std::unique_ptr<ChipRoute> route = OpenChipRoute({}, {true, true}, system);
    EXPECT_EQ(route->taken(), RouteTaken::ForeignBridge);
    EXPECT_EQ(route->access().Read(0x00), 0x12378086u);
    EXPECT_THROW(route->access().Read(0x50), std::logic_error);
    EXPECT_THROW(route->access().Modify(0x50, 0x40, 0), std::logic_error);
    EXPECT_NE(access((dir + "/pkexec-ran").c_str(), F_OK), 0) << "pkexec was started";

    Identity("0x8086", "0x1130");  // an i815: on to the helper
    EXPECT_EQ(OpenChipRoute({}, {true, true}, system)->taken(), RouteTaken::Helper);
    EXPECT_EQ(access((dir + "/pkexec-ran").c_str(), F_OK), 0);
}

TEST_F(HelperClientTest, ABusyHelperIsABusyLockHere)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    HelperConfigAccess access(pair[0]);
    const std::string replies = "busy The lock file /run/i815quarvel/lock has been held by another program for 5 seconds\n"
                                "failed Writing dword 0x50 failed: Operation not permitted\n";
    ASSERT_EQ(write(pair[1], replies.data(), replies.size()), ssize_t(replies.size()));
    EXPECT_THROW(access.Modify(0x50, 0x40, 0), ConfigLockBusy);
    try {
        access.Modify(0x50, 0x40, 0);
        ADD_FAILURE() << "a failure was taken for a value";
    } catch (const ConfigLockBusy&) {
        ADD_FAILURE() << "a failure is not busy";
    } catch (const std::runtime_error& failed) {
        EXPECT_STREQ(failed.what(), "Writing dword 0x50 failed: Operation not permitted");
    }
    close(pair[1]);
    EXPECT_THROW(access.Read(0x00), std::runtime_error) << "the helper has gone";
}
