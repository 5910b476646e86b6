// The load pipeline: header, numbering, flags, tables, and the repeated-first-lap marks.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "live/LoadPipeline.h"

namespace zun {
namespace {

class Load : public ::testing::Test {
 protected:
  LoadReport Run(const std::string& content) {
    test::WriteAll(dir_.File("race.txt"), content);
    return LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  }
  std::string Z(int row) const { return std::string(data_.Grid.Cell(ColZFlg, row)); }
  test::TempDir dir_;
  ResultData data_;
  FlagList flags_;
};

TEST_F(Load, HeaderNumberingAndTables) {
  const LoadReport report = Run("\n1,1,5,1,1000,1000,0\n");
  EXPECT_TRUE(report.fileOpened);
  EXPECT_EQ(data_.Grid.Cell(ColLineNo, 0), HeaderTexts()[0]);
  EXPECT_EQ(data_.Grid.Cell(ColZFlg, 0), HeaderTexts()[9]);
  EXPECT_EQ(data_.Grid.Cell(ColLineNo, 1), "1");  // an empty line's row is numbered too
  EXPECT_EQ(data_.RowTotal, 3);
  EXPECT_TRUE(data_.HasTables);
  EXPECT_EQ(data_.Passages.size(), 3u);
  EXPECT_EQ(data_.FirstRepeats.size(), 3u);
}

TEST_F(Load, AMarkOnTheHeaderRowIsOverwrittenByTheHeader) {
  Run("1,1,99999,1,1000,1000,0\n");
  EXPECT_EQ(data_.Grid.Cell(ColZFlg, 0), HeaderTexts()[9]);
}

TEST_F(Load, MissingFileGivesTheEmptyTwoRowGrid) {
  Run("1,1,5,1,0,1000,0\n1,1,6,1,0,1000,0\n");
  const LoadReport report = LoadResultGrid(data_, flags_, dir_.File("none.txt"));
  EXPECT_FALSE(report.fileOpened);
  EXPECT_EQ(data_.Grid.RowCount(), 2);
  EXPECT_EQ(data_.Grid.Cell(ColLineNo, 1), "1");
  EXPECT_EQ(data_.Grid.Cell(ColBib, 1), "");
  EXPECT_EQ(data_.RowTotal, 2);
  EXPECT_TRUE(data_.HasTables);
}

TEST_F(Load, TheEarliestFirstLapOfABibStaysAndLaterOnesGetR) {
  std::string lines;
  for (int r = 1; r <= 9; ++r) {
    if (r == 5) lines += "1,1,12,1,10000000,10000000,0\n";
    else if (r == 9) lines += "1,1,12,1,5959500,5959000,0\n";
    else lines += "1,1," + std::to_string(100 + r) + ",2,1000,1000,0\n";
  }
  const LoadReport report = Run(lines);
  EXPECT_TRUE(report.firstRepeatFound);
  EXPECT_EQ(Z(5), "R");
  EXPECT_EQ(Z(9), "");
}

TEST_F(Load, EqualTimesMarkTheHigherRow) {
  Run("1,1,12,1,2000,2000,0\n1,1,13,1,2000,2000,0\n1,1,12,1,2000,3000,0\n");
  EXPECT_EQ(Z(1), "");
  EXPECT_EQ(Z(3), "R");
}

TEST_F(Load, MarkedZeroTimeAndOtherLapRowsTakeNoPart) {
  Run("1,1,12,1,1000,1000,0\n"    // 1: z (repeated by row 2)
      "1,1,12,1,1500,1000,0\n"    // 2: earliest remaining
      "1,1,12,1,500,0,0\n"        // 3: whole-second time 0
      "1,1,12,2,100,5000,0\n"     // 4: lap 2
      "1,1,12,1,400,abc,0\n"      // 5: not numeric
      "1,1,12,1,9000,9000,0\n");  // 6: R
  EXPECT_EQ(Z(1), "z");
  EXPECT_EQ(Z(2), "");
  EXPECT_EQ(Z(3), "");
  EXPECT_EQ(Z(4), "");
  EXPECT_EQ(Z(5), "");
  EXPECT_EQ(Z(6), "R");
}

TEST_F(Load, NonNumericBibsFormOneGroup) {
  // An empty bib field is kept as a blank cell, which reads as 0 like "abc".
  Run("1,1,abc,1,1000,1000,0\n1,1,,1,2000,2000,0\n1,1,0,1,3000,3000,0\n");
  EXPECT_EQ(Z(1), "");
  EXPECT_EQ(Z(2), "R");
  EXPECT_EQ(Z(3), "R");
}

TEST_F(Load, FlagFileMarksEveryMatchingRowAndKeepsItsLines) {
  test::WriteAll(dir_.File("zuntext.flg"), "  9,1,1,0123,2,1000,1000,0,x \n\n5,short\r\n");
  const LoadReport report = Run("1,1,123,2,1000,1000,0\n1,1,5,2,1000,1000,0\n1,1,123,2,1000,1000,0\n");
  EXPECT_EQ(report.flagFile, FlagFileRead::Read);
  EXPECT_EQ(flags_, (FlagList{"9,1,1,0123,2,1000,1000,0,x", "5,short"}));
  EXPECT_EQ(data_.Grid.Cell(ColXFlg, 1), "x");
  EXPECT_EQ(data_.Grid.Cell(ColXFlg, 2), "");
  EXPECT_EQ(data_.Grid.Cell(ColXFlg, 3), "x");
}

TEST_F(Load, XMarkedRowsTakeNoPartInFirstRepeats) {
  test::WriteAll(dir_.File("zuntext.flg"), "1,1,1,12,1,1000,1000,0,x\n");
  Run("1,1,12,1,1000,1000,0\n1,1,12,1,2000,2000,0\n1,1,12,1,3000,3000,0\n");
  EXPECT_EQ(Z(1), "");
  EXPECT_EQ(Z(2), "");
  EXPECT_EQ(Z(3), "R");
}

TEST_F(Load, AReloadForgetsFlagsOfADeletedFlagFile) {
  test::WriteAll(dir_.File("zuntext.flg"), "1,1,1,12,2,1000,1000,0,x\n");
  Run("1,1,12,2,1000,1000,0\n");
  EXPECT_EQ(flags_.size(), 1u);
  std::remove(dir_.File("zuntext.flg").c_str());
  const LoadReport report = LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  EXPECT_EQ(report.flagFile, FlagFileRead::Missing);
  EXPECT_TRUE(flags_.empty());
  EXPECT_EQ(data_.Grid.Cell(ColXFlg, 1), "");
}

TEST_F(Load, RowLimit) {
  // 4,999,948 data lines load fully; one more is refused after reading.
  std::string lines;
  lines.reserve(25000000);
  for (int i = 0; i < 4999948; ++i) lines += "1,1,1,2,5\n";
  LoadReport report = Run(lines);
  EXPECT_FALSE(report.tooBig);
  EXPECT_EQ(data_.RowTotal, 4999949);
  EXPECT_TRUE(data_.HasTables);

  flags_ = {"kept"};
  lines += "1,1,1,2,5\n";
  report = Run(lines);
  EXPECT_TRUE(report.tooBig);
  EXPECT_EQ(data_.RowTotal, 4999950);
  EXPECT_EQ(data_.Grid.Cell(ColLineNo, 4999949), "4999949");
  EXPECT_FALSE(data_.HasTables);
  EXPECT_TRUE(data_.Passages.empty());
  EXPECT_EQ(flags_, FlagList{"kept"});
}

}  // namespace
}  // namespace zun
