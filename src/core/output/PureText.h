#pragma once
// The pure text: every unmarked row as seven comma-separated integers.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/OutputNames.h"
#include "platform/TextFile.h"
#include "results/ResultGrid.h"

namespace zun {

// The bytes of the file: one "%d,...,%d" line per unmarked row, then one more line break, every
// line break written as CR LF (text mode).
std::string BuildPureText(const ResultGrid& grid);

// Writes the pure text to `path` (CR LF, replaced whole).
SaveResult WritePureTextFile(const ResultGrid& grid, const std::string& path);

// The pure text kept from one build to the next, so that rows before the first changed one are
// not converted again.
class PureTextBuilder {
 public:
  // Rows are converted again from a multiple of `stride` rows on.
  explicit PureTextBuilder(int stride = 4096) : stride_(std::max(stride, 1)) {}
  // The bytes of BuildPureText(grid); rows before `firstChangedRow` are as at the last call.
  // The view holds until the next build.
  std::string_view Build(const ResultGrid& grid, int firstChangedRow);
  // Before a Build: converts again only the blocks of `stride` rows that hold one of `rows`
  // (rows whose marks changed), moving the text after them; rows the text does not hold yet are
  // left to Build.
  void Redo(const ResultGrid& grid, std::vector<int32_t> rows);
  // The bytes at the start of the text that the last build left as they were.
  size_t KeptBytes() const { return kept_; }
  // The bytes a next build keeps when only rows after the last point changed.
  size_t StableBytes() const { return starts_.empty() ? 0 : starts_.back(); }

 private:
  int stride_;
  std::string text_;
  std::vector<size_t> starts_;  // starts_[k]: where row k * stride_ + 1 begins in text_
  size_t kept_ = 0;
  int rows_ = 0;                      // the grid rows the text holds
  size_t redoneFrom_ = SIZE_MAX;      // the first byte Redo changed since the last build
};

}  // namespace zun
