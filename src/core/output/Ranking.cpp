#include "output/Ranking.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "platform/Cp932.h"
#include "platform/Paths.h"
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

// Ties on both keys keep gathering order, so the same grid always gives the same files.
template <int (*Compare)(const PassageRecord&, const PassageRecord&)>
void SortBy(PassageTable::iterator begin, PassageTable::iterator end) {
  std::sort(begin, end, [](const PassageRecord& a, const PassageRecord& b) {
    const int c = Compare(a, b);
    return c != 0 ? c < 0 : a.Sequence < b.Sequence;
  });
}

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
bool WriteCsv(const std::string& path, const std::string& text) { return ReplaceFile(path, text) == SaveResult::Ok; }

}  // namespace

RankingReport WriteRankingFiles(const ResultGrid& grid, int rowTotal, PassageTable& table, const std::string& dir000,
                                const std::string& dir999) {
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
  const auto begin = table.begin();
  const auto end = table.begin() + static_cast<std::ptrdiff_t>(gathered);

  // Screen repeated readings.
  SortBy<CompareByBib>(begin, end);
  int32_t prevBib = -1;
  int32_t prevTime = 0;
  int firstCounts = 0;
  for (auto it = begin; it != end; ++it) {
    PassageRecord& p = *it;
    if (p.State == 0) continue;
    const int32_t d = std::abs(HmsToSeconds(prevTime) - HmsToSeconds(p.SortTime));
    if (p.Bib == prevBib && d <= 3) p.State = 2;
    if (p.Count == 1) {
      if (p.Bib != prevBib) firstCounts = 0;
      if (++firstCounts > 1) p.State = 2;
    }
    prevBib = p.Bib;
    prevTime = p.SortTime;
  }

  // Number the accepted passages of each bib. Screening changed no sort key, so the records are
  // still in CompareByBib order.
  int32_t numberedBib = 0;
  int32_t ordinal = 0;
  bool anyNumbered = false;
  for (auto it = begin; it != end; ++it) {
    if (it->State != 1) continue;
    ordinal = (anyNumbered && it->Bib == numberedBib) ? ordinal + 1 : 1;
    numberedBib = it->Bib;
    anyNumbered = true;
    it->Count = ordinal;
  }

  // Overall ranking.
  SortBy<CompareByTime>(begin, end);
  std::string overall = HeaderLine();
  overall.reserve(gathered * 32);
  int rank = 0;
  for (auto it = begin; it != end; ++it) {
    if (it->State == 1) AppendLine(overall, ++rank, *it);
  }
  if (!WriteCsv(JoinPath(dir000, "000.csv"), overall)) return report;
  report.overallWritten = true;
  report.passagesListed = rank;

  // One ranking per passage number.
  SortBy<CompareByCount>(begin, end);
  std::string text;
  int32_t fileCount = 0;
  bool open = false;
  auto flush = [&]() -> bool {
    if (!open) return true;
    open = false;
    if (!WriteCsv(JoinPath(dir999, Format("%03d.csv", fileCount)), text)) {
      report.countFileFailed = true;
      return false;
    }
    ++report.countFilesWritten;
    return true;
  };
  for (auto it = begin; it != end; ++it) {
    if (it->State != 1) continue;
    if (!open || it->Count != fileCount) {
      if (!flush()) return report;
      fileCount = it->Count;
      text = HeaderLine();
      rank = 0;
      open = true;
    }
    AppendLine(text, ++rank, *it);
  }
  flush();
  return report;
}

}  // namespace zun
