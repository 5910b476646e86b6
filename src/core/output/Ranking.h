#pragma once
// The ranking files: 000.csv (every accepted passage by time) and 001.csv, 002.csv, ... (the k-th
// accepted passage of every bib by time).
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/TextFile.h"
#include "results/ResultGrid.h"

namespace zun {

struct PassageRecord {
  int32_t Bib = 0;
  int32_t SortTime = 99999999;
  int32_t RecordTime = 99999999;
  int32_t Count = 0;
  int32_t State = 0;  // 0 not listed, 1 accepted, 2 dropped as a repeated reading
  int32_t Sequence = 0;
};
using PassageTable = std::vector<PassageRecord>;

int32_t HmsToSeconds(int32_t hhmmss);

// Each a difference of integer fields, so a negative value orders the first argument first.
inline int CompareByBib(const PassageRecord& a, const PassageRecord& b) {
  return a.Bib != b.Bib ? a.Bib - b.Bib : a.SortTime - b.SortTime;
}
inline int CompareByTime(const PassageRecord& a, const PassageRecord& b) {
  return a.SortTime != b.SortTime ? a.SortTime - b.SortTime : a.Sequence - b.Sequence;
}
inline int CompareByCount(const PassageRecord& a, const PassageRecord& b) {
  return a.Count != b.Count ? a.Count - b.Count : a.SortTime - b.SortTime;
}

// A table of `rowTotal` records at their reset values.
void ResetPassageTable(PassageTable& table, int rowTotal);

struct RankingReport {
  bool overallWritten = false;  // 000.csv was written: the writer's result
  int countFilesWritten = 0;
  bool countFileFailed = false;  // a count ranking file could not be written; later ones were skipped
  int passagesListed = 0;
  int filesKept = 0;  // files left as they were: their bytes had not changed
};

// What the last writes put in each ranking file (size and hash by path), so that a file whose
// bytes would not change is left as it is.
using RankingMemo = std::unordered_map<std::string, std::pair<uint64_t, uint64_t>>;

// Writes Dir000/000.csv and Dir999/NNN.csv from the unmarked rows; a count file of an earlier
// write whose passage number no longer occurs is left with its header alone. An empty `table` (the load's
// PassageTable of a grid that was too big) writes nothing. With a memo, files that already hold
// their bytes are kept (and counted as written).
RankingReport WriteRankingFiles(const ResultGrid& grid, int rowTotal, const PassageTable& table,
                                const std::string& dir000, const std::string& dir999, RankingMemo* memo = nullptr);

// The ranking files kept from one write to the next. After rows change, only the bibs they touch
// are screened again and only the lines from the first changed one on are formatted again, so a
// reading appended to a long race costs little more than its own lines.
class RankingBuilder {
 public:
  // Lines are formatted again from a multiple of `stride` lines on.
  explicit RankingBuilder(size_t stride = 4096);
  ~RankingBuilder();
  RankingBuilder(const RankingBuilder&) = delete;
  RankingBuilder& operator=(const RankingBuilder&) = delete;

  // Everything from rows [1, rowTotal) of the grid; `table` is the load's PassageTable.
  void Rebuild(const ResultGrid& grid, int rowTotal, PassageTable& table);
  // The same for files written once: only what writing needs is kept, in about a third of the
  // memory, and Update does nothing. Their texts are streamed to the files as they are formatted.
  void BuildOnce(const ResultGrid& grid, int rowTotal);
  // Reads again rows [firstRow, rowTotal) and the earlier `changedRows` (rows whose cells may
  // have changed); every other row is as at the last build. Needs a Rebuild first.
  void Update(const ResultGrid& grid, int rowTotal, int firstRow, const std::vector<int32_t>& changedRows);
  bool Updatable() const;
  // Writes the files as WriteRankingFiles does.
  RankingReport Write(const std::string& dir000, const std::string& dir999, RankingMemo* memo);
  // Write in steps, so that a second thread formats the count files while 000.csv is formatted
  // and written: FormatCounts may run beside WriteOverall; WriteCounts comes after both, and only
  // when WriteOverall succeeded.
  bool WriteOverall(const std::string& dir000, RankingMemo* memo, RankingReport& report);
  void FormatCounts();
  void WriteCounts(const std::string& dir999, RankingMemo* memo, RankingReport& report);
  // Opening 000.csv's replacement ahead of a streamed write tells at once whether it can be
  // written, so that the count files, which are written only then, can go beside it: false when
  // it cannot be opened.
  bool OpenOverall(const std::string& dir000);

 private:
  struct State;
  std::unique_ptr<State> state_;
  FileWrittenAhead overallAhead_;  // after state_: it writes from state_'s text until it is gone
  std::unique_ptr<FileReplacement> overallFile_;  // opened ahead by OpenOverall
};

}  // namespace zun
