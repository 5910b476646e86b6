#pragma once
// The result grid: 10 columns of Shift-JIS texts, row 0 the header row, data row r = line r of
// the zunText file. Cells 0 to 7 of all rows live in one byte arena; the two flag cells, which
// change after a load, are kept apart as indices into a small pool of distinct texts, a byte a
// row for the first 255 of them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>


namespace zun {

enum Column : int {
  ColLineNo = 0,
  ColDiv1 = 1,
  ColDiv2 = 2,
  ColBib = 3,
  ColCount = 4,
  ColTime1000 = 5,
  ColTime1 = 6,
  ColStamp = 7,
  ColXFlg = 8,
  ColZFlg = 9,
};

constexpr int kGridColumns = 10;
// A grid of this many rows or more (header row included) is refused by the load pipeline.
constexpr int kGridRowLimit = 4999950;

// The header texts of the ten columns, as CP932 bytes.
const std::array<std::string, kGridColumns>& HeaderTexts();

class ResultGrid {
 public:
  ResultGrid();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColCount() const { return kGridColumns; }

  // The stored text of cell (col, row); empty outside the grid.
  std::string_view Cell(int col, int row) const;
  using RowView = std::array<std::string_view, kGridColumns>;
  // All ten cells of a row at once (empty outside the grid): the writers' fast path.
  RowView Row(int row) const;
  void SetCell(int col, int row, std::string_view text);

  // Every cell emptied, and the given row count.
  void Reset(int rowCount);
  // Grows or shrinks to `rowCount` rows; new rows are empty.
  void SetRowCount(int rowCount);
  // Replaces the whole row with up to ten cells (missing ones empty).
  void SetRow(int row, const std::string_view* cells, int cellCount);

  // Adds the rows [from, other.RowCount()) of `other` after the last row.
  void AppendRows(const ResultGrid& other, int from);

  // Room for this many rows and bytes of cell text, so that a large load does not copy what it
  // has read as it grows. Room never used costs address space only, not memory.
  void Reserve(size_t rows, size_t bytes);

  // Bytes held by the grid (for the memory benchmark).
  size_t MemoryBytes() const;

 private:
  static constexpr int kArenaColumns = 8;
  using Ends = std::array<uint16_t, kArenaColumns>;
  // Where a row's cells 0 to 7 lie in the arena: the offset of cell 0, and the end of each cell
  // relative to it. A row of at most 255 bytes, as race lines are, has its ends in a byte each; a
  // longer one keeps them aside by row.
  struct RowCells {
    uint32_t startLow = 0;
    uint16_t startHigh = 0;
    bool endsAside = false;
    std::array<uint8_t, kArenaColumns> end{};

    uint64_t Start() const { return uint64_t{startHigh} << 32 | startLow; }
  };
  static_assert(sizeof(RowCells) == 16);
  uint16_t End(const RowCells& r, int row, int col) const {
    return r.endsAside ? longEnds_.find(row)->second[col] : r.end[col];
  }
  // A flag column: the pool index of each row's text, kept aside for the rare row whose text
  // came after the first 255 distinct ones.
  struct FlagColumn {
    static constexpr uint8_t kAside = 255;
    std::vector<uint8_t> codes;
    std::unordered_map<int, uint32_t> aside;

    uint32_t Index(int row) const { return codes[row] != kAside ? codes[row] : aside.find(row)->second; }
    void Set(int row, uint32_t index) {
      if (index < kAside && codes[row] != kAside) codes[row] = static_cast<uint8_t>(index);
      else SetAside(row, index);
    }
    void SetAside(int row, uint32_t index);  // the old or the new index is kept aside
  };
  // The pool index of a text; 0 for the empty text, which most flag cells hold.
  uint32_t Intern(std::string_view text) { return text.empty() ? 0 : InternText(text); }
  uint32_t InternText(std::string_view text);
  void StoreArenaCells(int row, const std::string_view* cells);

  std::vector<RowCells> rows_;
  std::unordered_map<int, Ends> longEnds_;
  FlagColumn flagX_;  // column 8
  FlagColumn flagZ_;  // column 9
  std::string arena_;
  std::vector<std::string> pool_;
  std::unordered_map<std::string, uint32_t> poolIndex_;
};

// Inline: the writers and the marks read every cell of a large race.
inline std::string_view ResultGrid::Cell(int col, int row) const {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kGridColumns) return {};
  if (col == ColXFlg) return pool_[flagX_.Index(row)];
  if (col == ColZFlg) return pool_[flagZ_.Index(row)];
  const RowCells& r = rows_[row];
  const uint16_t begin = col == 0 ? 0 : End(r, row, col - 1);
  return std::string_view(arena_.data() + r.Start() + begin, End(r, row, col) - begin);
}

inline ResultGrid::RowView ResultGrid::Row(int row) const {
  if (row < 0 || row >= RowCount()) return RowView{};
  // Built in place from the ends: a view filled in afterwards would be zeroed and copied first.
  const RowCells& r = rows_[row];
  const char* base = arena_.data() + r.Start();
  Ends ends;
  if (r.endsAside) {
    ends = longEnds_.find(row)->second;
  } else {
    for (int c = 0; c < kArenaColumns; ++c) ends[c] = r.end[c];
  }
  return RowView{std::string_view(base, ends[0]),
                 std::string_view(base + ends[0], ends[1] - ends[0]),
                 std::string_view(base + ends[1], ends[2] - ends[1]),
                 std::string_view(base + ends[2], ends[3] - ends[2]),
                 std::string_view(base + ends[3], ends[4] - ends[3]),
                 std::string_view(base + ends[4], ends[5] - ends[4]),
                 std::string_view(base + ends[5], ends[6] - ends[5]),
                 std::string_view(base + ends[6], ends[7] - ends[6]),
                 pool_[flagX_.Index(row)],
                 pool_[flagZ_.Index(row)]};
}

}  // namespace zun
