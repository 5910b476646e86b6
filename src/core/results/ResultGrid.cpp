#include "results/ResultGrid.h"

#include <algorithm>
#include <cstring>

#include "platform/Cp932.h"

namespace zun {

const std::array<std::string, kGridColumns>& HeaderTexts() {
  static const std::array<std::string, kGridColumns> texts = {
      Cp932FromUtf8("行番号"), Cp932FromUtf8("部門1"),  Cp932FromUtf8("部門2"),      Cp932FromUtf8("ゼッケン"),
      Cp932FromUtf8("回数"),   Cp932FromUtf8("1/1000"), Cp932FromUtf8("1/1"),        Cp932FromUtf8("時刻スタンプ"),
      Cp932FromUtf8("x FLG"),  Cp932FromUtf8("z FLG")};
  return texts;
}

namespace {

// memcpy of a cell, which is most often a few bytes: fixed-size moves that overlap rather than a
// call for every cell.
inline void CopyCell(char* to, const char* from, size_t size) {
  if (size >= 8 && size <= 16) {
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4 && size < 8) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else if (size > 16) {
    std::memcpy(to, from, size);
  } else {
    for (size_t i = 0; i < size; ++i) to[i] = from[i];
  }
}

}  // namespace

ResultGrid::ResultGrid() { Reset(2); }

void ResultGrid::FlagColumn::SetAside(int row, uint32_t index) {
  if (codes[row] == kAside) aside.erase(row);
  if (index < kAside) {
    codes[row] = static_cast<uint8_t>(index);
  } else {
    codes[row] = kAside;
    aside[row] = index;
  }
}

uint32_t ResultGrid::InternText(std::string_view text) {
  auto it = poolIndex_.find(std::string(text));
  if (it != poolIndex_.end()) return it->second;
  const uint32_t index = static_cast<uint32_t>(pool_.size());
  pool_.emplace_back(text);
  poolIndex_.emplace(std::string(text), index);
  return index;
}

void ResultGrid::StoreArenaCells(int row, const std::string_view* cells) {
  RowCells& r = rows_[row];
  const uint64_t start = arena_.size();
  Ends ends;
  uint16_t offset = 0;
  for (int c = 0; c < kArenaColumns; ++c) {
    // A cell comes from one line piece of at most 2,047 bytes, so the row fits in 16-bit offsets;
    // a longer text set by hand is cut rather than corrupting its neighbours.
    offset = static_cast<uint16_t>(offset + std::min<size_t>(cells[c].size(), 65535 - offset));
    ends[c] = offset;
  }
  arena_.resize(start + offset);
  char* at = arena_.data() + start;
  uint16_t begin = 0;
  for (int c = 0; c < kArenaColumns; ++c) {
    CopyCell(at + begin, cells[c].data(), ends[c] - begin);
    begin = ends[c];
  }
  r.startLow = static_cast<uint32_t>(start);
  r.startHigh = static_cast<uint16_t>(start >> 32);
  if (r.endsAside) longEnds_.erase(row);
  r.endsAside = offset > 255;
  if (r.endsAside) {
    longEnds_[row] = ends;
  } else {
    for (int c = 0; c < kArenaColumns; ++c) r.end[c] = static_cast<uint8_t>(ends[c]);
  }
}

void ResultGrid::SetCell(int col, int row, std::string_view text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kGridColumns) return;
  if (col == ColXFlg) {
    flagX_.Set(row, Intern(text));
    return;
  }
  if (col == ColZFlg) {
    flagZ_.Set(row, Intern(text));
    return;
  }
  // Copy the row's cells before the arena may reallocate.
  std::array<std::string, kArenaColumns> copies;
  std::array<std::string_view, kArenaColumns> cells;
  for (int c = 0; c < kArenaColumns; ++c) {
    copies[c] = c == col ? std::string(text) : std::string(Cell(c, row));
    cells[c] = copies[c];
  }
  const RowCells& r = rows_[row];
  const uint16_t size = End(r, row, kArenaColumns - 1);
  const bool wasLast = size > 0 && r.Start() + size == arena_.size();
  if (wasLast) arena_.resize(r.Start());  // the row's old bytes were the arena's tail: reuse them
  StoreArenaCells(row, cells.data());
}

