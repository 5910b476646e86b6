// Reading zunText files into the grid: rows, cells and the automatic "z" marks.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "TempDir.h"
#include "platform/CommaText.h"
#include "platform/Text.h"
#include "platform/Cp932.h"
#include "live/LoadPipeline.h"
#include "results/ZunTextReader.h"

namespace zun {
namespace {

class Reader : public ::testing::Test {
 protected:
  ResultGrid& Read(const std::string& content) {
    test::WriteAll(dir_.File("race.txt"), content);
    EXPECT_TRUE(ReadZunText(grid_, dir_.File("race.txt")));
    return grid_;
  }
  std::string Z(int row) const { return std::string(grid_.Cell(ColZFlg, row)); }
  test::TempDir dir_;
  ResultGrid grid_;
};

TEST_F(Reader, EmptyLinesKeepTheirRowsAndNumbers) {
  Read("\n\r\n   \n1,1,101,1,1000,1000,90001000\n");
  EXPECT_EQ(grid_.RowCount(), 5);
  EXPECT_EQ(grid_.Cell(ColLineNo, 1), "");
  EXPECT_EQ(grid_.Cell(ColLineNo, 4), "4");
  EXPECT_EQ(grid_.Cell(ColBib, 4), "101");
  EXPECT_EQ(grid_.Cell(ColStamp, 4), "90001000");
  EXPECT_EQ(grid_.Cell(ColXFlg, 4), "");
}

TEST_F(Reader, OnlyEmptyLinesGiveHeaderAndOneEmptyRow) {
  Read("\n\n\n");
  EXPECT_EQ(grid_.RowCount(), 2);
  for (int c = 0; c < kGridColumns; ++c) EXPECT_EQ(grid_.Cell(c, 1), "");
}

TEST_F(Reader, TrailingEmptyLinesAddNoRows) {
  Read("1,1,1,1,1,1,1\n\n\n");
  EXPECT_EQ(grid_.RowCount(), 2);
}

TEST_F(Reader, EmptyFieldsBecomeOneBlankAndExtraFieldsAreDropped) {
  Read("1,2,3,4,5,6,7,,\n1,2,3,5,5,6,7,8,9,10,11\n");
  EXPECT_EQ(grid_.Cell(ColXFlg, 1), " ");
  EXPECT_EQ(grid_.Cell(ColZFlg, 1), " ");
  EXPECT_EQ(grid_.Cell(ColXFlg, 2), "8");
  EXPECT_EQ(grid_.Cell(ColZFlg, 2), "9");
}

TEST_F(Reader, QuotedAndUnclosedFields) {
  Read("1,\"2,5\",3\n1,2,\"12\n");
  EXPECT_EQ(grid_.Cell(ColDiv2, 1), "2,5");
  EXPECT_EQ(grid_.Cell(ColBib, 1), "3");
  EXPECT_EQ(grid_.Cell(ColBib, 2), "1");
}

TEST_F(Reader, IdenticalRecordsMarkAllButTheLastOfARun) {
  // Same divisions, bib, count and whole-second time; the millisecond time and stamp differ.
  Read("1,1,7,2,1000100,1000000,90000100\n"
       "1,1,7,2,1000200,1000000,90000200\n"
       "1,1,7,2,1000300,1000000,90000999\n"
       "1,1,7,3,1000300,1000000,90000999\n");
  EXPECT_EQ(Z(1), "z");
  EXPECT_EQ(Z(2), "z");
  EXPECT_EQ(Z(3), "");
  EXPECT_EQ(Z(4), "");
}

TEST_F(Reader, TheKeyHasNoSeparators) {
  Read("1,23,5,1,0,1000,0\n12,3,5,1,0,1000,0\n");
  EXPECT_EQ(Z(1), "z");
}

TEST_F(Reader, NonNumericFieldsCountAsZeroInTheKey) {
  Read("a,1,5,1,0,1000,0\n0,1,5,1,0,1000,0\n");
  EXPECT_EQ(Z(1), "z");
}

TEST_F(Reader, OutOfRangeDivisionMarksItselfAndBigBibMarksTheRowBefore) {
  Read("1,1,5,1,0,1000,0\n99,1,6,1,0,2000,0\n1,1,6,1,0,3000,0\n1,1,99999,1,0,4000,0\n1,150,8,1,0,5000,0\n");
  EXPECT_EQ(Z(1), "");
  EXPECT_EQ(Z(2), "z");
  EXPECT_EQ(Z(3), "z");  // the record before bib 99999
  EXPECT_EQ(Z(4), "");
  EXPECT_EQ(Z(5), "z");
}

TEST_F(Reader, ARepeatAfterAnEmptyLineMarksTheEmptyRow) {
  Read("1,1,5,1,0,1000,0\n\n1,1,5,1,0,1000,0\n");
  EXPECT_EQ(Z(1), "");
  EXPECT_EQ(Z(2), "z");
  EXPECT_EQ(grid_.Cell(ColLineNo, 2), "");
}

TEST_F(Reader, AMarkReplacesANinthField) {
  Read("1,1,5,1,0,1000,0,,Q\n1,1,5,1,0,1000,0\n");
  EXPECT_EQ(Z(1), "z");
}

TEST_F(Reader, LongLinesAreReadInPiecesAndMoveLaterLineNumbers) {
  std::string longLine = "1,1,5,1,0,1000," + std::string(2047 - 15, '9');  // 2047 bytes
  Read(longLine + "\n1,1,6,1,0,1000,0\n");
  // The first piece is the 2,047 bytes, its line end counts as an empty line 2.
  EXPECT_EQ(grid_.RowCount(), 4);
  EXPECT_EQ(grid_.Cell(ColBib, 1), "5");
  EXPECT_EQ(grid_.Cell(ColLineNo, 2), "");
  EXPECT_EQ(grid_.Cell(ColBib, 3), "6");
}

TEST_F(Reader, ShiftJisBytesStayAsTheyAre) {
  const std::string name = Cp932FromUtf8("山田");
  Read("1,1,5,1,0,1000,0,," + name + "\n");
  EXPECT_EQ(grid_.Cell(ColZFlg, 1), name);
}

// A line ends at its first NUL, as a C string does: also one that the trim took from its start.
TEST_F(Reader, ALineEndsAtItsFirstNul) {
  Read(std::string("1,1,101,1,11\r\n\0\0\0\t1,1,102,1,20\n5,6\0,7\n", 38));
  EXPECT_EQ(grid_.RowCount(), 4);
  EXPECT_EQ(grid_.Cell(ColBib, 2), "");
  EXPECT_EQ(grid_.Cell(ColDiv2, 3), "6");
  EXPECT_EQ(grid_.Cell(ColBib, 3), "");
}

// Lines of plain fields are cut and read by a quicker path than the others: both must give the
// cells and the "z" marks of the comma-text rule.
TEST_F(Reader, EveryLineGivesTheCellsAndMarksOfTheCommaTextRule) {
  const std::vector<std::string> fields = {"0",  "1",    "12",   "007",     "+5",         "-3",  "x1", "a",
                                           "",   " 4 ",  "\"4,5\"", "\"6",  "999999999", "1234567890",
                                           "99", "99999", "\x82\xa0", "\x7f", "1\t2",  "$1F"};
  std::mt19937 random(7);
  std::vector<std::string> lines;
  std::string content;
  for (int i = 0; i < 3000; ++i) {
    std::string line;
    if (!lines.empty() && random() % 4 == 0) {
      line = lines.back();  // a repeat, or the same key written another way
      if (random() % 2 == 0) line = "0" + line;
    } else {
      const int count = 3 + static_cast<int>(random() % 10);
      for (int f = 0; f < count; ++f) {
        if (f > 0) line += ',';
        line += random() % 3 == 0 ? fields[random() % fields.size()] : std::to_string(random() % 40);
      }
    }
    lines.push_back(line);
    content += line + (random() % 5 == 0 ? "\r\n" : "\n");
  }
  Read(content);

  ASSERT_EQ(grid_.RowCount(), static_cast<int>(lines.size()) + 1);
  RecordKey prev;
  for (int n = 1; n <= static_cast<int>(lines.size()); ++n) {
    std::vector<std::string> cells = SplitCommaText(std::to_string(n) + "," + std::string(Trim(lines[n - 1])));
    for (std::string& cell : cells)
      if (cell.empty()) cell = " ";
    cells.resize(kGridColumns);
    for (int c = 0; c < ColXFlg; ++c) ASSERT_EQ(grid_.Cell(c, n), cells[c]) << "line " << n << ": " << lines[n - 1];
    RecordKey key;
    key.Set(StrToIntDef(cells[ColDiv1], 0), StrToIntDef(cells[ColDiv2], 0), StrToIntDef(cells[ColBib], 0),
            StrToIntDef(cells[ColCount], 0), StrToIntDef(cells[ColTime1], 0));
    const bool divisionOut = StrToIntDef(cells[ColDiv1], 0) >= 99 || StrToIntDef(cells[ColDiv2], 0) >= 99;
    const bool nextMarks = n < static_cast<int>(lines.size()) && [&] {
      std::vector<std::string> next = SplitCommaText(std::to_string(n + 1) + "," + std::string(Trim(lines[n])));
      next.resize(kGridColumns);
      RecordKey nextKey;
      nextKey.Set(StrToIntDef(next[ColDiv1], 0), StrToIntDef(next[ColDiv2], 0), StrToIntDef(next[ColBib], 0),
                  StrToIntDef(next[ColCount], 0), StrToIntDef(next[ColTime1], 0));
      const int nextDiv1 = StrToIntDef(next[ColDiv1], 0), nextDiv2 = StrToIntDef(next[ColDiv2], 0);
      return (nextKey == key || StrToIntDef(next[ColBib], 0) >= 99999) && nextDiv1 < 99 && nextDiv2 < 99;
    }();
    const std::string z = divisionOut || nextMarks ? "z" : cells[ColZFlg];
    ASSERT_EQ(grid_.Cell(ColZFlg, n), z) << "line " << n << ": " << lines[n - 1];
  }
}

TEST_F(Reader, AFileThatCannotBeOpenedLeavesTheGridAsItWas) {
  Read("1,1,5,1,0,1000,0\n1,1,6,1,0,1000,0\n");
  EXPECT_FALSE(ReadZunText(grid_, dir_.File("none.txt")));
  EXPECT_EQ(grid_.RowCount(), 3);
  EXPECT_EQ(grid_.Cell(ColBib, 2), "6");
}

TEST(ResultGrid, CellsCanBeRewrittenWithoutDisturbingOthers) {
  ResultGrid grid;
  grid.SetRowCount(4);
  const std::string_view row1[] = {"1", "2", "3"};
  const std::string_view row2[] = {"a", "b", "c", "d", "e", "f", "g", "h", "x", "z"};
  grid.SetRow(1, row1, 3);
  grid.SetRow(2, row2, 10);
  grid.SetCell(ColDiv1, 1, "twenty");
  grid.SetCell(ColLineNo, 3, "3");
  grid.SetCell(ColXFlg, 2, "");
  EXPECT_EQ(grid.Cell(ColDiv1, 1), "twenty");
  EXPECT_EQ(grid.Cell(ColDiv2, 1), "3");
  EXPECT_EQ(grid.Cell(ColStamp, 2), "h");
  EXPECT_EQ(grid.Cell(ColXFlg, 2), "");
  EXPECT_EQ(grid.Cell(ColZFlg, 2), "z");
  EXPECT_EQ(grid.Cell(ColLineNo, 3), "3");
  EXPECT_EQ(grid.Cell(ColLineNo, 9), "");  // outside the grid
}

// The grid keeps a row's cell ends in a byte each and its flag texts as byte codes; rows over 255
// bytes and flag texts past the 255th distinct one are kept aside. Random edits of both kinds must
// read back as a plain table of texts would.
TEST(ResultGrid, LongRowsAndManyFlagTextsReadBackAsWritten) {
  using Table = std::vector<std::array<std::string, kGridColumns>>;
  std::mt19937 random(7);
  auto text = [&random](int col) {
    const int kind = static_cast<int>(random() % 6);
    if (kind == 0) return std::string();
    if (col >= ColXFlg) return std::string(1, col == ColXFlg ? 'x' : 'z').append(std::to_string(random() % 700));
    return std::string(kind == 1 ? 200 + random() % 200 : random() % 9, static_cast<char>('a' + random() % 26));
  };
  auto check = [](const ResultGrid& grid, const Table& want) {
    ASSERT_EQ(grid.RowCount(), static_cast<int>(want.size()));
    for (int r = 0; r < grid.RowCount(); ++r) {
      const ResultGrid::RowView row = grid.Row(r);
      for (int c = 0; c < kGridColumns; ++c) {
        ASSERT_EQ(grid.Cell(c, r), want[r][c]) << "cell " << c << "," << r;
        ASSERT_EQ(row[c], want[r][c]) << "row " << r;
      }
    }
  };
  ResultGrid grid, other;
  Table want(2), otherWant(2);
  for (int step = 0; step < 3000; ++step) {
    const bool toOther = random() % 4 == 0;
    ResultGrid& g = toOther ? other : grid;
    Table& w = toOther ? otherWant : want;
    const int op = static_cast<int>(random() % 10);
    if (op < 6 && !w.empty()) {
      const int r = static_cast<int>(random() % w.size());
      const int c = static_cast<int>(random() % kGridColumns);
      w[r][c] = text(c);
      g.SetCell(c, r, w[r][c]);
    } else if (op < 8 && !w.empty()) {
      const int r = static_cast<int>(random() % w.size());
      std::array<std::string_view, kGridColumns> cells;
      for (int c = 0; c < kGridColumns; ++c) cells[c] = w[r][c] = text(c);
      g.SetRow(r, cells.data(), kGridColumns);
    } else if (op < 9) {
      const size_t rows = random() % 8 == 0 ? random() % (w.size() + 1) : w.size() + 1 + random() % 8;
      w.resize(rows);
      g.SetRowCount(static_cast<int>(rows));
    } else if (!toOther) {
      const int from = static_cast<int>(random() % (otherWant.size() + 1));
      want.insert(want.end(), otherWant.begin() + from, otherWant.end());
      grid.AppendRows(other, from);
    }
    if (step % 250 == 0) check(grid, want);
  }
  check(grid, want);
  check(other, otherWant);
  EXPECT_GT(want.size(), 100u);
}

}  // namespace
}  // namespace zun

