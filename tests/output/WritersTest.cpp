// The pure text and the ranking files, byte for byte.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "output/PureText.h"
#include "output/Ranking.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "live/LoadPipeline.h"

namespace zun {
namespace {

const std::string kHeader = Cp932FromUtf8("順位,No.,記録,回数") + "\r\n";

class Writers : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateFolder(dir_.File("000"));
    CreateFolder(dir_.File("999"));
  }
  void Load(const std::string& content) {
    test::WriteAll(dir_.File("race.txt"), content);
    LoadResultGrid(data_, flags_, dir_.File("race.txt"));
  }
  RankingReport Rank() {
    return WriteRankingFiles(data_.Grid, data_.RowTotal, data_.Passages, dir_.File("000"), dir_.File("999"));
  }
  std::string Csv(const std::string& name) const { return test::ReadAll(dir_.File(name)); }
  static std::string Lines(std::initializer_list<const char*> lines) {
    std::string out = kHeader;
    for (const char* l : lines) out += std::string(l) + "\r\n";
    return out;
  }
  test::TempDir dir_;
  ResultData data_;
  FlagList flags_;
};

TEST_F(Writers, PureTextWritesUnmarkedRowsAsIntegers) {
  Load("01,1,5,2,00123456,123000,abc\n"  // normalised
       "\n"                               // an empty row
       "1,1,6,2,1000,1000,0,x\n"          // operator's mark from the file
       "1,1,7,2,1000,1000,0, ,\n"         // a blank in column 9 is no mark
       "99,1,8,2,1000,1000,0\n"          // z
       "-5,+7,$1F,0,999999999,2147483648,\" 5\"\n");  // sign, hexadecimal, 32 bits, blanks
  ASSERT_EQ(WritePureTextFile(data_.Grid, dir_.File("zuntextpure.txt")), SaveResult::Ok);
  EXPECT_EQ(test::ReadAll(dir_.File("zuntextpure.txt")),
            "1,1,5,2,123456,123000,0\r\n0,0,0,0,0,0,0\r\n1,1,7,2,1000,1000,0\r\n-5,7,31,0,999999999,0,5\r\n\r\n");
}

TEST_F(Writers, PureTextOfAGridWithoutUnmarkedRowsIsOneLineBreak) {
  Load("1,1,6,2,1000,1000,0,x\n");
  WritePureTextFile(data_.Grid, dir_.File("p.txt"));
  EXPECT_EQ(test::ReadAll(dir_.File("p.txt")), "\r\n");
}

TEST_F(Writers, CountFilesOfPassagesThatNoLongerOccurKeepOnlyTheHeader) {
  // Left from an earlier write, or another race: published as they are, they would be wrong.
  for (const char* name : {"001.csv", "002.csv", "1000.csv", "01.csv", "0002.csv", "2.csv", "002.txt", "notes.csv"})
    test::WriteAll(dir_.File(std::string("999/") + name), "old");
  Load("1,1,99999,1,1000,1000,0\n1,1,0,1,2000,2000,0\n1,1,5,1,0,0,0\n");
  RankingReport report = Rank();
  EXPECT_TRUE(report.overallWritten);
  EXPECT_EQ(report.countFilesWritten, 3);
  EXPECT_EQ(Csv("000/000.csv"), kHeader);
  for (const char* name : {"001.csv", "002.csv", "1000.csv"}) EXPECT_EQ(Csv(std::string("999/") + name), kHeader) << name;
  for (const char* name : {"01.csv", "0002.csv", "2.csv", "002.txt", "notes.csv"})
    EXPECT_EQ(Csv(std::string("999/") + name), "old") << "not a count ranking file: " << name;

  Load("1,1,5,1,1000,1000,0\n");
  report = Rank();
  EXPECT_EQ(report.countFilesWritten, 3);
  EXPECT_EQ(Csv("999/001.csv"), Lines({"1,5,1,1"}));
  EXPECT_EQ(Csv("999/002.csv"), kHeader);
}

TEST_F(Writers, RereadsWithinThreeSecondsAreDroppedAsAChain) {
  // Bib 7, count 2, at 1:00:00, 1:00:02, 1:00:05 and 1:00:09.
  Load("1,1,7,2,10000000,10000000,0\n"
       "1,1,7,2,10002000,10002000,0\n"
       "1,1,7,2,10005000,10005000,0\n"
       "1,1,7,2,10009000,10009000,0\n");
  Rank();
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,7,10000,1", "2,7,10009,2"}));
  EXPECT_EQ(Csv("999/001.csv"), Lines({"1,7,10000,1"}));
  EXPECT_EQ(Csv("999/002.csv"), Lines({"1,7,10009,2"}));
}

