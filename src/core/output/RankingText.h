#pragma once
// The text of one ranking file kept between writes, and how ranking files are put on disk: pieces
// of the ranking builder, kept apart from its sorting and screening.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "output/Ranking.h"
#include "platform/Paths.h"
#include "platform/PrefixHash.h"
#include "platform/TextFile.h"

namespace zun::ranking {

constexpr size_t kClean = SIZE_MAX;  // a text whose lines are all formatted

// The header line of every ranking file, in the files' encoding.
const std::string& HeaderLine();

// A line of a ranking file, by its grid row: CompareByTime order is (SortTime, row).
struct Entry {
  int32_t sortTime;
  int32_t row;
  bool operator<(const Entry& o) const { return sortTime != o.sortTime ? sortTime < o.sortTime : row < o.row; }
  bool operator==(const Entry& o) const = default;
};

// One ranking file: its lines in order and its text, with points every `stride` lines where
// formatting can start again and the text's hash up to there.
struct RankingText {
  std::vector<Entry> entries;
  std::string text;
  std::vector<size_t> starts;      // starts[k]: where the line of entries[k * stride] begins
  std::vector<PrefixHash> hashes;  // hashes[k]: of the text before starts[k]
  PrefixHash hash;                 // of the whole text
  size_t dirtyFrom = 0;            // the first entry whose line must be formatted again
  size_t sameSinceAhead = 0;       // bytes at the start of the text unchanged since written ahead
  // Since the text was last formatted whole, the entries that went out and came in (ascending):
  // the others' lines are in the text, and only their ranks move. Not `lending` when there is no
  // such text to take them from.
  bool lending = false;
  std::vector<Entry> wentOut, cameIn;
};

// Replaces `entries` after the first line that changes: those in `removed` go, `added` come in.
// The few changes are merged in place, so a change in the middle of a long race takes no copy of
// the entries after it.
void ApplyChanges(RankingText& file, std::vector<Entry>& removed, std::vector<Entry>& added);

// Puts a file of size and hash `written` in place with `replace`, unless the memo knows that the
// file at `path` already holds those bytes; the memo then knows the new ones.
template <typename Replace>
bool ReplaceUnlessKept(const std::string& path, const std::pair<uint64_t, uint64_t>& written, RankingMemo* memo,
                       RankingReport& report, Replace replace) {
  if (memo == nullptr) return replace();
  const auto it = memo->find(path);
  if (it != memo->end() && it->second == written && FileExists(path) &&
      static_cast<uint64_t>(StampOf(path).size) == written.first) {
    ++report.filesKept;
    return true;
  }
  if (!replace()) {
    memo->erase(path);
    return false;
  }
  (*memo)[path] = written;
  return true;
}

// Count ranking files from passage number `first` on, left by an earlier write, keep their header
// alone: with their old lines they would go on publishing passages marked invalid since.
bool ClearCountFilesFrom(const std::string& dir999, size_t first, RankingMemo* memo, RankingReport& report);

// Replaces the file with the text; `ahead` (when given) holds the text's beginning written ahead
// and then takes the new one's.
bool WriteCsv(const std::string& path, RankingText& file, RankingMemo* memo, RankingReport& report,
              FileWrittenAhead* ahead = nullptr);

}  // namespace zun::ranking
