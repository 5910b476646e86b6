// The wait for a reading still being written.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "live/LineEndWait.h"

namespace zun {
namespace {

TEST(LineEndWait, HoldsWhileTheOpenLastLineGrowsForThreeTicksAtMost) {
  int held = 0;
  EXPECT_FALSE(HoldForLineEnd(false, true, held));  // a finished line goes ahead
  EXPECT_FALSE(HoldForLineEnd(true, false, held));  // an open line that stopped growing goes ahead
  EXPECT_TRUE(HoldForLineEnd(true, true, held));
  EXPECT_TRUE(HoldForLineEnd(true, true, held));
  EXPECT_TRUE(HoldForLineEnd(true, true, held));
  EXPECT_FALSE(HoldForLineEnd(true, true, held));  // the fourth tick reloads whatever is there
  EXPECT_EQ(held, 0);
  EXPECT_TRUE(HoldForLineEnd(true, true, held));  // and the count starts again
}

TEST(LineEndWait, LooksAtTheFilesLastByteAndSize) {
  test::TempDir dir;
  const std::string path = dir.File("race.txt");
  LineEndWait wait;
  EXPECT_FALSE(wait.Holds(path));  // no file
  test::WriteAll(path, "1,1,101,1,1000");
  EXPECT_TRUE(wait.Holds(path));
  EXPECT_FALSE(wait.Holds(path));  // unchanged since the last look
  test::WriteAll(path, "1,1,101,1,1000,1000,1\r\n");
  EXPECT_FALSE(wait.Holds(path));
  test::WriteAll(path, "1,1,101,1,1000,1000,1\r\n1,1,102,1,2000,2000,2\r");
  EXPECT_TRUE(wait.Holds(path));
}

}  // namespace
}  // namespace zun
