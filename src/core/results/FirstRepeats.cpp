#include "results/FirstRepeats.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/Text.h"

namespace zun {

namespace {

// A row taking part in the first-lap rule whatever its marks: a time and lap 1.
bool FirstLapRow(const ResultGrid& grid, int r, int32_t& bib) {
  if (StrToIntDef(grid.Cell(ColCount, r), 0) != 1) return false;
  if (StrToIntDef(grid.Cell(ColTime1, r), 0) == 0) return false;
  bib = StrToIntDef(grid.Cell(ColBib, r), 0);
  return true;
}

}  // namespace

bool MarkFirstRepeats(ResultGrid& grid, int rowTotal, FirstRepeatTable* table,
                      std::vector<int32_t>* firstLapRows) {
  std::vector<FirstRepeatEntry> taken;
  const int last = std::min(grid.RowCount(), rowTotal);
  int32_t bib = 0;
  for (int r = 1; r < last; ++r) {
    if (!FirstLapRow(grid, r, bib)) continue;
    if (firstLapRows != nullptr) firstLapRows->push_back(r);
    if (!grid.Cell(ColXFlg, r).empty() || !grid.Cell(ColZFlg, r).empty()) continue;
    FirstRepeatEntry e;
    e.Row = r;
    e.Bib = bib;
    e.Hits = 1;
    e.Time = StrToIntDef(grid.Cell(ColTime1000, r), 0);
    e.Lap = 1;
    taken.push_back(e);
  }
  std::sort(taken.begin(), taken.end(), [](const FirstRepeatEntry& a, const FirstRepeatEntry& b) {
    if (a.Bib != b.Bib) return a.Bib < b.Bib;
    if (a.Time != b.Time) return a.Time < b.Time;
    return a.Row < b.Row;
  });
  int32_t prevBib = -1;
  int k = 1;
  bool marked = false;
  for (const FirstRepeatEntry& e : taken) {
    if (e.Bib != prevBib) k = 1;
    if (k > 1) {
      if (grid.Cell(ColZFlg, e.Row).empty()) grid.SetCell(ColZFlg, e.Row, "R");
      marked = true;
    }
    prevBib = e.Bib;
    ++k;
  }
  if (table != nullptr) {
    // Entries without a hit take no part and all hold the initial values: sorted, the taken ones
    // lead the table in their order and the rest follow as they are.
    table->assign(static_cast<size_t>(std::max(rowTotal, 0)), FirstRepeatEntry{});
    std::copy(taken.begin(), taken.end(), table->begin());
  }
  return marked;
}

void FirstRepeatIndex::Build(const ResultGrid& grid, const FirstRepeatTable& table,
                             const std::vector<int32_t>& firstLapRows) {
  bibs_.clear();
  marked_ = 0;
  for (int32_t r : firstLapRows) bibs_[StrToIntDef(grid.Cell(ColBib, r), 0)].rows.push_back(r);
  // The taken entries lead the table, sorted by bib: all but the first of each bib were marked.
  int32_t prevBib = 0;
  bool first = true;
  for (const FirstRepeatEntry& e : table) {
    if (e.Hits == 0) break;
    if (!first && e.Bib == prevBib) {
      bibs_[e.Bib].marked.push_back(e.Row);
      ++marked_;
    }
    prevBib = e.Bib;
    first = false;
  }
}

void FirstRepeatIndex::DropRowsFrom(int row, std::set<int32_t>& touched) {
  for (auto& [bib, b] : bibs_) {
    if (b.rows.empty() || b.rows.back() < row) continue;
    touched.insert(bib);
    while (!b.rows.empty() && b.rows.back() >= row) b.rows.pop_back();
    const size_t before = b.marked.size();
    std::erase_if(b.marked, [row](int32_t r) { return r >= row; });
    marked_ -= before - b.marked.size();
  }
}

void FirstRepeatIndex::AddRows(const ResultGrid& grid, int from, int to, std::set<int32_t>& touched) {
  int32_t bib = 0;
  for (int r = from; r < to; ++r) {
    if (!FirstLapRow(grid, r, bib)) continue;
    bibs_[bib].rows.push_back(r);
    touched.insert(bib);
  }
}

void FirstRepeatIndex::Touch(const ResultGrid& grid, int row, std::set<int32_t>& touched) const {
  int32_t bib = 0;
  if (row >= 1 && row < grid.RowCount() && FirstLapRow(grid, row, bib)) touched.insert(bib);
}

int32_t FirstRepeatIndex::Remark(ResultGrid& grid, const std::set<int32_t>& touched,
                                 std::vector<int32_t>& changedRows) {
  struct Taken {
    int32_t time;
    int32_t row;
  };
  std::vector<Taken> taken;
  std::vector<int32_t> before;
  int32_t firstChanged = INT32_MAX;
  for (int32_t bib : touched) {
    auto it = bibs_.find(bib);
    if (it == bibs_.end()) continue;
    BibRows& b = it->second;
    for (int32_t r : b.marked) {
      if (r < grid.RowCount() && grid.Cell(ColZFlg, r) == "R") grid.SetCell(ColZFlg, r, "");
    }
    marked_ -= b.marked.size();
    before.swap(b.marked);
    b.marked.clear();
    taken.clear();
    for (int32_t r : b.rows) {
      if (!grid.Cell(ColXFlg, r).empty() || !grid.Cell(ColZFlg, r).empty()) continue;
      taken.push_back({StrToIntDef(grid.Cell(ColTime1000, r), 0), r});
    }
    std::sort(taken.begin(), taken.end(),
              [](const Taken& x, const Taken& y) { return x.time != y.time ? x.time < y.time : x.row < y.row; });
    for (size_t k = 1; k < taken.size(); ++k) {
      grid.SetCell(ColZFlg, taken[k].row, "R");
      b.marked.push_back(taken[k].row);
    }
    marked_ += b.marked.size();
    // The marks that came or went: rows in one list and not in the other.
    std::sort(before.begin(), before.end());
    std::sort(b.marked.begin(), b.marked.end());
    const size_t known = changedRows.size();
    std::set_symmetric_difference(before.begin(), before.end(), b.marked.begin(), b.marked.end(),
                                  std::back_inserter(changedRows));
    for (size_t k = known; k < changedRows.size(); ++k) firstChanged = std::min(firstChanged, changedRows[k]);
    if (b.rows.empty()) bibs_.erase(it);
  }
  return firstChanged;
}

}  // namespace zun
