#pragma once
// Repeated first laps: within one bib, every first-lap record but the earliest gets "R".
#include <cstdint>
#include <set>
#include <unordered_map>
#include <vector>

#include "results/ResultGrid.h"

namespace zun {

struct FirstRepeatEntry {
  int32_t Row = 0;
  int32_t Bib = 99999;
  int32_t Hits = 0;
  int32_t Lap = 99999;
  int32_t Time = 99999999;
};
using FirstRepeatTable = std::vector<FirstRepeatEntry>;

// Marks "R" in column 9. True when a row was marked. With `table`, leaves `rowTotal` entries
// there; with `firstLapRows`, also lists the rows of lap 1 with a time, whatever their marks, in
// order.
bool MarkFirstRepeats(ResultGrid& grid, int rowTotal, FirstRepeatTable* table,
                      std::vector<int32_t>* firstLapRows = nullptr);

// The first-lap rows of each bib, kept so that rows added to a loaded grid mark again only the
// bibs they touch, with the same "R" marks as MarkFirstRepeats on the whole grid.
class FirstRepeatIndex {
 public:
  // From a grid MarkFirstRepeats has just marked, and the table and first-lap rows it left.
  void Build(const ResultGrid& grid, const FirstRepeatTable& table,
             const std::vector<int32_t>& firstLapRows);
  // Forgets rows from `row` on (they are read again); their bibs are added to `touched`.
  void DropRowsFrom(int row, std::set<int32_t>& touched);
  // Takes in rows [from, to); the bibs of their first-lap rows are added to `touched`.
  void AddRows(const ResultGrid& grid, int from, int to, std::set<int32_t>& touched);
  // The bib of `row` when it is a first-lap row, added to `touched`.
  void Touch(const ResultGrid& grid, int row, std::set<int32_t>& touched) const;
  // Marks the touched bibs again; returns the first row whose mark changed (INT32_MAX: none) and
  // adds every such row to `changedRows`.
  int32_t Remark(ResultGrid& grid, const std::set<int32_t>& touched, std::vector<int32_t>& changedRows);
  bool AnyMarked() const { return marked_ > 0; }

 private:
  struct BibRows {
    std::vector<int32_t> rows;    // first-lap rows, ascending
    std::vector<int32_t> marked;  // the rows this index marked "R"
  };
  std::unordered_map<int32_t, BibRows> bibs_;
  size_t marked_ = 0;
};

}  // namespace zun
