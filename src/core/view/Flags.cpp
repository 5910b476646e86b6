#include "view/Flags.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "platform/CommaText.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/TextLineReader.h"

namespace zun {

FlagKey FlagKeyOfLine(std::string_view line) {
  FlagKey key;
  const std::vector<std::string> fields = SplitCommaText(line);
  if (fields.size() < 8) return key;
  for (int k = 1; k <= 7; ++k) key.values[k - 1] = StrToIntDef(fields[k], 0);
  key.valid = true;
  return key;
}

std::array<int32_t, 7> RowKeyOf(const ResultGrid& grid, int row) {
  std::array<int32_t, 7> values{};
  for (int k = 1; k <= 7; ++k) values[k - 1] = StrToIntDef(grid.Cell(k, row), -1);
  return values;
}

bool FlagMatch(std::string_view line, const ResultGrid& grid, int row) {
  const FlagKey key = FlagKeyOfLine(line);
  return key.valid && key.values == RowKeyOf(grid, row);
}

std::string BuildFlagLine(const ResultGrid& grid, int row) {
  std::string line;
  for (int c = 0; c <= ColXFlg; ++c) {
    if (c > 0) line += ',';
    line.append(grid.Cell(c, row));
  }
  return line;
}

std::string FlagFileText(const FlagList& flags) {
  std::string text;
  for (const std::string& line : flags) {
    text += line;
    text += '\n';
  }
  return text;
}

namespace {

using KeySet = std::set<std::array<int32_t, 7>>;
constexpr size_t kStampInKey = ColStamp - 1;  // a key holds columns 1 to 7

KeySet KeysOf(const FlagList& flags) {
  KeySet keys;
  for (const std::string& line : flags) {
    const FlagKey key = FlagKeyOfLine(line);
    if (key.valid) keys.insert(key.values);
  }
  return keys;
}

}  // namespace

MarkOutcome SaveFlags(const FlagList& flags, const std::string& flagFilePath) {
  switch (SaveWholeText(flagFilePath, FlagFileText(flags), /*durable=*/true)) {
    case SaveResult::Ok: return MarkOutcome::Saved;
    case SaveResult::OpenFailed: return MarkOutcome::SaveOpenFailed;
    case SaveResult::WriteFailed: break;
  }
  return MarkOutcome::SaveWriteFailed;
}

FlagFileRead ReadFlagFile(const std::string& flagFilePath, FlagList& flags) {
  flags.clear();
  if (!FileExists(flagFilePath)) return FlagFileRead::Missing;
  TextLineReader reader;
  if (!reader.Open(flagFilePath)) return FlagFileRead::OpenFailed;
  std::string_view piece;
  while (reader.Next(piece)) {
    const std::string_view line = Trim(piece);
    if (!line.empty()) flags.emplace_back(line);
  }
  return FlagFileRead::Read;
}

FlagFileRead ApplyFlagFile(ResultGrid& grid, FlagList& flags, const std::string& flagFilePath) {
  const FlagFileRead read = ReadFlagFile(flagFilePath, flags);
  if (read == FlagFileRead::Read) MarkFlaggedRows(grid, flags, 1);
  return read;
}

int RowWithKeyNear(const ResultGrid& grid, const std::array<int32_t, 7>& key, int near) {
  const int rows = grid.RowCount();
  const auto holds = [&](int r) {
    return r >= 1 && r < rows && StrToIntDef(grid.Cell(ColStamp, r), -1) == key[kStampInKey] &&
           RowKeyOf(grid, r) == key;
  };
  for (int distance = 0; distance < rows; ++distance) {
    if (holds(near - distance)) return near - distance;
    if (holds(near + distance)) return near + distance;
  }
  return 0;
}

void MarkFlaggedRows(ResultGrid& grid, const FlagList& flags, int fromRow) {
  // One pass over the rows with the set of keys: the same marks as matching line by line. The
  // time stamp alone rules out almost every row of a long race, so the whole key is read seldom.
  const KeySet keys = KeysOf(flags);
  if (keys.empty()) return;
  std::set<int32_t> stamps;
  for (const auto& key : keys) stamps.insert(key[kStampInKey]);
  for (int r = std::max(fromRow, 1); r < grid.RowCount(); ++r) {
    if (!stamps.count(StrToIntDef(grid.Cell(ColStamp, r), -1))) continue;
    if (keys.count(RowKeyOf(grid, r))) grid.SetCell(ColXFlg, r, "x");
  }
}

void CollectLineMarks(const ResultGrid& grid, int fromRow, LineMarks& marks) {
  for (int r = std::max(fromRow, 1); r < grid.RowCount(); ++r) {
    const std::string_view text = grid.Cell(ColXFlg, r);
    if (!text.empty()) marks.emplace_back(r, std::string(text));
  }
}

void ReadRowStamps(const ResultGrid& grid, std::vector<int32_t>& stamps) {
  const size_t from = stamps.size();
  stamps.resize(static_cast<size_t>(grid.RowCount()));
  for (size_t r = from; r < stamps.size(); ++r) stamps[r] = StrToIntDef(grid.Cell(ColStamp, static_cast<int>(r)), -1);
}

namespace {

// The data rows whose stamp is one of `wanted`, ascending, with `markedRow` among them.
std::vector<int32_t> RowsWithStamps(const std::vector<int32_t>& stamps, std::vector<int32_t> wanted, int markedRow) {
  std::sort(wanted.begin(), wanted.end());
  std::vector<int32_t> rows;
  const int32_t count = static_cast<int32_t>(stamps.size());
  if (wanted.size() <= 4) {
    // A mark moves a key or two: a plain pass over the integers.
    for (int32_t r = 1; r < count; ++r) {
      bool hit = r == markedRow;
      for (int32_t v : wanted) hit |= stamps[static_cast<size_t>(r)] == v;
      if (hit) rows.push_back(r);
    }
  } else {
    for (int32_t r = 1; r < count; ++r)
      if (r == markedRow || std::binary_search(wanted.begin(), wanted.end(), stamps[static_cast<size_t>(r)]))
        rows.push_back(r);
  }
  return rows;
}

}  // namespace

std::vector<int32_t> RemarkFlaggedRows(ResultGrid& grid, const std::vector<int32_t>& stamps, const FlagList& before,
                                       const FlagList& flags, const LineMarks& lineMarks, int markedRow) {
  const KeySet was = KeysOf(before), now = KeysOf(flags);
  KeySet moved;
  std::set_symmetric_difference(was.begin(), was.end(), now.begin(), now.end(), std::inserter(moved, moved.end()));
  std::vector<int32_t> changed;
  if (moved.empty() && markedRow < 1) return changed;
  std::vector<int32_t> wanted;
  for (const auto& key : moved) wanted.push_back(key[kStampInKey]);
  for (int32_t r : RowsWithStamps(stamps, std::move(wanted), markedRow)) {
    const auto key = RowKeyOf(grid, r);
    if (r != markedRow && !moved.count(key)) continue;
    std::string_view want = "x";
    if (!now.count(key)) {
      const auto own = std::lower_bound(lineMarks.begin(), lineMarks.end(), r,
                                        [](const auto& mark, int row) { return mark.first < row; });
      want = own != lineMarks.end() && own->first == r ? std::string_view(own->second) : std::string_view();
    }
    if (grid.Cell(ColXFlg, r) != want) grid.SetCell(ColXFlg, r, want);
    changed.push_back(r);
  }
  return changed;
}

bool AddFlagMark(ResultGrid& grid, FlagList& flags, int row) {
  for (const std::string& line : flags) {
    if (FlagMatch(line, grid, row)) return false;
  }
  grid.SetCell(ColXFlg, row, "x");
  flags.push_back(BuildFlagLine(grid, row));
  return true;
}

MarkOutcome SetFlagMark(ResultGrid& grid, FlagList& flags, int row, const std::string& flagFilePath) {
  if (!AddFlagMark(grid, flags, row)) return MarkOutcome::AlreadyMarked;
  return SaveFlags(flags, flagFilePath);
}

MarkOutcome RemoveFlagMark(ResultGrid& grid, FlagList& flags, int index, const std::string& flagFilePath) {
  if (index < 0 || index >= static_cast<int>(flags.size())) return MarkOutcome::NoSelection;
  const FlagKey removed = FlagKeyOfLine(flags[static_cast<size_t>(index)]);
  flags.erase(flags.begin() + index);
  const MarkOutcome outcome = SaveFlags(flags, flagFilePath);
  if (outcome != MarkOutcome::Saved || !removed.valid) return outcome;
  const KeySet remaining = KeysOf(flags);
  if (remaining.count(removed.values)) return outcome;
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (StrToIntDef(grid.Cell(ColStamp, r), -1) != removed.values[kStampInKey]) continue;
    if (RowKeyOf(grid, r) == removed.values && grid.Cell(ColXFlg, r) == "x") grid.SetCell(ColXFlg, r, "");
  }
  return outcome;
}

}  // namespace zun
