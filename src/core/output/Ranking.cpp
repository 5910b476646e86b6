#include "output/Ranking.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "platform/PrefixHash.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace zun {

int32_t HmsToSeconds(int32_t v) { return (v / 10000) * 3600 + ((v % 10000) / 100) * 60 + (v % 100); }

void ResetPassageTable(PassageTable& table, int rowTotal) {
  table.assign(static_cast<size_t>(std::max(rowTotal, 0)), PassageRecord{});
}

namespace {

const std::string& HeaderLine() {
  static const std::string line = Cp932FromUtf8("順位,No.,記録,回数\r\n");
  return line;
}

// A stable counting sort of the records [begin, end) into `out` by a key below `keyLimit`. The
// orders of the three comparators, with ties kept in gathering order, are built from these in
// linear time; records are moved rather than indexed so that every walk reads memory in order.
template <typename Key>
void StableSortInto(const PassageRecord* begin, const PassageRecord* end, PassageRecord* out, uint32_t keyLimit,
                    Key key) {
  std::vector<uint32_t> starts(static_cast<size_t>(keyLimit) + 1, 0);
  for (const PassageRecord* p = begin; p != end; ++p) ++starts[key(*p) + 1];
  for (size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
  for (const PassageRecord* p = begin; p != end; ++p) out[starts[key(*p)]++] = *p;
}

uint32_t SortTimeKey(const PassageRecord& p) { return static_cast<uint32_t>(p.SortTime); }
uint32_t BibKey(const PassageRecord& p) { return static_cast<uint32_t>(p.Bib); }
uint32_t CountKey(const PassageRecord& p) { return static_cast<uint32_t>(p.Count); }

// "%d,%d,%d,%d\n" in text mode: rank, bib, record time, count, and CR LF.
void AppendLine(std::string& out, int rank, const PassageRecord& p) {
  char line[64];
  char* at = line;
  for (int32_t v : {rank, p.Bib, p.RecordTime, p.Count}) {
    at = std::to_chars(at, line + sizeof line, v).ptr;
    *at++ = ',';
  }
  at[-1] = '\r';
  *at++ = '\n';
  out.append(line, static_cast<size_t>(at - line));
}

// The lines already end with CR LF.
bool WriteCsv(const std::string& path, const std::string& text, RankingMemo* memo, RankingReport& report) {
  if (memo == nullptr) return ReplaceFile(path, text) == SaveResult::Ok;
  PrefixHash hash;
  hash.Add(text.data(), text.size());
  const std::pair<uint64_t, uint64_t> written{text.size(), hash.Value()};
  const auto it = memo->find(path);
  if (it != memo->end() && it->second == written && FileExists(path) &&
      static_cast<uint64_t>(StampOf(path).size) == text.size()) {
    ++report.filesKept;
    return true;
  }
  if (ReplaceFile(path, text) != SaveResult::Ok) {
    memo->erase(path);
    return false;
  }
  (*memo)[path] = written;
  return true;
}

}  // namespace

RankingReport WriteRankingFiles(const ResultGrid& grid, int rowTotal, PassageTable& table, const std::string& dir000,
                                const std::string& dir999, RankingMemo* memo) {
  RankingReport report;
  if (table.empty()) return report;
  ResetPassageTable(table, static_cast<int>(table.size()));

  // Gather.
  size_t gathered = 0;
  const int last = std::min({grid.RowCount(), rowTotal, static_cast<int>(table.size())});
  for (int r = 1; r < last; ++r) {
    const ResultGrid::RowView cells = grid.Row(r);
    const int32_t bib = StrToIntDef(cells[ColBib], 0);
    const int32_t t5 = StrToIntDef(cells[ColTime1000], 0);
    if (bib <= 0 || bib >= 99999 || t5 <= 0) continue;
    if (!Trim(cells[ColXFlg]).empty() || !Trim(cells[ColZFlg]).empty()) continue;
    PassageRecord& p = table[gathered];
    p.Bib = bib;
    p.Sequence = static_cast<int32_t>(gathered);
    p.SortTime = t5 / 1000;
    p.RecordTime = StrToIntDef(cells[ColTime1], 0) / 1000;
    p.Count = StrToIntDef(cells[ColCount], 0);
    p.State = p.Count == 0 ? 0 : 1;
    ++gathered;
  }
  PassageRecord* const records = table.data();
  PassageRecord* const recordsEnd = records + gathered;
  std::vector<PassageRecord> work(gathered);
  int32_t maxSortTime = 0;
  for (const PassageRecord* p = records; p != recordsEnd; ++p) maxSortTime = std::max(maxSortTime, p->SortTime);
  const uint32_t timeLimit = static_cast<uint32_t>(maxSortTime) + 1;

  // CompareByBib order (Bib, then SortTime; ties in gathering order): by time, then by bib.
  StableSortInto(records, recordsEnd, work.data(), timeLimit, SortTimeKey);
  StableSortInto(work.data(), work.data() + gathered, records, 99999, BibKey);

  // Screen repeated readings.
  int32_t prevBib = -1;
  int32_t prevTime = 0;
  int firstCounts = 0;
  for (PassageRecord* p = records; p != recordsEnd; ++p) {
    if (p->State == 0) continue;
    const int32_t d = std::abs(HmsToSeconds(prevTime) - HmsToSeconds(p->SortTime));
    if (p->Bib == prevBib && d <= 3) p->State = 2;
    if (p->Count == 1) {
      if (p->Bib != prevBib) firstCounts = 0;
      if (++firstCounts > 1) p->State = 2;
    }
    prevBib = p->Bib;
    prevTime = p->SortTime;
  }

  // Number the accepted passages of each bib.
  int32_t numberedBib = 0;
  int32_t ordinal = 0;
  bool anyNumbered = false;
  for (PassageRecord* p = records; p != recordsEnd; ++p) {
    if (p->State != 1) continue;
    ordinal = (anyNumbered && p->Bib == numberedBib) ? ordinal + 1 : 1;
    numberedBib = p->Bib;
    anyNumbered = true;
    p->Count = ordinal;
  }

  // CompareByTime order (SortTime, then Sequence): back to gathering order, then by time.
  for (const PassageRecord* p = records; p != recordsEnd; ++p) work[static_cast<size_t>(p->Sequence)] = *p;
  StableSortInto(work.data(), work.data() + gathered, records, timeLimit, SortTimeKey);

  // Overall ranking; the accepted records in time order are kept for the count files.
  std::string overall = HeaderLine();
  overall.reserve(gathered * 32);
  int rank = 0;
  int32_t maxCount = 0;
  size_t accepted = 0;
  for (const PassageRecord* p = records; p != recordsEnd; ++p) {
    if (p->State != 1) continue;
    AppendLine(overall, ++rank, *p);
    work[accepted++] = *p;
    maxCount = std::max(maxCount, p->Count);
  }
  if (!WriteCsv(JoinPath(dir000, "000.csv"), overall, memo, report)) return report;
  report.overallWritten = true;
  report.passagesListed = rank;

  // One ranking per passage number, in CompareByCount order (Count, then SortTime).
  StableSortInto(work.data(), work.data() + accepted, records, static_cast<uint32_t>(maxCount) + 1, CountKey);
  std::string text;
  int32_t fileCount = 0;
  bool open = false;
  auto flush = [&]() -> bool {
    if (!open) return true;
    open = false;
    if (!WriteCsv(JoinPath(dir999, Format("%03d.csv", fileCount)), text, memo, report)) {
      report.countFileFailed = true;
      return false;
    }
    ++report.countFilesWritten;
    return true;
  };
  for (const PassageRecord* it = records; it != records + accepted; ++it) {
    const PassageRecord& p = *it;
    if (!open || p.Count != fileCount) {
      if (!flush()) return report;
      fileCount = p.Count;
      text = HeaderLine();
      rank = 0;
      open = true;
    }
    AppendLine(text, ++rank, p);
  }
  flush();
  return report;
}

}  // namespace zun
