#include "live/LoadPipeline.h"

#include <string>

#include "platform/Paths.h"
#include "results/ZunTextReader.h"

namespace zun {

std::string FlagDirFor(const std::string& zunTextPath) { return FolderOf(zunTextPath); }

std::string FlagFilePathFor(const std::string& zunTextPath) {
  return JoinPath(FlagDirFor(zunTextPath), kFlagFileName);
}

void ReleaseTables(ResultData& data) {
  data.HasTables = false;
  PassageTable().swap(data.Passages);
  std::vector<FirstRepeatEntry>().swap(data.FirstRepeats);
}

LoadReport LoadResultGrid(ResultData& data, FlagList& flags, const std::string& zunTextPath) {
  LoadReport report;
  ResultGrid& grid = data.Grid;
  report.fileOpened = ReadZunText(grid, zunTextPath);

  const auto& headers = HeaderTexts();
  for (int c = 0; c < kGridColumns; ++c) grid.SetCell(c, 0, headers[c]);
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string number = std::to_string(r);
    if (grid.Cell(ColLineNo, r) != number) grid.SetCell(ColLineNo, r, number);
  }

  ReleaseTables(data);
  data.RowTotal = grid.RowCount();
  if (data.RowTotal >= kGridRowLimit) {
    report.tooBig = true;
    return report;
  }
  report.flagFile = ApplyFlagFile(grid, flags, FlagFilePathFor(zunTextPath));
  ResetPassageTable(data.Passages, data.RowTotal);
  report.firstRepeatFound = MarkFirstRepeats(grid, data.RowTotal, data.FirstRepeats);
  data.HasTables = true;
  return report;
}

}  // namespace zun
