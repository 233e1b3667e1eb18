#include "write_all_posix.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

TEST(WriteAll, EverythingArrivesThroughShortWrites)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const int small = 4096;
    setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    const std::string sent(1 << 20, 'x');
    std::string received;
    std::thread reader([&] {
        char buffer[1000];
        ssize_t got;
        while ((got = read(pair[1], buffer, sizeof buffer)) > 0)
            received.append(buffer, size_t(got));
    });
    EXPECT_TRUE(WriteAll(pair[0], sent.data(), sent.size()));
    close(pair[0]);
    reader.join();
    close(pair[1]);
    EXPECT_EQ(received.size(), sent.size());
}

TEST(WriteAll, AReaderGoneIsAnErrorNotASignal)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[1]);
    errno = 0;
    EXPECT_FALSE(WriteAll(pair[0], "ok 00000000\n", 12));  // SIGPIPE would end the test here
    EXPECT_EQ(errno, EPIPE);
    close(pair[0]);
}
