// The helper's step down: its user found without the name service, and nothing of root's
// privilege left afterwards.
#include "privileges.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(HelperPrivileges, TheUserComesFromThePasswordFileAndIsNeverRoot)
{
    const std::string passwd = TestFile("passwd");
    std::ofstream(passwd) << "root:x:0:0:root:/root:/bin/bash\n"
                             "i815quarvelx:x:990:990::/:/usr/sbin/nologin\n"
                             "broken:x:12a:5::/:/bin/sh\n"
                             "rooty:x:0:0::/:/bin/sh\n"
                             "short:x:7\n"
                             "i815quarvel:x:991:992:i815 Quarvel helper:/:/usr/sbin/nologin\n";
    const auto user = FindSystemUser("i815quarvel", passwd);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->uid, 991u);
    EXPECT_EQ(user->gid, 992u);
    EXPECT_FALSE(FindSystemUser("rooty", passwd)) << "a user with uid 0 is no step down";
    EXPECT_FALSE(FindSystemUser("broken", passwd));
    EXPECT_FALSE(FindSystemUser("short", passwd));
    EXPECT_FALSE(FindSystemUser("absent", passwd));
    EXPECT_FALSE(FindSystemUser("i815quarvel", TestFile("no-passwd")));
    std::remove(passwd.c_str());
}

TEST(HelperPrivileges, AfterTheStepDownNothingOfRootIsLeft)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to step down from";
    const pid_t child = fork();
    if (child == 0) {
        const int inherited = open("/dev/null", O_RDONLY);  // a descriptor root left open
        SealProcess();
        if (DropTo({65534, 65534}))
            _exit(10);
        int failures = 0;
        failures += getuid() != 65534 || geteuid() != 65534 || getgid() != 65534;
        failures += getgroups(0, nullptr) != 0;
        failures += prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0;
        failures += prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) != 1;
        rlimit core{};
        failures += getrlimit(RLIMIT_CORE, &core) != 0 || core.rlim_max != 0;
        failures += setuid(0) == 0;                                 // no way back
        failures += access("/proc/1/environ", R_OK) == 0;           // root's files are closed to it
        failures += inherited < 3 || fcntl(inherited, F_GETFD) >= 0;
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
