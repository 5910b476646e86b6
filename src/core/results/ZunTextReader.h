#pragma once
// Reading a zunText file into the result grid, marking repeated and out-of-range records "z".
#include <string>
#include <string_view>

#include "results/ResultGrid.h"

namespace zun {

// Empties the grid (2 rows), then reads `path` into it: line n fills row n from the text "n,line"
// by the comma-text rule (an empty field stored as one blank, fields past the tenth dropped).
// False when the file cannot be opened; the grid then stays emptied with 2 rows.
bool ReadZunText(ResultGrid& grid, const std::string& path);

}  // namespace zun
