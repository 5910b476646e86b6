#pragma once
// Which data rows of the grid the filter hides. "No filter" is the identity and costs nothing;
// a filter keeps the shown rows as one vector, so a view over millions of rows stays cheap.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zun {

class RowVisibility {
 public:
  // Every row of a grid of `rowCount` rows (header included) shown.
  void Reset(int rowCount);
  void ShowAll() { Reset(rowCount_); }

  int RowCount() const { return rowCount_; }
  bool IsHidden(int row) const { return !hidden_.empty() && row >= 0 && row < rowCount_ && hidden_[row]; }
  bool AnyHidden() const { return !hidden_.empty(); }

  // Hides every row for which `hide(row)` is true among rows 1 .. RowCount-1; rows hidden before
  // stay hidden. Returns the number of rows newly hidden.
  template <typename Pred>
  int HideWhere(Pred hide) {
    int count = 0;
    for (int r = 1; r < rowCount_; ++r) {
      if (IsHidden(r) || !hide(r)) continue;
      if (hidden_.empty()) hidden_.assign(static_cast<size_t>(rowCount_), 0);
      hidden_[r] = 1;
      ++count;
    }
    if (count > 0) RebuildShown();
    return count;
  }

  // Data rows shown, in row order (row 0, the header row, is never counted).
  int ShownCount() const { return hidden_.empty() ? rowCount_ - 1 : static_cast<int>(shown_.size()); }
  // The grid row of the index-th shown data row.
  int ShownRow(int index) const { return hidden_.empty() ? index + 1 : shown_[static_cast<size_t>(index)]; }
  // Index among the shown rows of grid row `row`, or -1 when it is hidden or out of range.
  int ShownIndexOf(int row) const;

 private:
  void RebuildShown();

  int rowCount_ = 0;
  std::vector<uint8_t> hidden_;  // empty while nothing is hidden
  std::vector<int32_t> shown_;
};

}  // namespace zun
