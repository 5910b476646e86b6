#include "output/RankingText.h"

#include <algorithm>
#include <charconv>
#include <deque>

#include "platform/Cp932.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::ranking {

const std::string& HeaderLine() {
  static const std::string line = Cp932FromUtf8("順位,No.,記録,回数\r\n");
  return line;
}

// Replaces `entries` after the first line that changes: those in `removed` go, `added` come in.
// The few changes are merged in place; an entry that would land on one not yet read waits in
// `held`, so a change in the middle of a long race takes no copy of the entries after it.
void ApplyChanges(RankingText& file, std::vector<Entry>& removed, std::vector<Entry>& added) {
  if (removed.empty() && added.empty()) return;
  std::sort(removed.begin(), removed.end());
  std::sort(added.begin(), added.end());
  Entry lowest{INT32_MAX, INT32_MAX};
  if (!removed.empty()) lowest = removed.front();
  if (!added.empty() && added.front() < lowest) lowest = added.front();
  std::vector<Entry>& entries = file.entries;
  const size_t from = static_cast<size_t>(std::lower_bound(entries.begin(), entries.end(), lowest) - entries.begin());
  const size_t oldSize = entries.size();
  std::deque<Entry> held;
  size_t write = from;
  size_t read = from;  // entries before it have been read
  auto flush = [&] {
    for (; !held.empty() && write < read; held.pop_front()) entries[write++] = held.front();
  };
  auto put = [&](const Entry& e) {
    held.push_back(e);
    flush();
  };
  auto gone = removed.begin();
  auto come = added.begin();
  size_t found = 0;
  for (size_t k = from; k < oldSize; ++k) {
    const Entry e = entries[k];
    read = k + 1;
    while (gone != removed.end() && *gone < e) ++gone;
    if (gone != removed.end() && *gone == e) {
      ++gone;
      ++found;
      flush();
      continue;
    }
    while (come != added.end() && *come < e) put(*come++);
    put(e);
  }
  entries.resize(write);
  entries.insert(entries.end(), held.begin(), held.end());
  entries.insert(entries.end(), come, added.end());
  // Only a text formatted whole can lend its lines, and only when every entry that went was there.
  const bool lend = file.dirtyFrom == kClean && !file.starts.empty() && found == removed.size();
  file.lending = lend;
  file.wentOut.clear();
  file.cameIn.clear();
  if (lend) {
    file.wentOut.swap(removed);
    file.cameIn.swap(added);
  }
  file.dirtyFrom = std::min(file.dirtyFrom, from);
  removed.clear();
  added.clear();
}

namespace {

// The passage number of a count ranking file's name ("007.csv" -> 7); 0 for any other name.
int CountFileNumber(std::string_view name) {
  if (name.size() < 7 || name.size() > 14 || !name.ends_with(".csv")) return 0;
  const std::string_view digits = name.substr(0, name.size() - 4);
  int k = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
  if (error != std::errc() || end != digits.data() + digits.size() || k <= 0) return 0;
  return Format("%03d.csv", k) == name ? k : 0;
}

}  // namespace

// Count ranking files from passage number `first` on, left by an earlier write, keep their header
// alone: with their old lines they would go on publishing passages marked invalid since.
bool ClearCountFilesFrom(const std::string& dir999, size_t first, RankingMemo* memo, RankingReport& report) {
  std::vector<DirectoryEntry> listing;
  if (!ListDirectory(dir999, "*.csv", listing)) return true;
  PrefixHash hash;
  hash.Add(HeaderLine().data(), HeaderLine().size());
  for (const DirectoryEntry& entry : listing) {
    const int k = CountFileNumber(entry.name);
    if (k == 0 || static_cast<size_t>(k) < first) continue;
    const std::string path = JoinPath(dir999, entry.name);
    if (!ReplaceUnlessKept(path, {HeaderLine().size(), hash.Value()}, memo, report,
                           [&path] { return ReplaceFile(path, HeaderLine()) == SaveResult::Ok; }))
      return false;
    ++report.countFilesWritten;
  }
  return true;
}

// The lines in one file's text are "%d,%d,%d,%d": rank, bib, record time, count.
// Replaces the file with the text; `ahead` (when given) holds the text's beginning written ahead
// and then takes the new one's.
bool WriteCsv(const std::string& path, RankingText& file, RankingMemo* memo, RankingReport& report,
              FileWrittenAhead* ahead) {
  auto replace = [&] {
    if (ahead == nullptr) return ReplaceFile(path, file.text) == SaveResult::Ok;
    if (ahead->Replace(path, file.text, file.sameSinceAhead) != SaveResult::Ok) return false;
    ahead->WriteAhead(path, std::string_view(file.text).substr(0, file.starts.back()));
    file.sameSinceAhead = file.text.size();
    return true;
  };
  return ReplaceUnlessKept(path, {file.text.size(), file.hash.Value()}, memo, report, replace);
}

}  // namespace zun::ranking
