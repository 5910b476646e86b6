// The operator's marks and the flag file: matching by content, saving, removing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "live/LoadPipeline.h"
#include "view/Flags.h"

namespace zun {
namespace {

class Flags : public ::testing::Test {
 protected:
  void Load(const std::string& content) {
    test::WriteAll(dir_.File("race.txt"), content);
    LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  }
  std::string FlagFile() const { return dir_.File("zuntext.flg"); }
  std::string X(int row) const { return std::string(data_.Grid.Cell(ColXFlg, row)); }
  test::TempDir dir_;
  ResultData data_;
  FlagList flags_;
};

TEST(FlagMatch, ComparesColumnsOneToSevenAsIntegers) {
  ResultGrid grid;
  grid.SetRowCount(3);
  const std::string_view row1[] = {"1", "1", "1", "123", "2", "1000", "1000", "90000000"};
  const std::string_view row2[] = {"2", "1", "1", "abc", "2", "1000", "1000", "90000000"};
  grid.SetRow(1, row1, 8);
  grid.SetRow(2, row2, 8);
  EXPECT_TRUE(FlagMatch("77,1,1,0123,2,1000,1000,90000000,x", grid, 1));  // line number ignored
  EXPECT_TRUE(FlagMatch("77,1,1,123,2,1000,1000,90000000", grid, 1));     // field 8 ignored
  EXPECT_FALSE(FlagMatch("1,1,1,124,2,1000,1000,90000000,x", grid, 1));
  EXPECT_FALSE(FlagMatch("1,1,1,123,2,1000,1000", grid, 1));  // too few fields: names no row
  // A non-numeric cell reads -1 on the grid side but 0 on the line side: no match...
  EXPECT_FALSE(FlagMatch("2,1,1,abc,2,1000,1000,90000000,x", grid, 2));
  // ...except against a line that says -1 itself.
  EXPECT_TRUE(FlagMatch("2,1,1,-1,2,1000,1000,90000000,x", grid, 2));
}

TEST_F(Flags, SetSavesTheRowsLineAndCountsAsMarked) {
  Load("1,1,5,2,1000,1000,90001000\n1,1,6,2,1000,1000,90001000\n");
  EXPECT_EQ(SetFlagMark(data_.Grid, flags_, 2, FlagFile()), MarkOutcome::Saved);
  EXPECT_EQ(X(2), "x");
  EXPECT_EQ(flags_, FlagList{"2,1,1,6,2,1000,1000,90001000,x"});
  EXPECT_EQ(test::ReadAll(FlagFile()), "2,1,1,6,2,1000,1000,90001000,x\r\n\r\n");
  EXPECT_EQ(SetFlagMark(data_.Grid, flags_, 2, FlagFile()), MarkOutcome::AlreadyMarked);
  EXPECT_EQ(flags_.size(), 1u);
}

TEST_F(Flags, IdenticalRowsAreOneResult) {
  Load("1,1,5,2,1000,1000,0\n1,1,5,2,1000,1000,0\n");
  EXPECT_EQ(SetFlagMark(data_.Grid, flags_, 1, FlagFile()), MarkOutcome::Saved);
  EXPECT_EQ(SetFlagMark(data_.Grid, flags_, 2, FlagFile()), MarkOutcome::AlreadyMarked);
  LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  EXPECT_EQ(X(1), "x");
  EXPECT_EQ(X(2), "x");
}

TEST_F(Flags, AMarkFollowsItsRowWhenLinesAreInsertedAbove) {
  Load("1,1,5,2,1000,1000,0\n1,1,6,2,2000,2000,0\n");
  ASSERT_EQ(SetFlagMark(data_.Grid, flags_, 2, FlagFile()), MarkOutcome::Saved);
  Load("1,1,4,2,500,500,0\n1,1,3,2,700,700,0\n1,1,5,2,1000,1000,0\n1,1,6,2,2000,2000,0\n");
  EXPECT_EQ(X(2), "");
  EXPECT_EQ(X(4), "x");
}

TEST_F(Flags, RemoveClearsTheRowsOfTheLineAndRewritesTheFile) {
  Load("1,1,5,2,1000,1000,0\n1,1,6,2,2000,2000,0\n1,1,5,2,1000,1000,0\n");
  SetFlagMark(data_.Grid, flags_, 1, FlagFile());
  SetFlagMark(data_.Grid, flags_, 2, FlagFile());
  LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  ASSERT_EQ(X(3), "x");
  EXPECT_EQ(RemoveFlagMark(data_.Grid, flags_, 0, FlagFile()), MarkOutcome::Saved);
  EXPECT_EQ(X(1), "");
  EXPECT_EQ(X(3), "");  // both rows of the removed line, not only the framed one
  EXPECT_EQ(X(2), "x");
  EXPECT_EQ(test::ReadAll(FlagFile()), "2,1,1,6,2,2000,2000,0,x\r\n\r\n");
  EXPECT_EQ(RemoveFlagMark(data_.Grid, flags_, 0, FlagFile()), MarkOutcome::Saved);
  EXPECT_EQ(test::ReadAll(FlagFile()), "\r\n");  // the last mark gone: one line break, file kept
  EXPECT_EQ(RemoveFlagMark(data_.Grid, flags_, 0, FlagFile()), MarkOutcome::NoSelection);
}

TEST_F(Flags, ARowStaysMarkedWhileAnotherLineStillNamesIt) {
  Load("1,1,5,2,1000,1000,0\n");
  test::WriteAll(FlagFile(), "1,1,1,5,2,1000,1000,0,x\n9,1,1,5,2,1000,1000,0,x\n");
  LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  EXPECT_EQ(RemoveFlagMark(data_.Grid, flags_, 0, FlagFile()), MarkOutcome::Saved);
  EXPECT_EQ(X(1), "x");
}

TEST_F(Flags, AFailedSaveKeepsTheChangeInMemoryOnly) {
  Load("1,1,5,2,1000,1000,0\n");
  const std::string badPath = dir_.File("gone/zuntext.flg");
  EXPECT_EQ(SetFlagMark(data_.Grid, flags_, 1, badPath), MarkOutcome::SaveOpenFailed);
  EXPECT_EQ(X(1), "x");
  EXPECT_EQ(flags_.size(), 1u);
  EXPECT_EQ(RemoveFlagMark(data_.Grid, flags_, 0, badPath), MarkOutcome::SaveOpenFailed);
  EXPECT_TRUE(flags_.empty());
  EXPECT_EQ(X(1), "x");  // the grid keeps its mark until the next load
}

TEST_F(Flags, UnreadableFlagFileMarksNothing) {
  Load("1,1,5,2,1000,1000,0\n");
  ASSERT_EQ(mkdir(FlagFile().c_str(), 0700), 0);  // a folder in the flag file's place
  flags_ = {"old"};
  const LoadReport report = LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  EXPECT_EQ(report.flagFile, FlagFileRead::Missing);
  EXPECT_TRUE(flags_.empty());
}

TEST_F(Flags, LongFlagLinesAreReadInPieces) {
  Load("1,1,5,2,1000,1000,0\n");
  test::WriteAll(FlagFile(), std::string(2047, '7') + "tail\n");
  LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  EXPECT_EQ(flags_, (FlagList{std::string(2047, '7'), "tail"}));
}

}  // namespace
}  // namespace zun
