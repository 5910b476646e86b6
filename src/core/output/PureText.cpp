#include "output/PureText.h"

#include "platform/Text.h"

namespace zun {

std::string BuildPureText(const ResultGrid& grid) {
  std::string text;
  text.reserve(static_cast<size_t>(grid.RowCount()) * 40);
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (!Trim(grid.Cell(ColXFlg, r)).empty() || !Trim(grid.Cell(ColZFlg, r)).empty()) continue;
    // "%d,%d,%d,%d,%d,%d,%d\n" of columns 1 to 7
    for (int c = ColDiv1; c <= ColStamp; ++c) {
      AppendDecimal(text, StrToIntDef(Trim(grid.Cell(c, r)), 0));
      text += c == ColStamp ? '\n' : ',';
    }
  }
  return text;
}

SaveResult WritePureTextFile(const ResultGrid& grid, const std::string& path) {
  return SaveWholeText(path, BuildPureText(grid));
}

}  // namespace zun
