// The wait for a reading still being written.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "live/LineEndWait.h"

namespace zun {
namespace {

TEST(LineEndWait, LeavesTheOpenLastLineWhileItGrowsForThreeSecondsAtMost) {
  EXPECT_FALSE(LeaveLineForLater(0, 0, -1));       // a finished line goes ahead
  EXPECT_TRUE(LeaveLineForLater(0, 0, 0));         // an open line just seen changing waits
  EXPECT_TRUE(LeaveLineForLater(999, 0, 0));
  EXPECT_FALSE(LeaveLineForLater(1000, 0, 0));     // unchanged for a second: read as it stands
  EXPECT_TRUE(LeaveLineForLater(2999, 2500, 0));   // still growing
  EXPECT_FALSE(LeaveLineForLater(3000, 3000, 0));  // growing for three seconds: read whatever is there
}

TEST(LineEndWait, LoadsUpToTheLastLineBreakWhileTheLastLineGrows) {
  test::TempDir dir;
  const std::string path = dir.File("race.txt");
  LineEndWait wait;
  EXPECT_EQ(wait.LoadUpTo(path, 0), UINT64_MAX);  // no file
  test::WriteAll(path, "1,1,101,1,1000");
  EXPECT_EQ(wait.LoadUpTo(path, 1000), 0u) << "no line break: nothing complete to load";
  EXPECT_EQ(wait.LoadUpTo(path, 2000), UINT64_MAX) << "unchanged since the last look a second ago";
  test::WriteAll(path, "1,1,101,1,1000,1000,1\r\n");
  EXPECT_EQ(wait.LoadUpTo(path, 3000), UINT64_MAX);
  test::WriteAll(path, "1,1,101,1,1000,1000,1\r\n1,1,102,1,2000,2000,2\r");
  EXPECT_EQ(wait.LoadUpTo(path, 3100), 23u);
  EXPECT_EQ(wait.LoadUpTo(path, 3500), 23u) << "looked at again within the second";
  test::WriteAll(path, "1,1,101,1,1000,1000,1\r\n1,1,102,1,2000,2000,2\r\n" + std::string(70000, '7'));
  EXPECT_EQ(wait.LoadUpTo(path, 3600), 46u) << "a break further back than one read";
  EXPECT_EQ(wait.LoadUpTo(path, 4600), UINT64_MAX);
}

}  // namespace
}  // namespace zun
