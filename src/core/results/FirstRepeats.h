#pragma once
// Repeated first laps: within one bib, every first-lap record but the earliest gets "R".
#include <cstdint>
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

// Marks "R" in column 9; `table` holds `rowTotal` entries. True when a row was marked.
bool MarkFirstRepeats(ResultGrid& grid, int rowTotal, std::vector<FirstRepeatEntry>& table);

}  // namespace zun
