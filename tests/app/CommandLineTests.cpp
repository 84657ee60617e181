#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, IsOnePathJoinedAsTypedAndTrimmed)
{
    using CommandLine::firmwarePath;

    EXPECT_EQ(firmwarePath({}), "");
    EXPECT_EQ(firmwarePath({ "   " }), "");
    EXPECT_EQ(firmwarePath({ "/a b/fw.syx" }), "/a b/fw.syx"); // kept whole by the shell
    EXPECT_EQ(firmwarePath({ "/a", "b/fw.syx" }), "/a b/fw.syx"); // split by the shell
    EXPECT_EQ(firmwarePath({ " ", "fw.syx", " " }), "fw.syx"); // blanks around it go
    EXPECT_EQ(firmwarePath({ "\"fw.syx\"" }), "\"fw.syx\""); // literal quotes stay
    EXPECT_EQ(firmwarePath({ "one.syx", "two.syx" }), "one.syx two.syx"); // one path, not two
}
