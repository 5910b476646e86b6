#pragma once
// The one load pipeline: read the zunText file, header row and numbering, the flag file, the
// per-row tables and the first-repeat marks.
#include <string>
#include <vector>

#include "output/Ranking.h"
#include "results/FirstRepeats.h"
#include "results/ResultGrid.h"
#include "results/ZunTextReader.h"
#include "view/Flags.h"

namespace zun {

// The grid with its per-row tables; the tables exist only after a load within the row limit
// (HasTables), and only when the load keeps them.
struct ResultData {
  ResultGrid Grid;
  int RowTotal = 0;
  bool HasTables = false;
  FirstRepeatTable FirstRepeats;
  PassageTable Passages;
  LineMarks OwnMarks;  // kept only by a load that lines are appended to
};

// Folder of the zunText path, and the flag file in it.
std::string FlagDirFor(const std::string& zunTextPath);
std::string FlagFilePathFor(const std::string& zunTextPath);

// The flag file is there but cannot be read (a share that hiccups, another user's file): a load
// now would mark no row "x", and its outputs would publish every reading marked invalid.
bool FlagFileUnreadable(const std::string& zunTextPath);

struct LoadReport {
  bool fileOpened = false;      // false: "Cannot open file"
  bool tooBig = false;          // true: "grid is too big!!!"; no flags, tables or "R" marks
  FlagFileRead flagFile = FlagFileRead::Missing;
  bool firstRepeatFound = false;  // true: "First Repeat Found"
};

LoadReport LoadResultGrid(ResultData& data, FlagList& flags, const std::string& zunTextPath);

// The load above, also keeping what reading appended lines later needs (`repeats` may be null
// when no lines will be appended). Without `keepTables` the per-row tables are left empty: a
// load whose outputs are written once needs them no longer than its marks take. With `flagsAsGiven`
// the rows are marked from `flags` as it stands instead of from the flag file. With `keepIfUnopened`
// a file that cannot be opened leaves the data, the flags and `resume` as they were.
LoadReport LoadResultGrid(ResultData& data, FlagList& flags, const std::string& zunTextPath, ZunTextResume& resume,
                          FirstRepeatIndex* repeats, bool keepTables = true, bool flagsAsGiven = false,
                          bool keepIfUnopened = false);

// Brings data loaded by the call above up to date with the lines appended to the file since,
// giving the grid and tables a full load would give. False when the file cannot be opened or
// the grid reaches the row limit: the data are then half updated and need a full load.
// `firstChangedRow` is lowered to the first row whose cells may have changed; `firstNewRow` is
// set to the first row read again, and the earlier rows whose marks may have changed are added to
// `changedRows`.
bool LoadAppendedLines(ResultData& data, const FlagList& flags, const std::string& zunTextPath,
                       ZunTextResume& resume, FirstRepeatIndex& repeats, int& firstChangedRow, int& firstNewRow,
                       std::vector<int32_t>& changedRows);

// Releases the per-row tables (closing the window, or before a load).
void ReleaseTables(ResultData& data);

}  // namespace zun
