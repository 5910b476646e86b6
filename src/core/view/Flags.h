#pragma once
// The operator's invalid marks ("x" in column 8) and the flag file that keeps them across loads.
// A mark is bound to a row's content (columns 1 to 7 as integers), not to its line number.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/TextFile.h"
#include "results/ResultGrid.h"

namespace zun {

// The flag list: the flag file's lines in file order, then each new mark at the end.
using FlagList = std::vector<std::string>;

inline constexpr const char* kFlagFileName = "zuntext.flg";

// Columns 1 to 7 of a flag line read as integers (non-numeric 0). A line of fewer than eight
// fields names no row.
struct FlagKey {
  bool valid = false;
  std::array<int32_t, 7> values{};
};
FlagKey FlagKeyOfLine(std::string_view line);

// Columns 1 to 7 of a grid row read as integers, non-numeric or empty -1.
std::array<int32_t, 7> RowKeyOf(const ResultGrid& grid, int row);

bool FlagMatch(std::string_view line, const ResultGrid& grid, int row);

// The data row nearest `near` (`near` itself first) whose columns 1 to 7 read as `key`, the
// reading a mark on it would name; 0 when no row does.
int RowWithKeyNear(const ResultGrid& grid, const std::array<int32_t, 7>& key, int near);

// Cells 0 to 8 of the row joined by ",".
std::string BuildFlagLine(const ResultGrid& grid, int row);

// Every line followed by "\n" (the whole-text save adds the final line break).
std::string FlagFileText(const FlagList& flags);

enum class FlagFileRead { Missing, OpenFailed, Read };

// Empties `flags` and reads the flag file's lines into it (trimmed, empty ones left out).
FlagFileRead ReadFlagFile(const std::string& flagFilePath, FlagList& flags);

// Empties `flags`, reads the flag file into it and marks "x" on every row a line matches.
FlagFileRead ApplyFlagFile(ResultGrid& grid, FlagList& flags, const std::string& flagFilePath);

// Marks "x" on every row from `fromRow` on that a line of `flags` matches.
void MarkFlaggedRows(ResultGrid& grid, const FlagList& flags, int fromRow);

// The texts the zunText lines themselves gave column 8, by row (ascending), for the few rows that
// have one: what such a row shows again when the mark on it is taken back.
using LineMarks = std::vector<std::pair<int32_t, std::string>>;

// Adds those of rows [fromRow, row count), read before any flag line marks them.
void CollectLineMarks(const ResultGrid& grid, int fromRow, LineMarks& marks);

// Column 7 of the grid's rows as integers (non-numeric or empty -1), by row: the field that rules
// out almost every row of a key, read once and kept, so that a change of marks reads the text of
// only the rows it may concern. Extends `stamps` to the grid's rows.
void ReadRowStamps(const ResultGrid& grid, std::vector<int32_t>& stamps);

// The list was `before` and is `flags` now: every row whose key came into it is marked "x", and
// every row whose key left it gets its line's own text back, as a load with `flags` would leave
// them; so is `markedRow` (the row SetFlagMark marked, whose line may name no row, as a blank
// row's does). `stamps` is ReadRowStamps' of the grid. Returns those rows, ascending: the marks
// SetFlagMark put on them or RemoveFlagMark took off have changed too.
std::vector<int32_t> RemarkFlaggedRows(ResultGrid& grid, const std::vector<int32_t>& stamps, const FlagList& before,
                                       const FlagList& flags, const LineMarks& lineMarks, int markedRow = 0);

enum class MarkOutcome {
  Saved,            // the change is in the grid, the list and the file
  AlreadyMarked,    // a flag line already matches the row; nothing changed
  NoSelection,      // no flag line chosen; nothing changed
  SaveOpenFailed,   // the change is in the grid and the list, the file could not be opened
  SaveWriteFailed,  // the change is in the grid and the list, writing the file failed
};

// Rewrites the flag file with the list.
MarkOutcome SaveFlags(const FlagList& flags, const std::string& flagFilePath);

// Marks `row` "x" and appends its flag line; false (nothing changed) when a line already matches it.
bool AddFlagMark(ResultGrid& grid, FlagList& flags, int row);

// AddFlagMark, then the flag file rewritten.
MarkOutcome SetFlagMark(ResultGrid& grid, FlagList& flags, int row, const std::string& flagFilePath);

// Deletes flag line `index`, rewrites the flag file and, when saved, clears "x" on the rows that
// line matched and no remaining line matches, so the grid always agrees with the file.
MarkOutcome RemoveFlagMark(ResultGrid& grid, FlagList& flags, int index, const std::string& flagFilePath);

}  // namespace zun
