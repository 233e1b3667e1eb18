// Only the refusal path runs here: no test ever executes a real port instruction.
#include "ports_linux.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace {

int calls = 0;
unsigned long askedFrom = 0, askedCount = 0;
int refusal = EPERM;

int Refuse(unsigned long from, unsigned long count, int)
{
    ++calls;
    askedFrom = from;
    askedCount = count;
    errno = refusal;
    return -1;
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const PortAccessRefused& e) {
        return e.what();
    }
    return "(no exception)";
}

}  // namespace

TEST(LinuxPortAccess, RefusalIsAnExceptionWithTheSystemsReason)
{
    for (int reason : {EPERM, ENOSYS}) {
        refusal = reason;
        calls = 0;
        LinuxPortAccess ports(&Refuse);
        const std::string message = MessageOf([&] { ports.In32(0xCF8); });
        EXPECT_NE(message.find("PCI configuration ports"), std::string::npos) << message;
        EXPECT_NE(message.find("refused"), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(reason)), std::string::npos) << message;
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(askedFrom, 0xCF8u);
        EXPECT_EQ(askedCount, 8u) << "only the eight configuration ports";

        // A refusal is not remembered as a grant: every later instruction asks again.
        EXPECT_THROW(ports.Out32(0xCFC, 0), PortAccessRefused);
        EXPECT_EQ(calls, 2);
    }
}

TEST(LinuxPortAccess, PortsOutsideTheConfigurationPortsAreNeverAskedFor)
{
    calls = 0;
    LinuxPortAccess ports(&Refuse);
    EXPECT_THROW(ports.In32(0x80), PortAccessRefused);
    EXPECT_THROW(ports.Out32(0xD00, 1), PortAccessRefused);
    EXPECT_EQ(calls, 0);
}