namespace zun {
namespace {

std::string GridDump(const ResultGrid& grid) {
  std::string text;
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (const std::string_view cell : grid.Row(r)) text.append(cell).append("|");
    text += '\n';
  }
  return text;
}

std::string ResumeDump(const ZunTextResume& r) {
  return std::to_string(r.offset) + " " + std::to_string(r.lines) + " " + std::to_string(r.rowCount) + " [" +
         r.lastZ + "] " + std::string(r.prevKey.text, r.prevKey.size) + " " + std::to_string(r.havePrev) + " " +
         std::to_string(r.end);
}

// A large file is read in two halves on two threads, the second in parts; wherever the second half
// starts and however it is cut, grid and resume state must be those of a read in one go, and
// reading appended lines must go on alike.
TEST(SplitRead, EverySplitPointGivesTheRowsAndStateOfOneRead) {
  test::TempDir dir;
  const std::string path = dir.File("race.txt");
  const std::string dup = "1,1,105,2,2000000,2000000,92000000";
  std::string content = "\n\r\n" + dup + "\n" + dup + "\r\n\n" + dup + "\n";  // repeats, across blank lines
  content += "1,1,99999,1,1000,1000,90001000\n";                                // bib out of range: "z" above
  content += "99,1,106,1,1000,1000,90001000\n";                                 // division out: "z" itself
  content += "\"1\",2,107,1,1000,1000,90001000,x,R\n  \n";                      // quoted, flags
  content += "1,1,108," + std::string(2100, '3') + "\n";                        // two pieces
  content += "1,1,109,1,1\r2,1000,90001000\n";                                  // bare CR
  content += std::string("1,1,\0" "110,1\n", 11);                               // NUL
  content += "1,1,111,3,3000000,3000000,93000000\n" + dup + "\n";
  // One race ends on an unfinished line, one on blank lines.
  for (const std::string& race : {content + dup, content + "\n\r\n\n"}) {
    SCOPED_TRACE(race.substr(race.size() - 10));
    ResultGrid whole;
    ZunTextResume wholeResume;
    test::WriteAll(path, race);
    ASSERT_TRUE(ReadZunText(whole, path, wholeResume, 0));
    for (uint64_t split = 1; split < race.size(); ++split) {
      SCOPED_TRACE("split at " + std::to_string(split));
      test::WriteAll(path, race);
      ResultGrid parts;
      ZunTextResume partsResume;
      for (const uint64_t partBytes : {uint64_t{1}, 1 + split % 61, uint64_t{0}}) {
        SCOPED_TRACE("parts of " + std::to_string(partBytes));
        ASSERT_TRUE(ReadZunText(parts, path, partsResume, split, partBytes));
        ASSERT_EQ(GridDump(parts), GridDump(whole));
        ASSERT_EQ(ResumeDump(partsResume), ResumeDump(wholeResume));
      }
      if (split % 97 != 0 && split + 3 < race.size()) continue;
      // Lines appended afterwards, the first finishing the unfinished one.
      ResultGrid appended = whole;
      ZunTextResume appendedResume = wholeResume;
      test::WriteAll(path, race + ",1000\n" + dup + "\n");
      ASSERT_TRUE(ReadAppendedZunText(appended, path, appendedResume));
      ASSERT_TRUE(ReadAppendedZunText(parts, path, partsResume));
      EXPECT_EQ(GridDump(parts), GridDump(appended));
      EXPECT_EQ(ResumeDump(partsResume), ResumeDump(appendedResume));
    }
  }
}

}  // namespace
}  // namespace zun
