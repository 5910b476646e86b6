#include "view/Search.h"

#include <gtest/gtest.h>

namespace zun {
namespace {

// Rows: line, div1, div2, bib, count.
ResultGrid Sample() {
  const char* rows[][5] = {{"1", "1", "1", "123", "1"}, {"2", "1", "2", "123", "2"}, {"3", "2", "1", "7", "2"},
                           {"4", "1", "1", "abc", "1"}, {"5", "1", "1", "123", "3"}};
  ResultGrid grid;
  grid.Reset(6);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 5; ++c) grid.SetCell(c, r + 1, rows[r][c]);
  return grid;
}

std::vector<int> Shown(const RowVisibility& rows) {
  std::vector<int> out;
  for (int i = 0; i < rows.ShownCount(); ++i) out.push_back(rows.ShownRow(i));
  return out;
}

TEST(Search, JumpFindsTheLineNumberAndHidesNothing) {
  const ResultGrid grid = Sample();
  RowVisibility rows;
  rows.Reset(grid.RowCount());
  SearchResult r = RowSearch(grid, rows, 0, "004");
  EXPECT_EQ(r.outcome, SearchOutcome::Jumped);
  EXPECT_EQ(r.row, 4);
  EXPECT_EQ(RowSearch(grid, rows, 0, "99").outcome, SearchOutcome::NotFound);
  EXPECT_EQ(RowSearch(grid, rows, 5, "1").outcome, SearchOutcome::BadColumn);
  EXPECT_FALSE(rows.AnyHidden());
}

TEST(Search, FiltersNarrowAndSeeHiddenRows) {
  const ResultGrid grid = Sample();
  RowVisibility rows;
  rows.Reset(grid.RowCount());
  EXPECT_EQ(RowSearch(grid, rows, 3, "0123").outcome, SearchOutcome::Filtered);
  EXPECT_EQ(Shown(rows), (std::vector<int>{1, 2, 5}));
  EXPECT_EQ(RowSearch(grid, rows, 4, "2").outcome, SearchOutcome::Filtered);
  EXPECT_EQ(Shown(rows), (std::vector<int>{2}));
  // A bib nobody has changes nothing.
  EXPECT_EQ(RowSearch(grid, rows, 3, "555").outcome, SearchOutcome::NotFound);
  EXPECT_EQ(Shown(rows), (std::vector<int>{2}));
  // Division 2 = 1 exists only among hidden rows: every remaining row goes.
  EXPECT_EQ(RowSearch(grid, rows, 2, "1").outcome, SearchOutcome::Filtered);
  EXPECT_TRUE(Shown(rows).empty());
}

TEST(Search, EmptyKeySearchesForZero) {
  const ResultGrid grid = Sample();
  RowVisibility rows;
  rows.Reset(grid.RowCount());
  EXPECT_EQ(RowSearch(grid, rows, 3, "").outcome, SearchOutcome::Filtered);
  EXPECT_EQ(Shown(rows), (std::vector<int>{4}));
  const std::string_view blank[2] = {" ", ""};
  const std::string_view some[2] = {"", " 3 "};
  EXPECT_FALSE(AnyNonBlank(blank, 2));
  EXPECT_TRUE(AnyNonBlank(some, 2));
}

}  // namespace
}  // namespace zun
