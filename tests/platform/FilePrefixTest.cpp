// Whether a grown file still begins with the bytes hashed, checked piece by piece on two threads.
#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "platform/PrefixHash.h"

namespace zun {
namespace {

TEST(FilePrefix, AnyChangedByteBeforeTheEndIsSeenInEveryPiece) {
  test::TempDir dir;
  const std::string path = dir.File("race.txt");
  const uint64_t piece = FilePrefix::kPiece;
  std::string bytes(static_cast<size_t>(3 * piece + 12345), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('0' + i % 10 + i / 1000 % 7);
  test::WriteAll(path, bytes);

  FilePrefix prefix;
  ASSERT_TRUE(prefix.Extend(path, bytes.size() - 100));
  test::WriteAll(path, bytes + "1,2,3\n");  // grown
  EXPECT_TRUE(prefix.Matches(path));
  ASSERT_TRUE(prefix.Extend(path, bytes.size()));
  EXPECT_EQ(prefix.Bytes(), bytes.size());
  EXPECT_TRUE(prefix.Matches(path));

  // A byte changed in each whole piece (both threads' shares) and in the piece being filled.
  for (uint64_t at : {uint64_t{0}, piece - 1, piece, 2 * piece + 7, 3 * piece + 12344}) {
    std::string changed = bytes;
    changed[static_cast<size_t>(at)] ^= 1;
    test::WriteAll(path, changed);
    EXPECT_FALSE(prefix.Matches(path)) << at;
  }
  // Shorter, and gone.
  test::WriteAll(path, bytes.substr(0, bytes.size() - 1));
  EXPECT_FALSE(prefix.Matches(path));
  EXPECT_FALSE(prefix.Extend(path, bytes.size() + 5));
  std::remove(path.c_str());
  EXPECT_FALSE(prefix.Matches(path));

  // Hashing in one go or in steps gives the same pieces.
  test::WriteAll(path, bytes);
  FilePrefix whole, steps;
  ASSERT_TRUE(whole.Extend(path, bytes.size()));
  for (uint64_t end = 1; end < bytes.size(); end = end * 3 + 1) ASSERT_TRUE(steps.Extend(path, end));
  ASSERT_TRUE(steps.Extend(path, bytes.size()));
  EXPECT_TRUE(whole.Matches(path));
  EXPECT_TRUE(steps.Matches(path));
  steps.Clear();
  EXPECT_EQ(steps.Bytes(), 0u);
}

}  // namespace
}  // namespace zun
