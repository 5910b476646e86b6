#include "platform/DirectoryListing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"

namespace zun {
namespace {

TEST(DirectoryListing, WildcardIgnoresAsciiCase) {
  EXPECT_TRUE(WildcardMatch("*.txt", "a.TXT"));
  EXPECT_TRUE(WildcardMatch("*.txt", ".txt"));
  EXPECT_FALSE(WildcardMatch("*.txt", "a.txt.bak"));
  EXPECT_TRUE(WildcardMatch("0?1.csv", "001.CSV"));
  EXPECT_FALSE(WildcardMatch("0?1.csv", "01.csv"));
  EXPECT_TRUE(WildcardMatch("*a*b", "xxaxxb"));
}

TEST(DirectoryListing, RegularFilesInNameOrderIgnoringCase) {
  test::TempDir dir;
  test::WriteAll(dir.File("b.txt"), "12345");
  test::WriteAll(dir.File("A.TXT"), "");
  test::WriteAll(dir.File("a.txt"), "");
  test::WriteAll(dir.File("c.csv"), "");
  mkdir(dir.File("d.txt").c_str(), 0777);
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(ListDirectory(dir.Path(), "*.txt", entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "A.TXT");
  EXPECT_EQ(entries[1].name, "a.txt");
  EXPECT_EQ(entries[2].name, "b.txt");
  EXPECT_EQ(entries[2].size, 5);
  EXPECT_FALSE(ListDirectory(dir.File("none"), "*", entries));
  EXPECT_TRUE(entries.empty());
}

TEST(DirectoryListing, DateIsLocal) {
  setenv("TZ", "JST-9", 1);
  tzset();
  // 2024-03-01 20:00 UTC is already 2 March in Japan.
  EXPECT_EQ(LocalDateText(1709323200LL * 1000000000LL), "2024/03/02");
  unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace zun