TEST_F(Writers, OnlyTheEarliestCountOneOfABibIsListed) {
  Load("1,1,7,1,10000000,10000000,0\n1,1,7,1,10100000,10100000,0\n");
  Rank();
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,7,10000,1"}));
}

TEST_F(Writers, TheFirstCountTallyIsClearedOnlyAtACountOneOfAnotherBib) {
  // Bib 5 has a count 1; bib 8's earliest row has count 2 and a later one count 1.
  Load("1,1,5,1,10000000,10000000,0\n1,1,8,2,10100000,10100000,0\n1,1,8,1,10200000,10200000,0\n");
  Rank();
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,5,10000,1", "2,8,10100,1"}));
  // Without an earlier count 1 the later row of bib 8 is kept.
  Load("1,1,8,2,10100000,10100000,0\n1,1,8,1,10200000,10200000,0\n");
  Rank();
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,8,10100,1", "2,8,10200,2"}));
}

TEST_F(Writers, EqualTimesKeepGridOrderAndTheRecordColumnShowsTheWholeSecondTime) {
  Load("1,1,9,2,10000900,5959900,0\n1,1,3,2,10000100,10000000,0\n1,1,4,0,10000000,10000000,0\n");
  Rank();
  // Row 3 has count 0: gathered, never listed.
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,9,5959,1", "2,3,10000,1"}));
}

TEST_F(Writers, MarkedRowsAreNeverListedButABlankColumnNineIs) {
  test::WriteAll(dir_.File("zuntext.flg"), "1,1,1,5,2,1000000,1000000,0,x\n");
  Load("1,1,5,2,1000000,1000000,0\n"
       "1,1,6,2,1100000,1100000,0,, \n"
       "99,1,7,2,1200000,1200000,0\n");
  Rank();
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,6,1100,1"}));
}

TEST_F(Writers, ABibWithThreePassagesIsInThreeCountFiles) {
  Load("1,1,5,1,1000000,1000000,0\n1,1,6,1,1000500,1000000,0\n1,1,5,2,1100000,1100000,0\n"
       "1,1,5,3,1200000,1200000,0\n");
  const RankingReport report = Rank();
  EXPECT_EQ(report.passagesListed, 4);
  EXPECT_EQ(report.countFilesWritten, 3);
  EXPECT_EQ(Csv("000/000.csv"), Lines({"1,5,1000,1", "2,6,1000,1", "3,5,1100,2", "4,5,1200,3"}));
  EXPECT_EQ(Csv("999/001.csv"), Lines({"1,5,1000,1", "2,6,1000,1"}));
  EXPECT_EQ(Csv("999/002.csv"), Lines({"1,5,1100,2"}));
  EXPECT_EQ(Csv("999/003.csv"), Lines({"1,5,1200,3"}));
}

TEST_F(Writers, AMissingFolderFailsTheOverallFileAndWritesNoCountFile) {
  Load("1,1,5,1,1000000,1000000,0\n");
  const RankingReport report =
      WriteRankingFiles(data_.Grid, data_.RowTotal, data_.Passages, dir_.File("none"), dir_.File("999"));
  EXPECT_FALSE(report.overallWritten);
  EXPECT_FALSE(FileExists(dir_.File("999/001.csv")));
}

TEST_F(Writers, AGridWithoutTablesWritesNothing) {
  PassageTable none;
  EXPECT_FALSE(WriteRankingFiles(data_.Grid, 2, none, dir_.File("000"), dir_.File("999")).overallWritten);
  EXPECT_FALSE(FileExists(dir_.File("000/000.csv")));
}

TEST_F(Writers, RunningTwiceGivesTheSameBytes) {
  Load("1,1,5,1,1000000,1000000,0\n1,1,6,1,1000000,1000000,0\n1,1,5,2,1100000,1100000,0\n");
  Rank();
  const std::string first = Csv("000/000.csv") + Csv("999/001.csv");
  Rank();
  EXPECT_EQ(Csv("000/000.csv") + Csv("999/001.csv"), first);
}

TEST(HmsToSeconds, SplitsHoursMinutesSeconds) {
  EXPECT_EQ(HmsToSeconds(13502), 1 * 3600 + 35 * 60 + 2);
  EXPECT_EQ(HmsToSeconds(5959), 59 * 60 + 59);
  EXPECT_EQ(HmsToSeconds(0), 0);
}

}  // namespace
}  // namespace zun
