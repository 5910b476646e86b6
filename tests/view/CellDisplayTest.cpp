#include "view/CellDisplay.h"

#include <gtest/gtest.h>

#include "platform/Cp932.h"

namespace zun {
namespace {

ResultGrid GridWith(std::initializer_list<std::pair<int, const char*>> cells, const char* bib = "12") {
  ResultGrid grid;
  grid.Reset(3);
  grid.SetCell(ColBib, 1, bib);
  for (const auto& [col, text] : cells) grid.SetCell(col, 1, text);
  return grid;
}

std::string Shown(const ResultGrid& grid, int col, DisplayMode mode = DisplayMasked) {
  return Utf8FromCp932(ShownCellText(grid, col, 1, mode));
}

TEST(CellDisplay, MaskedTimesSplitThePackedValue) {
  EXPECT_EQ(Shown(GridWith({{5, "12345678"}}), 5), "1ﾟ23'45\"678");
  EXPECT_EQ(Shown(GridWith({{5, "2345678"}}), 5), "23'45\"678");
  EXPECT_EQ(Shown(GridWith({{6, "12345"}}), 6), "0'12\"");
  EXPECT_EQ(Shown(GridWith({{6, "12345678"}}), 6), "1ﾟ23'45\"");
  EXPECT_EQ(Shown(GridWith({{7, "2345678"}}), 7), "0時23分45秒678");
  EXPECT_EQ(Shown(GridWith({{5, "abc"}}), 5), "0'00\"000");
  EXPECT_EQ(Shown(GridWith({{7, ""}}), 7), "0時00分00秒000");
  EXPECT_EQ(Shown(GridWith({{5, "1012345678"}}), 5), "1ﾟ23'45\"678");  // hours wrap at 100
  EXPECT_EQ(Shown(GridWith({{4, "02"}, {8, "x"}, {9, "z"}}), 9), "z");
}

TEST(CellDisplay, StoredFormAndNormalisation) {
  const ResultGrid big = GridWith({{5, "12345678"}}, "99999");
  EXPECT_EQ(Shown(big, 5), "12345678");
  const ResultGrid grid = GridWith({{1, "007"}, {2, "abc"}, {4, "02"}, {5, "0012345"}});
  EXPECT_EQ(Shown(grid, 1, DisplayAsStored), "7");
  EXPECT_EQ(Shown(grid, 2, DisplayAsStored), "0");
  EXPECT_EQ(Shown(grid, 4), "2");
  EXPECT_EQ(Shown(grid, 5, DisplayAsStored), "0012345");
  ResultGrid header;
  header.Reset(2);
  header.SetCell(5, 0, "1/1000");
  header.SetCell(1, 0, "007");
  EXPECT_EQ(ShownCellText(header, 5, 0, DisplayMasked), "1/1000");
  EXPECT_EQ(ShownCellText(header, 1, 0, DisplayMasked), "007");
}

TEST(CellDisplay, ColoursFrameAndRememberedRow) {
  ResultGrid grid = GridWith({{9, "R"}});
  CellPaintInput in;
  in.col = 0;
  in.row = 1;
  EXPECT_EQ(DecideCell(grid, in).background, kCellTintColor);
  in.col = 3;
  in.row = 0;
  EXPECT_EQ(DecideCell(grid, in).background, kCellTintColor);
  in.row = 1;
  CellLook look = DecideCell(grid, in);
  EXPECT_EQ(look.background, kCellWindowColor);
  EXPECT_FALSE(look.frame);
  in.col = 9;
  EXPECT_EQ(DecideCell(grid, in).fontColor, kColorRed);
  grid.SetCell(9, 1, "z");
  EXPECT_EQ(DecideCell(grid, in).fontColor, kColorBlack);

  // Selected without focus: framed only on the remembered row.
  in.selected = true;
  in.rememberedRow = 2;
  look = DecideCell(grid, in);
  EXPECT_FALSE(look.frame);
  EXPECT_EQ(look.rememberedRow, 2);
  in.gridFocused = true;
  look = DecideCell(grid, in);
  EXPECT_TRUE(look.frame);
  EXPECT_EQ(look.rememberedRow, 1);
  in.gridFocused = false;
  in.rememberedRow = 1;
  EXPECT_TRUE(DecideCell(grid, in).frame);

  in.rowHidden = true;
  look = DecideCell(grid, in);
  EXPECT_FALSE(look.paint);
  EXPECT_EQ(look.rememberedRow, 1);
}

}  // namespace
}  // namespace zun
