#pragma once
// The one load pipeline: read the zunText file, header row and numbering, the flag file, the
// per-row tables and the first-repeat marks.
#include <string>
#include <vector>

#include "output/Ranking.h"
#include "results/FirstRepeats.h"
#include "results/ResultGrid.h"
#include "view/Flags.h"

namespace zun {

// The grid with its per-row tables; the tables exist only after a load within the row limit.
struct ResultData {
  ResultGrid Grid;
  int RowTotal = 0;
  bool HasTables = false;
  std::vector<FirstRepeatEntry> FirstRepeats;
  PassageTable Passages;
};

// Folder of the zunText path, and the flag file in it.
std::string FlagDirFor(const std::string& zunTextPath);
std::string FlagFilePathFor(const std::string& zunTextPath);

struct LoadReport {
  bool fileOpened = false;      // false: "Cannot open file"
  bool tooBig = false;          // true: "grid is too big!!!"; no flags, tables or "R" marks
  FlagFileRead flagFile = FlagFileRead::Missing;
  bool firstRepeatFound = false;  // true: "First Repeat Found"
};

LoadReport LoadResultGrid(ResultData& data, FlagList& flags, const std::string& zunTextPath);

// Releases the per-row tables (closing the window, or before a load).
void ReleaseTables(ResultData& data);

}  // namespace zun
