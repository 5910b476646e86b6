#include "output/PureText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

#include "platform/Text.h"

namespace zun {

namespace {

// Digits without a leading zero, few enough for 32 bits: a cell whose "%d" is its own text.
bool PrintsAsItReads(std::string_view cell) {
  if (cell.empty() || cell.size() > 9 || (cell[0] == '0' && cell.size() > 1)) return false;
  for (char c : cell)
    if (c < '0' || c > '9') return false;
  return true;
}

// "%d,%d,%d,%d,%d,%d,%d\n" of columns 1 to 7 of an unmarked row.
template <typename Text>
void AppendPureLine(Text& text, const ResultGrid::RowView& cells) {
  if (!Trim(cells[ColXFlg]).empty() || !Trim(cells[ColZFlg]).empty()) return;
  char line[96];
  char* at = line;
  for (int c = ColDiv1; c <= ColStamp; ++c) {
    const std::string_view cell = cells[c];
    if (PrintsAsItReads(cell)) {
      std::memcpy(at, cell.data(), cell.size());
      at += cell.size();
    } else {
      at = std::to_chars(at, line + sizeof line, StrToIntDef(Trim(cell), 0)).ptr;
    }
    *at++ = ',';
  }
  at[-1] = '\r';
  *at++ = '\n';
  text.append(line, static_cast<size_t>(at - line));
}

}  // namespace

std::string BuildPureText(const ResultGrid& grid) {
  PureTextBuilder builder;
  return std::string(builder.Build(grid, 1));
}

std::string_view PureTextBuilder::Build(const ResultGrid& grid, int firstChangedRow) {
  // Back to the last start at or before the first changed row.
  size_t k = static_cast<size_t>(std::max(firstChangedRow - 1, 0) / stride_);
  if (k >= starts_.size()) k = starts_.empty() ? 0 : starts_.size() - 1;
  const size_t from = starts_.empty() ? 0 : starts_[k];
  text_.resize(from);
  kept_ = std::min(from, redoneFrom_);
  redoneFrom_ = SIZE_MAX;
  starts_.resize(k);
  // Room for lines a little longer than usual and for the readings still to come: growing copies
  // the whole text. Room not used costs no memory.
  const size_t guess = static_cast<size_t>(grid.RowCount()) * 54;
  if (text_.capacity() < guess) text_.reserve(guess);
  for (int r = static_cast<int>(k) * stride_ + 1; r < grid.RowCount(); ++r) {
    if ((r - 1) % stride_ == 0) starts_.push_back(text_.size());
    AppendPureLine(text_, grid.Row(r));
  }
  text_ += "\r\n";  // the whole-text save's final line break
  rows_ = grid.RowCount();
  return text_;
}

void PureTextBuilder::Redo(const ResultGrid& grid, std::vector<int32_t> rows) {
  std::sort(rows.begin(), rows.end());
  std::string block;
  size_t done = SIZE_MAX;  // the last block converted again
  for (int32_t r : rows) {
    if (r < 1 || r >= std::min(rows_, grid.RowCount())) continue;
    const size_t b = static_cast<size_t>(r - 1) / static_cast<size_t>(stride_);
    if (b == done || b >= starts_.size()) continue;
    done = b;
    block.clear();
    const int last = std::min({static_cast<int>(b + 1) * stride_ + 1, rows_, grid.RowCount()});
    for (int row = static_cast<int>(b) * stride_ + 1; row < last; ++row) AppendPureLine(block, grid.Row(row));
    const size_t from = starts_[b];
    const size_t to = b + 1 < starts_.size() ? starts_[b + 1] : text_.size() - 2;  // before the final break
    text_.replace(from, to - from, block);
    for (size_t k = b + 1; k < starts_.size(); ++k) starts_[k] = starts_[k] + block.size() - (to - from);
    redoneFrom_ = std::min(redoneFrom_, from);
  }
}

SaveResult WritePureTextFile(const ResultGrid& grid, const std::string& path) {
  // Written as it is made: a large race's text is not held whole.
  constexpr size_t kPart = size_t{1} << 20;
  FileReplacement file(path);
  std::string part;
  // A line is some 40 bytes: a small race takes no part-sized buffer.
  part.reserve(std::min(kPart, static_cast<size_t>(grid.RowCount()) * 54) + 128);
  for (int r = 1; r < grid.RowCount(); ++r) {
    AppendPureLine(part, grid.Row(r));
    if (part.size() >= kPart) {
      file.Append(part);
      part.clear();
    }
  }
  part += "\r\n";  // the whole-text save's final line break
  file.Append(part);
  return file.Finish();
}

}  // namespace zun
