#include "results/FirstRepeats.h"

#include <algorithm>

#include "platform/Text.h"

namespace zun {

bool MarkFirstRepeats(ResultGrid& grid, int rowTotal, std::vector<FirstRepeatEntry>& table) {
  table.assign(static_cast<size_t>(std::max(rowTotal, 0)), FirstRepeatEntry{});
  const int last = std::min(grid.RowCount(), rowTotal);
  for (int r = 1; r < last; ++r) {
    if (StrToIntDef(grid.Cell(ColTime1, r), 0) == 0) continue;
    if (!grid.Cell(ColXFlg, r).empty() || !grid.Cell(ColZFlg, r).empty()) continue;
    const int32_t lap = StrToIntDef(grid.Cell(ColCount, r), 0);
    if (lap != 1) continue;
    FirstRepeatEntry& e = table[static_cast<size_t>(r)];
    e.Row = r;
    e.Bib = StrToIntDef(grid.Cell(ColBib, r), 0);
    e.Hits += 1;
    e.Time = StrToIntDef(grid.Cell(ColTime1000, r), 0);
    e.Lap = lap;
  }
  // Entries without a hit take no part, so only the taken ones need sorting.
  const auto taken = std::partition(table.begin(), table.end(), [](const FirstRepeatEntry& e) { return e.Hits != 0; });
  std::sort(table.begin(), taken, [](const FirstRepeatEntry& a, const FirstRepeatEntry& b) {
    if (a.Bib != b.Bib) return a.Bib < b.Bib;
    if (a.Time != b.Time) return a.Time < b.Time;
    return a.Row < b.Row;
  });
  int32_t prevBib = -1;
  int k = 1;
  bool marked = false;
  for (auto it = table.begin(); it != taken; ++it) {
    const FirstRepeatEntry& e = *it;
    if (e.Bib != prevBib) k = 1;
    if (k > 1) {
      if (grid.Cell(ColZFlg, e.Row).empty()) grid.SetCell(ColZFlg, e.Row, "R");
      marked = true;
    }
    prevBib = e.Bib;
    ++k;
  }
  return marked;
}

}  // namespace zun
