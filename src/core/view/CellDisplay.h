#pragma once
// How one cell of the result grid is painted: the text shown, the background, the selection
// frame and the font colour. Stored texts are never changed; formatting happens per painted cell.
#include <cstdint>
#include <string>

#include "results/ResultGrid.h"
#include "view/Color.h"

namespace zun {

// How times are shown (the window's "表示方式" lists them in this order).
enum DisplayMode : int {
  DisplayAsStored = 0,  // "そのまま"
  DisplayMasked = 1,    // "マスク表示": times as h゜mm'ss"mmm
};

inline constexpr uint32_t kCellTintColor = RGB(192, 220, 192);  // header row and column 0
inline constexpr uint32_t kCellWindowColor = RGB(255, 255, 255);
inline constexpr uint32_t kCellFrameColor = RGB(0, 128, 0);

struct CellPaintInput {
  int col = 0;
  int row = 0;
  DisplayMode displayMode = DisplayMasked;
  bool selected = false;     // the cell belongs to the grid's current row
  bool gridFocused = false;  // the grid is the window's active control
  int rememberedRow = 0;
  bool rowHidden = false;    // hidden by the filter
};

struct CellLook {
  bool paint = true;          // false: the row is hidden, paint nothing
  std::string text;           // CP932 bytes, drawn centred and clipped to the cell
  uint32_t background = kCellWindowColor;
  bool frame = false;         // green outline, one pixel wider than the cell left and right
  uint32_t fontColor = kColorBlack;
  int rememberedRow = 0;      // the remembered row after this cell was painted
};

CellLook DecideCell(const ResultGrid& grid, const CellPaintInput& in);

// Only the shown text of a cell (for copying, tool tips, width estimates).
std::string ShownCellText(const ResultGrid& grid, int col, int row, DisplayMode displayMode);

}  // namespace zun
