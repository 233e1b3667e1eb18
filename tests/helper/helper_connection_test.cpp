// Who the helper serves before it steps down: the caller as the kernel names it, that caller's
// one connection, and the options that only its unit gives.
#include "helper_options.h"
#include "helper_peer.h"
#include "user_slot.h"

#include "../support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

TEST(HelperPeer, TheSocketServiceIsToldFromASocketPairAndATerminal)
{
    const std::string path = TestFile("helper.socket");
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listening, 1), 0);
    const int caller = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(caller, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const int accepted = accept(listening, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    const HelperPeer throughSocket = PeerOf(accepted);
    EXPECT_TRUE(throughSocket.namedSocket);
    EXPECT_EQ(throughSocket.uid, getuid());
    EXPECT_FALSE(PeerOf(caller).namedSocket) << "the caller's own end has no name";

    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const HelperPeer throughPkexec = PeerOf(pair[1]);
    EXPECT_FALSE(throughPkexec.namedSocket);
    EXPECT_EQ(throughPkexec.uid, getuid());

    const int file = open("/dev/null", O_RDONLY);
    const HelperPeer fromTerminal = PeerOf(file);
    EXPECT_FALSE(fromTerminal.namedSocket);
    EXPECT_FALSE(fromTerminal.uid);
    for (int fd : {listening, caller, accepted, pair[0], pair[1], file})
        close(fd);
    unlink(path.c_str());
}

TEST(HelperUserSlot, OneConnectionPerUserAndOthersStillServed)
{
    const std::string dir = TestFile("run");
    mkdir(dir.c_str(), 0755);
    {
        UserSlot first(dir), second(dir), other(dir);
        EXPECT_EQ(first.Take(1000), std::nullopt);
        EXPECT_EQ(second.Take(1000), "user 1000 has a connection to the helper already; one at a time");
        EXPECT_EQ(other.Take(1001), std::nullopt) << "another member is still served";
        struct stat st;
        ASSERT_EQ(stat((dir + "/user-1000").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    UserSlot again(dir);
    EXPECT_EQ(again.Take(1000), std::nullopt) << "the slot is free once the helper has ended";

    // Nothing that another user could have put there counts as the slot.
    ASSERT_EQ(symlink("/dev/null", (dir + "/user-1002").c_str()), 0);
    const std::optional<std::string> link = UserSlot(dir).Take(1002);
    ASSERT_TRUE(link);
    EXPECT_EQ(*link, dir + "/user-1002: Too many levels of symbolic links");
    chmod(dir.c_str(), 0777);
    EXPECT_EQ(UserSlot(dir).Take(1003), dir + " is open to other users");
    chmod(dir.c_str(), 0755);
    for (const char* name : {"/user-1000", "/user-1001", "/user-1002", "/user-1003"})
        unlink((dir + name).c_str());
    rmdir(dir.c_str());
}

TEST(HelperOptions, TheIdleLimitAndTheGroupsWarningsOnly)
{
    HelperOptions plain;
    EXPECT_EQ(ParseHelperOptions({}, plain), std::nullopt);
    EXPECT_EQ(plain.idleSeconds, 3900) << "longer than an hour of i815ctl try's wait";
    EXPECT_FALSE(plain.groupWritesWarnings);

    HelperOptions both;
    EXPECT_EQ(ParseHelperOptions({"--group-writes-warnings", "--idle-seconds=86400"}, both), std::nullopt);
    EXPECT_TRUE(both.groupWritesWarnings);
    EXPECT_EQ(both.idleSeconds, 86400);

    const struct {
        std::vector<std::string> args;
        const char* why;
    } refused[] = {
        {{"--idle-seconds=0"}, "the idle limit 0 is not a number of seconds from 1 to 86400"},
        {{"--idle-seconds=86401"}, "the idle limit 86401 is not a number of seconds from 1 to 86400"},
        {{"--idle-seconds=-5"}, "the idle limit -5 is not a number of seconds from 1 to 86400"},
        {{"--idle-seconds=1e3"}, "the idle limit 1e3 is not a number of seconds from 1 to 86400"},
        {{"--idle-seconds="}, "the idle limit  is not a number of seconds from 1 to 86400"},
        {{"--idle-seconds=5", "--idle-seconds=6"},
         "takes only --idle-seconds=N and --group-writes-warnings, each once; not \"--idle-seconds=6\""},
        {{"--group-writes-warnings", "--group-writes-warnings"},
         "takes only --idle-seconds=N and --group-writes-warnings, each once; not \"--group-writes-warnings\""},
        {{"--idle-seconds", "5"},
         "takes only --idle-seconds=N and --group-writes-warnings, each once; not \"--idle-seconds\""},
        {{"-v"}, "takes only --idle-seconds=N and --group-writes-warnings, each once; not \"-v\""},
    };
    for (const auto& r : refused) {
        HelperOptions options;
        EXPECT_EQ(ParseHelperOptions(r.args, options), std::string(r.why));
    }
}
