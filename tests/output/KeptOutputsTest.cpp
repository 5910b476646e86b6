// Outputs built again only where the data changed: the same bytes as building them whole.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "TempDir.h"
#include "output/PureText.h"
#include "output/Ranking.h"
#include "platform/Paths.h"

namespace zun {
namespace {

void SetRandomRow(ResultGrid& grid, int row, std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::to_string(std::uniform_int_distribution<int>(lo, hi)(rng)); };
  const std::string cells[kGridColumns] = {std::to_string(row), pick(1, 2), pick(1, 2), pick(100, 130), pick(0, 4),
                                           pick(1000000, 2000000), pick(1000000, 2000000), pick(90000000, 92000000),
                                           pick(0, 9) == "0" ? "x" : "", pick(0, 9) == "0" ? "R" : ""};
  std::string_view views[kGridColumns];
  for (int c = 0; c < kGridColumns; ++c) views[c] = cells[c];
  grid.SetRow(row, views, kGridColumns);
}

TEST(KeptOutputs, PureTextRebuiltFromTheFirstChangedRowEqualsAWholeBuild) {
  std::mt19937 rng(7);
  ResultGrid grid;
  grid.SetRowCount(500);
  for (int r = 1; r < grid.RowCount(); ++r) SetRandomRow(grid, r, rng);
  PureTextBuilder builder(16);
  EXPECT_EQ(builder.Build(grid, 1), BuildPureText(grid));
  for (int step = 0; step < 200; ++step) {
    const int first = std::uniform_int_distribution<int>(1, grid.RowCount())(rng);
    switch (step % 4) {
      case 0: grid.SetCell(ColZFlg, std::min(first, grid.RowCount() - 1), step % 8 ? "R" : ""); break;
      case 1: grid.SetCell(ColXFlg, std::min(first, grid.RowCount() - 1), step % 8 ? "x" : " "); break;
      case 2: {
        const int old = grid.RowCount();
        grid.SetRowCount(old + step % 7);
        for (int r = old; r < grid.RowCount(); ++r) SetRandomRow(grid, r, rng);
        ASSERT_EQ(builder.Build(grid, old), BuildPureText(grid)) << "step " << step;
        continue;
      }
      default: grid.SetRowCount(std::max(2, std::min(first, grid.RowCount()))); break;  // a shorter grid
    }
    ASSERT_EQ(builder.Build(grid, first), BuildPureText(grid)) << "step " << step;
  }
}

// Rows of a few bibs whose first listed readings are often not first laps, so that the first-lap
// count carries from bib to bib and a change to one bib reaches the next ones.
TEST(KeptOutputs, RankingsUpdatedFromTheChangedRowsEqualAWholeWrite) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  for (const char* sub : {"kept/000", "kept/999", "whole/000", "whole/999"}) fs::create_directories(dir.File(sub));
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // About two readings a bib, few of them first laps: whether a first lap came before a bib then
  // changes often.
  auto setRow = [&](ResultGrid& g, int r) {
    SetRandomRow(g, r, rng);
    g.SetCell(ColBib, r, std::to_string(pick(100, 250)));
    const int lap = pick(0, 19);
    g.SetCell(ColCount, r, std::to_string(lap < 2 ? 0 : lap < 4 ? 1 : pick(2, 3)));
  };
  ResultGrid grid;
  grid.SetRowCount(300);
  for (int r = 1; r < grid.RowCount(); ++r) setRow(grid, r);
  RankingBuilder builder(8);
  PassageTable table;
  ResetPassageTable(table, grid.RowCount());
  builder.Rebuild(grid, grid.RowCount(), table);
  RankingMemo memo;
  for (int step = 0; step < 300; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    std::vector<int32_t> changed;
    int firstRow = grid.RowCount();
    const int rows = grid.RowCount();
    switch (step % 7) {
      case 0:  // earlier rows read differently
        for (int k = pick(1, 4); k > 0; --k) {
          const int r = pick(1, rows - 1);
          setRow(grid, r);
          changed.push_back(r);
        }
        break;
      case 1:  // marks come and go
        for (int k = pick(1, 6); k > 0; --k) {
          const int r = pick(1, rows - 1);
          grid.SetCell(pick(0, 1) ? ColZFlg : ColXFlg, r, pick(0, 1) ? "R" : "");
          changed.push_back(r);
        }
        break;
      case 2:  // a later first lap or a lap 2 of a bib, sometimes within 3 s of its last reading
        grid.SetRowCount(rows + 1);
        setRow(grid, rows);
        grid.SetCell(ColCount, rows, std::to_string(pick(1, 2)));
        grid.SetCell(ColTime1000, rows, std::to_string(pick(1999000, 2003000)));
        break;
      case 3: {  // the last rows read again
        firstRow = std::max(1, rows - pick(1, 3));
        for (int r = firstRow; r < rows; ++r) setRow(grid, r);
        break;
      }
      case 4:  // a shorter grid
        grid.SetRowCount(std::max(2, rows - pick(0, 5)));
        firstRow = grid.RowCount();
        break;
      case 5:
        grid.SetRowCount(rows + pick(0, 20));
        for (int r = rows; r < grid.RowCount(); ++r) setRow(grid, r);
        break;
      default: {  // a first lap of one of the lowest bibs comes or goes: the bibs after it see it
        std::vector<int> firstLaps;
        for (int r = 1; r < rows; ++r)
          if (grid.Cell(ColBib, r) < "110" && grid.Cell(ColCount, r) == "1") firstLaps.push_back(r);
        if (firstLaps.empty()) break;
        const int r = firstLaps[static_cast<size_t>(pick(0, static_cast<int>(firstLaps.size()) - 1))];
        grid.SetCell(ColXFlg, r, grid.Cell(ColXFlg, r).empty() ? "x" : "");
        changed.push_back(r);
      }
    }
    builder.Update(grid, grid.RowCount(), firstRow, changed);
    const RankingReport kept = builder.Write(dir.File("kept/000"), dir.File("kept/999"), &memo);
    ResetPassageTable(table, grid.RowCount());
    const RankingReport whole = WriteRankingFiles(grid, grid.RowCount(), table, dir.File("whole/000"),
                                                  dir.File("whole/999"));
    ASSERT_TRUE(kept.overallWritten);
    ASSERT_EQ(kept.countFilesWritten, whole.countFilesWritten);
    ASSERT_EQ(kept.passagesListed, whole.passagesListed);
    for (const auto& entry : fs::recursive_directory_iterator(dir.File("whole"))) {
      if (!entry.is_regular_file()) continue;
      const std::string name = fs::relative(entry.path(), dir.File("whole")).string();
      ASSERT_EQ(test::ReadAll(dir.File("kept/" + name)), test::ReadAll(entry.path().string())) << name;
    }
  }
}