void ResultGrid::SetRow(int row, const std::string_view* cells, int cellCount) {
  if (row < 0 || row >= RowCount()) return;
  std::array<std::string_view, kGridColumns> all;
  if (cellCount < kGridColumns) {
    std::copy(cells, cells + std::max(cellCount, 0), all.begin());
    std::fill(all.begin() + std::max(cellCount, 0), all.end(), std::string_view());
    cells = all.data();
  }
  StoreArenaCells(row, cells);
  flagX_.Set(row, Intern(cells[ColXFlg]));
  flagZ_.Set(row, Intern(cells[ColZFlg]));
}

void ResultGrid::Reset(int rowCount) {
  rows_.clear();
  longEnds_.clear();
  flagX_ = FlagColumn{};
  flagZ_ = FlagColumn{};
  arena_.clear();
  pool_.assign(1, std::string());
  poolIndex_.clear();
  SetRowCount(rowCount);
}

void ResultGrid::SetRowCount(int rowCount) {
  rowCount = std::max(rowCount, 0);
  if (static_cast<size_t>(rowCount) == rows_.size() + 1) {  // a reader adding its next row
    rows_.emplace_back();
    flagX_.codes.push_back(0);
    flagZ_.codes.push_back(0);
    return;
  }
  // Rows cut off take their flags kept aside with them.
  for (FlagColumn* flags : {&flagX_, &flagZ_}) {
    for (int r = rowCount; r < static_cast<int>(flags->codes.size()); ++r)
      if (flags->codes[r] == FlagColumn::kAside) flags->aside.erase(r);
    flags->codes.resize(rowCount, 0);
  }
  for (int r = rowCount; r < static_cast<int>(rows_.size()); ++r)
    if (rows_[r].endsAside) longEnds_.erase(r);
  rows_.resize(rowCount);
}

void ResultGrid::AppendRows(const ResultGrid& other, int from) {
  std::vector<uint32_t> pooled(other.pool_.size(), 0);
  for (size_t i = 1; i < other.pool_.size(); ++i) pooled[i] = Intern(other.pool_[i]);
  const uint64_t shift = arena_.size();
  arena_.append(other.arena_);
  from = std::max(from, 0);
  const int first = RowCount();
  rows_.insert(rows_.end(), other.rows_.begin() + std::min(from, other.RowCount()), other.rows_.end());
  for (size_t i = static_cast<size_t>(first); i < rows_.size(); ++i) {
    const uint64_t start = rows_[i].Start() + shift;
    rows_[i].startLow = static_cast<uint32_t>(start);
    rows_[i].startHigh = static_cast<uint16_t>(start >> 32);
  }
  flagX_.codes.resize(rows_.size(), 0);
  flagZ_.codes.resize(rows_.size(), 0);
  for (int r = from; r < other.RowCount(); ++r) {
    const int row = first + (r - from);
    if (other.rows_[r].endsAside) longEnds_[row] = other.longEnds_.find(r)->second;
    // Most flag cells are empty: index 0 in both pools.
    if (other.flagX_.codes[r] != 0) flagX_.Set(row, pooled[other.flagX_.Index(r)]);
    if (other.flagZ_.codes[r] != 0) flagZ_.Set(row, pooled[other.flagZ_.Index(r)]);
  }
}

void ResultGrid::Reserve(size_t rows, size_t bytes) {
  rows_.reserve(rows);
  flagX_.codes.reserve(rows);
  flagZ_.codes.reserve(rows);
  arena_.reserve(bytes);
}

size_t ResultGrid::MemoryBytes() const {
  size_t bytes = rows_.capacity() * sizeof(RowCells) + flagX_.codes.capacity() + flagZ_.codes.capacity() +
                 (flagX_.aside.size() + flagZ_.aside.size()) * 32 + longEnds_.size() * 48 + arena_.capacity();
  for (const std::string& s : pool_) bytes += sizeof(std::string) + s.capacity();
  return bytes + poolIndex_.size() * 64;
}

}  // namespace zun
