#include "view/RowVisibility.h"

#include <algorithm>

namespace zun {

void RowVisibility::Reset(int rowCount) {
  rowCount_ = std::max(rowCount, 0);
  hidden_.clear();
  hidden_.shrink_to_fit();
  shown_.clear();
  shown_.shrink_to_fit();
}

int RowVisibility::ShownIndexOf(int row) const {
  if (row < 1 || row >= rowCount_) return -1;
  if (hidden_.empty()) return row - 1;
  if (hidden_[row]) return -1;
  auto it = std::lower_bound(shown_.begin(), shown_.end(), row);
  return static_cast<int>(it - shown_.begin());
}

void RowVisibility::RebuildShown() {
  shown_.clear();
  for (int r = 1; r < rowCount_; ++r)
    if (!hidden_[r]) shown_.push_back(r);
}

}  // namespace zun