class KeptRankings : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateFolder(dir_.File("000"));
    CreateFolder(dir_.File("999"));
    std::mt19937 rng(3);
    grid_.SetRowCount(300);
    for (int r = 1; r < grid_.RowCount(); ++r) SetRandomRow(grid_, r, rng);
  }
  RankingReport Rank(RankingMemo* memo) {
    PassageTable table;
    ResetPassageTable(table, grid_.RowCount());
    return WriteRankingFiles(grid_, grid_.RowCount(), table, dir_.File("000"), dir_.File("999"), memo);
  }
  int64_t Inode(const std::string& name) const {
    struct stat st {};
    return stat(dir_.File(name).c_str(), &st) == 0 ? static_cast<int64_t>(st.st_ino) : -1;
  }
  test::TempDir dir_;
  ResultGrid grid_;
};

TEST_F(KeptRankings, OnlyFilesWhoseBytesChangeAreReplaced) {
  RankingMemo memo;
  const RankingReport first = Rank(&memo);
  ASSERT_TRUE(first.overallWritten);
  ASSERT_GT(first.countFilesWritten, 1);
  EXPECT_EQ(first.filesKept, 0);
  const int64_t overall = Inode("000/000.csv"), count1 = Inode("999/001.csv");

  const RankingReport again = Rank(&memo);
  EXPECT_EQ(again.filesKept, 1 + again.countFilesWritten);
  EXPECT_EQ(Inode("000/000.csv"), overall);  // not replaced: the rename would give a new inode

  // A fourth passage of one bib, later than every other reading, changes 000.csv and 004.csv only.
  grid_.SetRowCount(grid_.RowCount() + 1);
  const std::string_view late[] = {"", "1", "1", "100", "4", "2500000", "2500000", "92500000"};
  grid_.SetRow(grid_.RowCount() - 1, late, 8);
  const RankingReport later = Rank(&memo);
  EXPECT_NE(Inode("000/000.csv"), overall);
  EXPECT_EQ(Inode("999/001.csv"), count1);
  const std::string kept000 = test::ReadAll(dir_.File("000/000.csv"));

  // A file removed behind its back is written again; the bytes are those of a write without memo.
  std::remove(dir_.File("999/001.csv").c_str());
  Rank(&memo);
  const std::string keptCount1 = test::ReadAll(dir_.File("999/001.csv"));
  Rank(nullptr);
  EXPECT_EQ(test::ReadAll(dir_.File("000/000.csv")), kept000);
  EXPECT_EQ(test::ReadAll(dir_.File("999/001.csv")), keptCount1);
  EXPECT_FALSE(keptCount1.empty());
  EXPECT_EQ(later.countFilesWritten, again.countFilesWritten);

  // A record time of the same width changes the bytes but not the size of 000.csv and 004.csv.
  const std::string_view sameWidth[] = {"", "1", "1", "100", "4", "2500000", "2600000", "92500000"};
  grid_.SetRow(grid_.RowCount() - 1, sameWidth, 8);
  const int64_t rewrittenCount1 = Inode("999/001.csv");
  Rank(&memo);
  const std::string changed000 = test::ReadAll(dir_.File("000/000.csv"));
  EXPECT_EQ(changed000.size(), kept000.size());
  EXPECT_NE(changed000, kept000);
  EXPECT_EQ(Inode("999/001.csv"), rewrittenCount1);

  // Every reading marked invalid: the count files keep their header alone, once, then are left.
  for (int r = 1; r < grid_.RowCount(); ++r) grid_.SetCell(ColXFlg, r, "x");
  const RankingReport cleared = Rank(&memo);
  EXPECT_EQ(cleared.countFilesWritten, later.countFilesWritten);
  const std::string header = test::ReadAll(dir_.File("000/000.csv"));
  EXPECT_EQ(test::ReadAll(dir_.File("999/004.csv")), header);
  const int64_t count4 = Inode("999/004.csv");
  const RankingReport quiet = Rank(&memo);
  EXPECT_EQ(Inode("999/004.csv"), count4);
  EXPECT_EQ(quiet.filesKept, 1 + quiet.countFilesWritten);
}

}  // namespace
}  // namespace zun
