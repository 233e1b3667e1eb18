#pragma once
// Files of one test: ctest runs tests side by side, and more than one build may run its tests
// at once, so each name carries the test's own and the process's.

#include "emulated_i815.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

inline std::string TestFile(const std::string& name)
{
    return ::testing::TempDir() + "quarvel" + std::to_string(getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

// The lock between programs, in a folder of the test's own: the lock refuses a folder that
// other users can write, as the shared temporary folder is.
inline std::string TestLock()
{
    const std::string dir = TestFile("lockdir");
    mkdir(dir.c_str(), 0755);
    return dir + "/lock";
}

// A configuration space as the kernel's file holds it: the bytes, nothing else.
inline void WriteSpaceFile(const std::string& path, const ConfigSpace& space, size_t size = 256)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(space.data()), long(size));
}

inline ConfigSpace ReadSpaceFile(const std::string& path)
{
    ConfigSpace space{};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(space.data()), long(space.size()));
    return space;
}
