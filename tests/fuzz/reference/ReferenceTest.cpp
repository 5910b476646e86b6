// Hand-worked cases of the plain readings, so that a reading that drifts from the rules is caught
// here and not taken for the program's fault (or, worse, agreed with).
#include <gtest/gtest.h>

#include "Reference.h"

namespace {

using Fields = std::vector<std::string>;

TEST(ReferenceFields, IntegersAndTheCommaTextRule) {
  EXPECT_EQ(ref::Integer("  -12", 0), -12);
  EXPECT_EQ(ref::Integer("$1F", 0), 31);
  EXPECT_EQ(ref::Integer("0x10", 0), 16);
  EXPECT_EQ(ref::Integer("12a", -1), -1);
  EXPECT_EQ(ref::Integer("", 7), 7);
  EXPECT_EQ(ref::Integer("2147483648", 0), 0);
  EXPECT_EQ(ref::Integer("-2147483648", 0), INT32_MIN);

  EXPECT_EQ(ref::CommaFields("a b"), (Fields{"a", "b"}));
  EXPECT_EQ(ref::CommaFields("a , b"), (Fields{"a", "b"}));
  EXPECT_EQ(ref::CommaFields("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(ref::CommaFields("a,"), (Fields{"a", ""}));
  EXPECT_EQ(ref::CommaFields("\"x,y\",z"), (Fields{"x,y", "z"}));
  EXPECT_EQ(ref::CommaFields("\"say \"\"hi\"\"\""), (Fields{"say \"hi\""}));
  EXPECT_EQ(ref::CommaFields("1,\"12"), (Fields{"1", "1"}));      // unclosed: the rest less its last byte
  EXPECT_EQ(ref::CommaFields("1,\"ab\"\""), (Fields{"1", "ab"}));  // ... a doubled quote standing for one
  EXPECT_EQ(ref::CommaFields("1,\"2"), (Fields{"1", ""}));
  EXPECT_EQ(ref::CommaFields("\x81, b"), (Fields{"\x81,", "b"}));  // a lead byte takes the comma with it
  EXPECT_EQ(ref::CommaFields(std::string_view("\x81\"x\"", 4)), (Fields{"\x81\"x\""}));
  EXPECT_EQ(ref::CommaFields(std::string_view("a,b\0,c", 6)), (Fields{"a", "b"}));
}

TEST(ReferenceFields, PiecesOfATextModeFile) {
  EXPECT_EQ(ref::Pieces("a\r\nb\rc\n\nd"), (Fields{"a\n", "b\rc\n", "\n", "d"}));
  const std::string line(2046, 'x');
  EXPECT_EQ(ref::Pieces(line + "\r\n"), (Fields{line + "\n"}));
  EXPECT_EQ(ref::Pieces(line + "yz\n"), (Fields{line + "y", "z\n"}));
  EXPECT_EQ(ref::Pieces(line + "y\n"), (Fields{line + "y", "\n"}));
}

const std::string kRankingHeader = ref::RankingHeader();

TEST(ReferenceRace, CellsAndAutomaticMarks) {
  const ref::Race race = ref::ReadRace(
      "\n"
      "1,2,12,1,3600000,3600000,90000000\n"
      "1,2,12,1,3600500,3600000,90000001\n"  // the same key: the row above is marked
      "99,1,5,1,1,1,1\n"                     // a division of 99: marked itself
      "1,1,99999,1,1,1,1\n"                  // bib 99999: the row above
      "  1,1,\"7\",1,,6,7,,\n",
      std::nullopt);
  ASSERT_EQ(race.rows.size(), 7u);
  EXPECT_EQ(race.rows[0][5], "1/1000");
  EXPECT_EQ(race.rows[1], (ref::Row{"1", "", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(race.rows[2][9], "z");
  EXPECT_EQ(race.rows[3][9], "");
  EXPECT_EQ(race.rows[4][9], "z");
  EXPECT_EQ(race.rows[5][9], "");
  EXPECT_EQ(race.rows[6], (ref::Row{"6", "1", "1", "7", "1", " ", "6", "7", " ", " "}));
}

TEST(ReferenceRace, FlagsFirstRepeatsAndThePureText) {
  const ref::Race race = ref::ReadRace(
      "1,1,12,1,10000000,10000000,1\n"
      "1,1,12,1,5959500,5959000,2\n"  // earlier by the millisecond time: the row above gets "R"
      "1,1,13,2,0123,99,3\n"
      "1,1,14,2,1000,1000,4\n",
      std::string("\r\n  x,1,1,13,2,123,99,3,x  \r\n\r\n"));
  EXPECT_EQ(race.flags, (Fields{"x,1,1,13,2,123,99,3,x"}));
  EXPECT_EQ(race.rows[1][9], "R");
  EXPECT_EQ(race.rows[2][9], "");
  EXPECT_EQ(race.rows[3][8], "x");  // 0123 is 123
  EXPECT_EQ(race.pure, "1,1,12,1,5959500,5959000,2\r\n1,1,14,2,1000,1000,4\r\n\r\n");
}

TEST(ReferenceRace, RankingsScreenAndNumberThePassages) {
  // Bib 7, count 2, at 1:00:00, 1:00:02, 1:00:05 and 1:00:09: the second and third are dropped.
  const ref::Race race = ref::ReadRace(
      "1,1,7,2,10000000,10000000,1\n"
      "1,1,7,2,10002000,10002000,2\n"
      "1,1,7,2,10005000,10005000,3\n"
      "1,1,7,2,10009000,10009000,4\n"
      "1,1,8,3,10009000,10010000,5\n"  // the same time as bib 7's last: after it, the later row
      "1,1,0,1,1000,1000,6\n",         // bib 0: never listed
      std::nullopt);
  EXPECT_EQ(race.overall, kRankingHeader + "1,7,10000,1\r\n2,7,10009,2\r\n3,8,10010,1\r\n");
  ASSERT_EQ(race.counts.size(), 2u);
  EXPECT_EQ(race.counts[0], kRankingHeader + "1,7,10000,1\r\n2,8,10010,1\r\n");
  EXPECT_EQ(race.counts[1], kRankingHeader + "1,7,10009,2\r\n");
}

TEST(ReferenceRace, AFirstLapTallyCarriesOverBibs) {
  // Bib 5's first lap counts; bib 6 starts with lap 2, so its later first lap is dropped.
  const ref::Race race = ref::ReadRace(
      "1,1,5,1,1000000,1000000,1\n"
      "1,1,6,2,2000000,2000000,2\n"
      "1,1,6,1,3000000,3000000,3\n",
      std::nullopt);
  EXPECT_EQ(race.overall, kRankingHeader + "1,5,1000,1\r\n2,6,2000,1\r\n");
}

TEST(ReferenceListings, LinesAsServersWriteThem) {
  const ref::Listed e{"a b.csv", false, 123, 2026, 3, 5, 18, 7, 9};
  EXPECT_EQ(ref::MlsdLine(e, 0), "type=file;size=123;modify=20260305180709; a b.csv");
  EXPECT_EQ(ref::UnixLine(e, false), "-rw-r--r-- 1 user group          123 Mar  5 18:07 a b.csv");
  EXPECT_EQ(ref::UnixLine(e, true), "-rw-r--r-- 1 user group          123 Mar  5  2026 a b.csv");
  EXPECT_EQ(ref::DosLine(e, false), "03-05-26  06:07PM            123 a b.csv");
  EXPECT_EQ(ref::DosLine({"d", true, 0, 1999, 12, 31, 0, 30, 0}, true), "12-31-1999  12:30AM <DIR>          d");
  EXPECT_EQ(ref::UnixYear(12, 9, 2026, 12, 8), 2026);
  EXPECT_EQ(ref::UnixYear(12, 10, 2026, 12, 8), 2025);
}

}  // namespace
