#pragma once
// Files of one test: ctest runs tests side by side, so each name carries the test's own.

#include "emulated_i815.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

inline std::string TestFile(const std::string& name)
{
    return ::testing::TempDir() + "quarvel_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
           name;
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
