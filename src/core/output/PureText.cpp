#include "output/PureText.h"

#include <charconv>

#include "platform/Text.h"

namespace zun {

std::string BuildPureText(const ResultGrid& grid) {
  std::string text;
  text.reserve(static_cast<size_t>(grid.RowCount()) * 40);
  for (int r = 1; r < grid.RowCount(); ++r) {
    const ResultGrid::RowView cells = grid.Row(r);
    if (!Trim(cells[ColXFlg]).empty() || !Trim(cells[ColZFlg]).empty()) continue;
    // "%d,%d,%d,%d,%d,%d,%d\n" of columns 1 to 7
    char line[96];
    char* at = line;
    for (int c = ColDiv1; c <= ColStamp; ++c) {
      at = std::to_chars(at, line + sizeof line, StrToIntDef(Trim(cells[c]), 0)).ptr;
      *at++ = ',';
    }
    at[-1] = '\r';
    *at++ = '\n';
    text.append(line, static_cast<size_t>(at - line));
  }
  text += "\r\n";  // the whole-text save's final line break
  return text;
}

SaveResult WritePureTextFile(const ResultGrid& grid, const std::string& path) {
  return ReplaceFile(path, BuildPureText(grid));
}

}  // namespace zun
