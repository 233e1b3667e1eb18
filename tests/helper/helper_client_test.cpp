// The window's side of the helper: starting it (directly, through pkexec, or not at all), the
// requests over the pipe, and the end.
#include "access_refused.h"
#include "config_access.h"
#include "helper_client.h"
#include "register_dump.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class HelperClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = TestFile("helper");
        mkdir(dir.c_str(), 0755);
        helper = dir + "/i815quarvel-helper";
        std::remove(helper.c_str());
        std::remove((helper + ".out").c_str());
    }
    void UseEmulatedHelper() { ASSERT_EQ(symlink(EMULATED_HELPER, helper.c_str()), 0); }
    std::string Script(const std::string& name, const std::string& body)
    {
        const std::string path = dir + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    // What the emulated helper left when it ended: the chip and "latch XXXXXXXX".
    std::string Left()
    {
        std::ifstream file(helper + ".out");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    static std::string RefusalOf(HelperConfigAccess& access)
    {
        try {
            access.Read(0);
        } catch (const AccessRefused& refused) {
            return refused.what();
        }
        return "(started)";
    }

    std::string dir, helper;
};

}  // namespace

TEST_F(HelperClientTest, StartedDirectlyItServesAndRestoresTheAddressPortAtTheEnd)
{
    UseEmulatedHelper();
    {
        HelperConfigAccess access({helper, ""});
        access.SavePorts();
        EXPECT_EQ(SavedConfigAddress, 0x80000044u);
        EXPECT_EQ(access.Read(0x00), 0x11308086u);
        EXPECT_EQ(access.Modify(0x50, 1u << 26, 0), 0x237C0244u);
        EXPECT_THROW(access.Modify(0x50, 0x100, 0), std::logic_error) << "a refusal is no success";
        EXPECT_THROW(access.Write(0x50, 0), std::logic_error);
        EXPECT_EQ(access.Read(0x50), 0x237C0244u);
    }  // the window ends without restoring the port itself
    const std::string left = Left();
    EXPECT_NE(left.find("latch 80000044"), std::string::npos) << left;
    EXPECT_NE(left.find("\n50: 44 02 7c 23 "), std::string::npos) << left;
}

TEST_F(HelperClientTest, ThroughPkexecWhenItCannotGetThePortsItself)
{
    const std::string pkexec = Script("pkexec", "exec " EMULATED_HELPER);
    Script("i815quarvel-helper", "echo 'i815quarvel-helper refused: Operation not permitted'; exit 1");
    HelperConfigAccess access({helper, pkexec});
    EXPECT_EQ(access.Read(0x08), 0x06000002u);
}

TEST_F(HelperClientTest, WhenNeitherWayWorksTheMessageNamesBoth)
{
    Script("i815quarvel-helper", "echo 'i815quarvel-helper refused: Operation not permitted'; exit 1");
    const std::string dismissed = Script("pkexec", "exit 126");
    HelperConfigAccess refused({helper, dismissed});
    const std::string message = RefusalOf(refused);
    EXPECT_NE(message.find("Started as it is: Operation not permitted; through pkexec: the administrator's "
                           "password was not given"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("cap_sys_rawio for a group"), std::string::npos) << message;
    EXPECT_NE(message.find("as root"), std::string::npos) << message;

    std::remove(helper.c_str());
    HelperConfigAccess absent({helper, dir + "/no-pkexec"});
    EXPECT_NE(RefusalOf(absent).find("Started as it is: it is not installed; through pkexec: pkexec is not installed"),
              std::string::npos)
        << RefusalOf(absent);

    Script("i815quarvel-helper", "exit 0");
    HelperConfigAccess silent({helper, ""});
    EXPECT_NE(RefusalOf(silent).find("it ended without a word"), std::string::npos);
}
