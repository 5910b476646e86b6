#include "live/LoadPipeline.h"

#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <set>
#include <string>

#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "results/ZunTextReader.h"

namespace zun {

std::string FlagDirFor(const std::string& zunTextPath) { return FolderOf(zunTextPath); }

std::string FlagFilePathFor(const std::string& zunTextPath) {
  return JoinPath(FlagDirFor(zunTextPath), kFlagFileName);
}

bool FlagFileUnreadable(const std::string& zunTextPath) {
  const std::string path = FlagFilePathFor(zunTextPath);
  std::string bytes;
  return !PathMissing(path) && !(FileExists(path) && ReadFileBytes(path, bytes));
}

void ReleaseTables(ResultData& data) {
  data.HasTables = false;
  PassageTable().swap(data.Passages);
  FirstRepeatTable().swap(data.FirstRepeats);
  LineMarks().swap(data.OwnMarks);
}

namespace {

// Header texts in row 0 and the line number in column 0 of rows [from, row count). The reader
// numbers every row it fills: only the rows of blank lines are still without one.
void NumberRows(ResultGrid& grid, int from) {
  const auto& headers = HeaderTexts();
  for (int c = 0; c < kGridColumns; ++c) grid.SetCell(c, 0, headers[c]);
  char text[16];
  for (int r = std::max(from, 1); r < grid.RowCount(); ++r) {
    if (!grid.Cell(ColLineNo, r).empty()) continue;
    const size_t size = static_cast<size_t>(std::to_chars(text, text + sizeof text, r).ptr - text);
    grid.SetCell(ColLineNo, r, std::string_view(text, size));
  }
}

}  // namespace

LoadReport LoadResultGrid(ResultData& data, FlagList& flags, const std::string& zunTextPath) {
  ZunTextResume resume;
  return LoadResultGrid(data, flags, zunTextPath, resume, nullptr);
}

LoadReport LoadResultGrid(ResultData& data, FlagList& flags, const std::string& zunTextPath, ZunTextResume& resume,
                          FirstRepeatIndex* repeats, bool keepTables, bool flagsAsGiven, bool keepIfUnopened) {
  LoadReport report;
  ResultGrid& grid = data.Grid;
  report.fileOpened = ReadZunText(grid, zunTextPath, resume);
  if (!report.fileOpened) {
    if (keepIfUnopened) return report;
    grid.Reset(2);
    resume = ZunTextResume{};
  }
  NumberRows(grid, 1);

  ReleaseTables(data);
  data.RowTotal = grid.RowCount();
  if (data.RowTotal >= kGridRowLimit) {
    report.tooBig = true;
    return report;
  }
  data.OwnMarks.clear();
  if (repeats != nullptr) CollectLineMarks(grid, 1, data.OwnMarks);
  if (flagsAsGiven) {
    MarkFlaggedRows(grid, flags, 1);
    report.flagFile = FlagFileRead::Read;
  } else {
    report.flagFile = ApplyFlagFile(grid, flags, FlagFilePathFor(zunTextPath));
  }
  // Room for the readings still to come, so that the first one does not copy both tables.
  const size_t room = static_cast<size_t>(data.RowTotal) + static_cast<size_t>(data.RowTotal) / 8;
  if (keepTables) {
    data.Passages.reserve(room);
    data.FirstRepeats.reserve(room);
    ResetPassageTable(data.Passages, data.RowTotal);
  }
  std::vector<int32_t> firstLapRows;
  report.firstRepeatFound = MarkFirstRepeats(grid, data.RowTotal, keepTables ? &data.FirstRepeats : nullptr,
                                             repeats != nullptr ? &firstLapRows : nullptr);
  if (repeats != nullptr) repeats->Build(grid, data.FirstRepeats, firstLapRows);
  data.HasTables = true;
  // What the read freed would otherwise stay with the allocator, and the rankings would come on top.
  if (!keepTables) malloc_trim(0);
  return report;
}

bool LoadAppendedLines(ResultData& data, const FlagList& flags, const std::string& zunTextPath,
                       ZunTextResume& resume, FirstRepeatIndex& repeats, int& firstChangedRow, int& firstNewRow,
                       std::vector<int32_t>& changedRows) {
  ResultGrid& grid = data.Grid;
  const int firstNew = std::min(resume.rowCount, resume.lines + 1);
  const int keptLine = resume.lines;  // the one older row whose "z" a new line may set
  firstNewRow = firstNew;
  if (keptLine >= 1) changedRows.push_back(keptLine);
  std::set<int32_t> touched;
  repeats.DropRowsFrom(firstNew, touched);
  if (!ReadAppendedZunText(grid, zunTextPath, resume)) return false;
  NumberRows(grid, firstNew);
  data.RowTotal = grid.RowCount();
  if (data.RowTotal >= kGridRowLimit) return false;
  std::erase_if(data.OwnMarks, [firstNew](const auto& mark) { return mark.first >= firstNew; });
  CollectLineMarks(grid, firstNew, data.OwnMarks);
  MarkFlaggedRows(grid, flags, firstNew);
  repeats.AddRows(grid, firstNew, grid.RowCount(), touched);
  repeats.Touch(grid, keptLine, touched);
  firstChangedRow =
      std::min({firstChangedRow, firstNew, std::max(keptLine, 1), repeats.Remark(grid, touched, changedRows)});
  data.Passages.resize(static_cast<size_t>(data.RowTotal));
  data.FirstRepeats.resize(static_cast<size_t>(data.RowTotal));
  return true;
}

}  // namespace zun
