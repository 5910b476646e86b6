#include "view/CellDisplay.h"

#include "platform/Text.h"

namespace zun {

std::string ShownCellText(const ResultGrid& grid, int col, int row, DisplayMode displayMode) {
  std::string text(grid.Cell(col, row));
  if (row > 0 && col > 3 && displayMode == DisplayMasked && StrToIntDef(grid.Cell(ColBib, row), 0) < 99999) {
    const int32_t v = StrToIntDef(text, 0);
    const int ms = v % 1000;
    const int s = (v / 1000) % 100;
    const int m = (v / 100000) % 100;
    const int h = (v / 10000000) % 100;
    // "\xDF" is the half-width semi-voiced mark in CP932; 時, 分, 秒 are written as CP932 bytes.
    if (col == ColTime1000) {
      text = h > 0 ? Format("%d\xDF%02d'%02d\"%03d", h, m, s, ms) : Format("%d'%02d\"%03d", m, s, ms);
    } else if (col == ColTime1) {
      text = h > 0 ? Format("%d\xDF%02d'%02d\"", h, m, s) : Format("%d'%02d\"", m, s);
    } else if (col == ColStamp) {
      text = Format("%d\x8E\x9E%02d\x95\xAA%02d\x95\x62%03d", h, m, s, ms);
    }
  }
  if (col <= 4 && row > 0) text = Format("%d", StrToIntDef(text, 0));
  return text;
}

CellLook DecideCell(const ResultGrid& grid, const CellPaintInput& in) {
  CellLook look;
  look.rememberedRow = in.rememberedRow;
  if (in.rowHidden) {
    look.paint = false;
    return look;
  }
  look.text = ShownCellText(grid, in.col, in.row, in.displayMode);
  look.background = (in.col == 0 || in.row == 0) ? kCellTintColor : kCellWindowColor;
  if (in.selected && (in.gridFocused || in.row == in.rememberedRow)) {
    look.frame = true;
    look.rememberedRow = in.row;
  }
  look.fontColor = (in.col == ColZFlg && look.text == "R") ? kColorRed : kColorBlack;
  return look;
}

}  // namespace zun
