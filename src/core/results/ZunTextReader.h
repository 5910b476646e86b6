#pragma once
// Reading a zunText file into the result grid, marking repeated and out-of-range records "z".
#include <string>
#include <string_view>

#include "results/ResultGrid.h"

namespace zun {

// Fills `row` from one record text by the comma-text rule: the text "n,text" spread over the ten
// cells, an empty field stored as one blank, fields past the tenth dropped.
void FillRowFromRecord(ResultGrid& grid, int row, std::string_view record);

// Empties the grid (2 rows), then reads `path` into it. False when the file cannot be opened;
// the grid then stays emptied with 2 rows.
bool ReadZunText(ResultGrid& grid, const std::string& path);

}  // namespace zun
