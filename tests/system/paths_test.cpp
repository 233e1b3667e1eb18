#include "paths.h"

#include <gtest/gtest.h>

TEST(Paths, FolderAndNameOfEveryKindOfPath)
{
    EXPECT_EQ(FolderOf("/etc/i815quarvel.conf"), "/etc");
    EXPECT_EQ(NameOf("/etc/i815quarvel.conf"), "i815quarvel.conf");
    EXPECT_EQ(FolderOf("/i815quarvel.conf"), "/");
    EXPECT_EQ(FolderOf("i815quarvel.conf"), ".");
    EXPECT_EQ(NameOf("i815quarvel.conf"), "i815quarvel.conf");
    EXPECT_EQ(FolderOf("boot/start.dump"), "boot");
    EXPECT_EQ(PathIn("/var/lib/i815quarvel", "apply-in-progress"), "/var/lib/i815quarvel/apply-in-progress");
}
