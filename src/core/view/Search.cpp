#include "view/Search.h"

#include "platform/Text.h"

namespace zun {

namespace {

// Cells are nearly always plain decimal digits; those skip the general conversion.
inline int32_t CellValue(std::string_view text) {
  if (!text.empty() && text.size() <= 9) {
    int32_t value = 0;
    for (const char c : text) {
      if (c < '0' || c > '9') return StrToIntDef(text, 0);
      value = value * 10 + (c - '0');
    }
    return value;
  }
  return StrToIntDef(text, 0);
}

}  // namespace

int SearchKeyOf(std::string_view text) { return StrToIntDef(text, 0); }

int FindFirstRow(const ResultGrid& grid, int col, int key) {
  const int rowCount = grid.RowCount();
  for (int r = 1; r < rowCount; ++r)
    if (CellValue(grid.Cell(col, r)) == key) return r;
  return -1;
}

SearchResult RowSearch(const ResultGrid& grid, RowVisibility& rows, int col, std::string_view keyText) {
  const int key = SearchKeyOf(keyText);
  SearchResult result;
  if (col == 0) {
    result.row = FindFirstRow(grid, 0, key);
    if (result.row > 0) {
      result.outcome = SearchOutcome::Jumped;
      return result;
    }
    // Nothing matched: the filter step below finds nothing for column 0 either.
    result.outcome = SearchOutcome::NotFound;
    return result;
  }
  if (col < 0 || col > 4) {
    result.outcome = SearchOutcome::BadColumn;
    return result;
  }
  if (FindFirstRow(grid, col, key) < 0) {
    result.outcome = SearchOutcome::NotFound;
    return result;
  }
  if (rows.RowCount() != grid.RowCount()) rows.Reset(grid.RowCount());
  rows.HideWhere([&](int r) { return CellValue(grid.Cell(col, r)) != key; });
  result.outcome = SearchOutcome::Filtered;
  return result;
}

bool AnyNonBlank(const std::string_view* texts, int count) {
  for (int i = 0; i < count; ++i)
    if (!Trim(texts[i]).empty()) return true;
  return false;
}

}  // namespace zun
