#include "output/Ranking.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>

#include "output/RankingText.h"
#include "platform/OutputNames.h"
#include "platform/Cp932.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"
#include "platform/PrefixHash.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace zun {

using namespace ranking;

int32_t HmsToSeconds(int32_t v) { return (v / 10000) * 3600 + ((v % 10000) / 100) * 60 + (v % 100); }

void ResetPassageTable(PassageTable& table, int rowTotal) {
  table.assign(static_cast<size_t>(std::max(rowTotal, 0)), PassageRecord{});
}

namespace {


// A stable counting sort of the items [begin, end) into `out` by a key below `keyLimit`; returns
// where each key's items begin in `out`, and their end after the last key. The CompareByBib and
// CompareByTime orders, with ties kept in gathering order, are built from these in linear time;
// Rebuild moves whole records, so that each of its walks reads memory in order.
template <typename In, typename Out, typename Key>
std::vector<uint32_t> StableSortInto(In begin, In end, Out out, uint32_t keyLimit, Key key) {
  std::vector<uint32_t> starts(static_cast<size_t>(keyLimit) + 1, 0);
  for (In p = begin; p != end; ++p) ++starts[static_cast<size_t>(key(*p)) + 1];
  for (size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
  std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
  for (In p = begin; p != end; ++p) out[next[static_cast<size_t>(key(*p))]++] = *p;
  return starts;
}

// The numbers from `i` on, as items for StableSortInto to order by what they index.
struct IndexIterator {
  uint32_t i;
  uint32_t operator*() const { return i; }
  IndexIterator& operator++() {
    ++i;
    return *this;
  }
  bool operator!=(const IndexIterator& other) const { return i != other.i; }
};

// The numbers [0, count) ordered by key(i) below `keyLimit`, ties by number. A counting sort when
// there are not many more keys than numbers; otherwise its buckets would cost more than the
// passages, so a small race sorts by comparison.
template <typename Key>
void OrderByKey(uint32_t* out, uint32_t count, uint32_t keyLimit, Key key) {
  if (keyLimit / 8 <= count) {
    StableSortInto(IndexIterator{0}, IndexIterator{count}, out, keyLimit, key);
    return;
  }
  for (uint32_t i = 0; i < count; ++i) out[i] = i;
  std::sort(out, out + count, [&key](uint32_t a, uint32_t b) {
    const uint32_t ka = key(a), kb = key(b);
    return ka != kb ? ka < kb : a < b;
  });
}

uint32_t SortTimeKey(const PassageRecord& p) { return static_cast<uint32_t>(p.SortTime); }
uint32_t BibKey(const PassageRecord& p) { return static_cast<uint32_t>(p.Bib); }

constexpr int32_t kBibSlots = 99999;  // bibs 1 to 99998 are listed
constexpr size_t kLineRoom = 4 * 12 + 2;  // four "%d," fields and CR LF

// "%d,%d,%d,%d\n" in text mode at `at`: rank, bib, record time, count, and CR LF.
char* PutLine(char* at, int32_t rank, int32_t bib, int32_t recordTime, int32_t count) {
  char* const room = at + kLineRoom;
  for (int32_t v : {rank, bib, recordTime, count}) {
    at = std::to_chars(at, room, v).ptr;
    *at++ = ',';
  }
  at[-1] = '\r';
  *at++ = '\n';
  return at;
}

// Screens the records of one bib, in CompareByBib order: a reading within 3 seconds of the one
// before it is dropped, and so is a first lap once `firstCounts` passes 1. The count starts again
// only at a bib whose first listed reading is a first lap; otherwise it carries over from the bibs
// before. Then the accepted readings are numbered 1, 2, ... in Count.
void ScreenBib(PassageRecord* begin, PassageRecord* end, int& firstCounts) {
  bool first = true;
  int32_t prevTime = 0;
  for (PassageRecord* p = begin; p != end; ++p) {
    if (p->State == 0) continue;
    if (!first && std::abs(HmsToSeconds(prevTime) - HmsToSeconds(p->SortTime)) <= 3) p->State = 2;
    if (p->Count == 1) {
      if (first) firstCounts = 0;
      if (++firstCounts > 1) p->State = 2;
    }
    first = false;
    prevTime = p->SortTime;
  }
  int32_t ordinal = 0;
  for (PassageRecord* p = begin; p != end; ++p)
    if (p->State == 1) p->Count = ++ordinal;
}

// What a row gives the rankings; bib 0 when it is not listed.
struct RowPassage {
  int32_t bib = 0;
  int32_t sortTime = 0;
  int32_t recordTime = 0;
  int32_t lap = 0;
  int32_t ordinal = 0;  // its number among the bib's accepted readings; 0 when not accepted

  bool Screened() const { return bib != 0 && lap != 0; }
  bool SameReading(const RowPassage& o) const {
    return bib == o.bib && sortTime == o.sortTime && recordTime == o.recordTime && lap == o.lap;
  }
};

RowPassage GatherRow(const ResultGrid::RowView& cells) {
  RowPassage row;
  const int32_t bib = StrToIntDef(cells[ColBib], 0);
  const int32_t t5 = StrToIntDef(cells[ColTime1000], 0);
  if (bib <= 0 || bib >= 99999 || t5 <= 0) return row;
  if (!Trim(cells[ColXFlg]).empty() || !Trim(cells[ColZFlg]).empty()) return row;
  row.bib = bib;
  row.sortTime = t5 / 1000;
  row.recordTime = StrToIntDef(cells[ColTime1], 0) / 1000;
  row.lap = StrToIntDef(cells[ColCount], 0);
  return row;
}


// A passage of a build that writes once. `count` is the lap until the bib is screened, then the
// number among the bib's accepted readings, 0 when it was dropped.
struct OncePassage {
  int32_t bib;
  int32_t sortTime;
  int32_t recordTime;
  int32_t count;
};

}  // namespace

struct RankingBuilder::State {
  size_t stride = 4096;
  bool updatable = false;  // Update may follow
  bool listed = false;  // false: the grid was too big and nothing is written
  std::vector<RowPassage> rows;  // of an updatable build
  // A build that writes once keeps its passages in row order and the lines of each file as their
  // places there: 000.csv's by time, then the count files' one after the other, each by time.
  std::vector<OncePassage> once;
  std::vector<uint32_t> timeOrder;
  std::vector<uint32_t> countOrder;
  std::vector<uint32_t> countStarts;  // NNN.csv is countOrder[countStarts[n - 1], countStarts[n])
  std::vector<std::vector<int32_t>> groups;  // per bib: its screened rows in CompareByBib order
  // Per bib: whether a first lap was counted up to it. ScreenBib tells only that apart, as a bib
  // that does not start with a first lap drops its first laps once any came before.
  std::vector<uint8_t> carry;
  RankingText overall;
  std::vector<RankingText> counts;  // counts[n - 1]: NNN.csv
  // Lines that go and come, per file: [0] is 000.csv, [n] is NNN.csv.
  std::vector<std::vector<Entry>> removed, added;

  void Retract(int32_t row, const RowPassage& p) {
    if (p.ordinal == 0) return;
    Grow(p.ordinal);
    removed[0].push_back({p.sortTime, row});
    removed[static_cast<size_t>(p.ordinal)].push_back({p.sortTime, row});
  }
  void Accept(int32_t row, const RowPassage& p) {
    if (p.ordinal == 0) return;
    Grow(p.ordinal);
    added[0].push_back({p.sortTime, row});
    added[static_cast<size_t>(p.ordinal)].push_back({p.sortTime, row});
  }
  void Grow(int32_t ordinal) {
    const size_t need = static_cast<size_t>(ordinal) + 1;
    if (removed.size() < need) removed.resize(need), added.resize(need);
  }
  // Where `row` stands, or would stand, in its bib's group.
  std::vector<int32_t>::iterator Place(std::vector<int32_t>& group, int32_t row) {
    const Entry key{rows[static_cast<size_t>(row)].sortTime, row};
    return std::lower_bound(group.begin(), group.end(), key, [this](int32_t r, const Entry& k) {
      return Entry{rows[static_cast<size_t>(r)].sortTime, r} < k;
    });
  }
  // Screens one bib again from the first-lap count before it; changed lines go to removed/added.
  void Rescreen(int32_t bib, int& firstCounts) {
    const std::vector<int32_t>& group = groups[static_cast<size_t>(bib)];
    std::vector<PassageRecord> records(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
      const RowPassage& p = rows[static_cast<size_t>(group[i])];
      records[i] = PassageRecord{bib, p.sortTime, p.recordTime, p.lap, 1, 0};
    }
    ScreenBib(records.data(), records.data() + records.size(), firstCounts);
    for (size_t i = 0; i < group.size(); ++i) {
      RowPassage& p = rows[static_cast<size_t>(group[i])];
      const int32_t ordinal = records[i].State == 1 ? records[i].Count : 0;
      if (ordinal == p.ordinal) continue;
      Retract(group[i], p);
      p.ordinal = ordinal;
      Accept(group[i], p);
    }
  }
  void FormatText(RankingText& file) {
    if (file.dirtyFrom == kClean) return;
    if (file.starts.empty()) {
      file.text.assign(HeaderLine());
      file.text.reserve(file.entries.size() * 32 + file.text.size());
      PrefixHash h;
      h.Add(file.text.data(), file.text.size());
      file.starts.push_back(file.text.size());
      file.hashes.push_back(h);
    }
    const size_t k = std::min(file.dirtyFrom / stride, file.starts.size() - 1);
    const size_t first = k * stride;
    const size_t start = file.starts[k];
    file.sameSinceAhead = std::min(file.sameSinceAhead, start);
    // Lines taken from the text are built over it: a new line goes in once the old lines under it
    // have been read, and waits in `held` until then. A fresh buffer as large as the text would
    // cost more in first touches of its memory than the formatting saves.
    FormerLines former{file, file.text.data(), start, file.text.size()};
    const bool lending = file.lending;
    if (!lending) file.text.resize(start);
    file.starts.resize(k + 1);
    file.hashes.resize(k + 1);
    PrefixHash h = file.hashes[k];
    size_t made = start;  // the bytes of the new text so far
    size_t put = start;   // of those, the ones in place
    std::string held;
    // A point's lines at a time, formatted into a buffer and then added to the text. A tick
    // formats a few lines of a few files: the buffer holds no more than those.
    const size_t lines = file.entries.size() > first ? std::min(stride, file.entries.size() - first) : 0;
    std::vector<char> block(lines * kLineRoom);
    for (size_t from = first; from < file.entries.size(); from += stride) {
      if (from != first) {
        file.starts.push_back(made);
        file.hashes.push_back(h);
      }
      const size_t to = std::min(file.entries.size(), from + stride);
      const size_t size = FormatLines(file, from, to, block.data(), lending ? &former : nullptr);
      h.Add(block.data(), size);
      made += size;
      if (!lending) {
        file.text.append(block.data(), size);
        continue;
      }
      held.append(block.data(), size);
      const size_t n = std::min(former.at - put, held.size());
      std::memcpy(file.text.data() + put, held.data(), n);
      held.erase(0, n);
      put += n;
    }
    if (lending) {
      file.text.resize(put);
      file.text.append(held);
    }
    file.lending = false;
    file.wentOut.clear();
    file.cameIn.clear();
    file.hash = h;
    file.dirtyFrom = kClean;
  }
  // The text's lines as they stood before the last change, walked in order beside the entries.
  struct FormerLines {
    const RankingText& file;
    const char* text;
    size_t at;  // every byte before it has been read
    size_t end;
    size_t gone = 0;  // the next of file.wentOut
    size_t come = 0;  // the next of file.cameIn

    // The line of entry `i` after its rank (from the comma to the line break) as the text has it;
    // empty when the entry came in since. Entries are asked for in order.
    std::string_view FieldsOf(size_t i) {
      const Entry& e = file.entries[i];
      if (come < file.cameIn.size() && file.cameIn[come] == e) {
        ++come;
        return {};
      }
      for (; gone < file.wentOut.size() && file.wentOut[gone] < e; ++gone) at = LineEnd(at);
      const size_t comma = static_cast<size_t>(static_cast<const char*>(std::memchr(text + at, ',', end - at)) - text);
      at = LineEnd(comma);
      return std::string_view(text + comma, at - comma);
    }
    size_t LineEnd(size_t from) const {
      return static_cast<size_t>(static_cast<const char*>(std::memchr(text + from, '\n', end - from)) - text) + 1;
    }
  };
  // The lines of entries [from, to) at `out`, which has room for them; returns their size. With
  // `former`, the line of an entry that stayed is its new rank and its fields as they were.
  size_t FormatLines(const RankingText& file, size_t from, size_t to, char* out, FormerLines* former) const {
    char* at = out;
    for (size_t i = from; i < to; ++i) {
      const std::string_view fields = former != nullptr ? former->FieldsOf(i) : std::string_view();
      if (!fields.empty()) {
        at = std::to_chars(at, at + 12, static_cast<int32_t>(i + 1)).ptr;
        std::memcpy(at, fields.data(), fields.size());
        at += fields.size();
        continue;
      }
      const RowPassage& p = rows[static_cast<size_t>(file.entries[i].row)];
      at = PutLine(at, static_cast<int32_t>(i + 1), p.bib, p.recordTime, p.ordinal);
    }
    return static_cast<size_t>(at - out);
  }
  // WriteCsv of a build that writes once: the file whose lines are the passages at `order`
  // goes to `out` as it is formatted.
  bool StreamCsv(FileReplacement& out, const std::string& path, const uint32_t* order, size_t lines,
                 RankingMemo* memo, RankingReport& report) const {
    if (!out.Opened()) return false;
    PrefixHash h;
    h.Add(HeaderLine().data(), HeaderLine().size());
    out.Append(HeaderLine());
    size_t bytes = HeaderLine().size();
    std::vector<char> block(std::min(stride, lines) * kLineRoom);
    for (size_t from = 0; from < lines; from += stride) {
      char* at = block.data();
      for (size_t i = from; i < std::min(lines, from + stride); ++i) {
        // A count file's passages lie far apart in the race: the next ones are fetched ahead.
        if (i + 16 < lines) __builtin_prefetch(&once[order[i + 16]]);
        const OncePassage& p = once[order[i]];
        at = PutLine(at, static_cast<int32_t>(i + 1), p.bib, p.recordTime, p.count);
      }
      const size_t size = static_cast<size_t>(at - block.data());
      if (memo != nullptr) h.Add(block.data(), size);  // only a memo compares the hash
      out.Append(std::string_view(block.data(), size));
      bytes += size;
    }
    // A file kept as it was leaves the temporary file unused: it goes with `out`.
    return ReplaceUnlessKept(path, {bytes, h.Value()}, memo, report,
                             [&out] { return out.Finish() == SaveResult::Ok; });
  }
};

RankingBuilder::RankingBuilder(size_t stride) : state_(std::make_unique<State>()) {
  state_->stride = std::max<size_t>(stride, 1);
}
RankingBuilder::~RankingBuilder() = default;

bool RankingBuilder::Updatable() const { return state_->updatable; }

void RankingBuilder::Rebuild(const ResultGrid& grid, int rowTotal, PassageTable& table) {
  State& s = *state_;
  overallAhead_.Settle();  // it may still be writing from the old text
  const size_t stride = s.stride;
  s = State{};
  s.stride = stride;
  s.updatable = true;
  if (table.empty()) return;
  s.listed = true;
  ResetPassageTable(table, static_cast<int>(table.size()));
  s.rows.reserve(static_cast<size_t>(std::max(rowTotal, 0)) * 9 / 8);
  s.rows.assign(static_cast<size_t>(std::max(rowTotal, 0)), RowPassage{});

  // Gather.
  std::vector<int32_t> rowOf;  // by Sequence
  rowOf.reserve(table.size());
  size_t gathered = 0;
  const int last = std::min({grid.RowCount(), rowTotal, static_cast<int>(table.size())});
  for (int r = 1; r < last; ++r) {
    const RowPassage row = GatherRow(grid.Row(r));
    if (row.bib == 0) continue;
    s.rows[static_cast<size_t>(r)] = row;
    rowOf.push_back(r);
    PassageRecord& p = table[gathered];
    p.Bib = row.bib;
    p.Sequence = static_cast<int32_t>(gathered);
    p.SortTime = row.sortTime;
    p.RecordTime = row.recordTime;
    p.Count = row.lap;
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

  // Screen each bib, keeping its screened rows and the first-lap count after it.
  s.groups.assign(kBibSlots, {});
  s.carry.assign(kBibSlots, 0);
  int firstCounts = 0;
  for (PassageRecord* p = records; p != recordsEnd;) {
    PassageRecord* q = p;
    while (q != recordsEnd && q->Bib == p->Bib) ++q;
    ScreenBib(p, q, firstCounts);
    for (const PassageRecord* x = p; x != q; ++x)
      if (x->State == 1) s.rows[static_cast<size_t>(rowOf[static_cast<size_t>(x->Sequence)])].ordinal = x->Count;
    std::vector<int32_t>& group = s.groups[static_cast<size_t>(p->Bib)];
    for (const PassageRecord* x = p; x != q; ++x)
      if (x->State != 0) group.push_back(rowOf[static_cast<size_t>(x->Sequence)]);
    if (!group.empty()) s.carry[static_cast<size_t>(p->Bib)] = static_cast<uint8_t>(std::min(firstCounts, 1));
    p = q;
  }
  for (int32_t b = 1; b < kBibSlots; ++b)
    if (s.groups[static_cast<size_t>(b)].empty()) s.carry[static_cast<size_t>(b)] = s.carry[static_cast<size_t>(b) - 1];

  // CompareByTime order (SortTime, then Sequence): back to gathering order, then by time. Each
  // count file takes its accepted passages in that order, which is CompareByCount's within a count.
  for (const PassageRecord* p = records; p != recordsEnd; ++p) work[static_cast<size_t>(p->Sequence)] = *p;
  StableSortInto(work.data(), work.data() + gathered, records, timeLimit, SortTimeKey);
  std::vector<PassageRecord>().swap(work);
  s.overall.entries.reserve(gathered);
  for (const PassageRecord* p = records; p != recordsEnd; ++p) {
    if (p->State != 1) continue;
    const Entry e{p->SortTime, rowOf[static_cast<size_t>(p->Sequence)]};
    s.overall.entries.push_back(e);
    if (s.counts.size() < static_cast<size_t>(p->Count)) s.counts.resize(static_cast<size_t>(p->Count));
    s.counts[static_cast<size_t>(p->Count) - 1].entries.push_back(e);
  }
}

void RankingBuilder::BuildOnce(const ResultGrid& grid, int rowTotal) {
  State& s = *state_;
  overallAhead_.Settle();
  const size_t stride = s.stride;
  s = State{};
  s.stride = stride;
  s.listed = true;

  // Gather the passages with a lap: the screening passes over the others.
  std::vector<OncePassage>& once = s.once;
  const int last = std::min(grid.RowCount(), rowTotal);
  once.reserve(static_cast<size_t>(std::max(last, 0)));
  int32_t maxSortTime = 0;
  for (int r = 1; r < last; ++r) {
    const RowPassage row = GatherRow(grid.Row(r));
    if (!row.Screened()) continue;
    once.push_back({row.bib, row.sortTime, row.recordTime, row.lap});
    maxSortTime = std::max(maxSortTime, row.sortTime);
  }
  const uint32_t count = static_cast<uint32_t>(once.size());

  // CompareByBib order (Bib, then SortTime, then row): by bib, then each bib's few by time.
  std::vector<uint32_t> order(count);
  OrderByKey(order.data(), count, kBibSlots, [&once](uint32_t i) { return static_cast<uint32_t>(once[i].bib); });

  // Screen each bib with the rule of every build. Its passages are scattered over the race: the
  // next ones are fetched ahead.
  const auto byTime = [&once](uint32_t a, uint32_t b) {
    return once[a].sortTime != once[b].sortTime ? once[a].sortTime < once[b].sortTime : a < b;
  };
  std::vector<PassageRecord> group;
  int firstCounts = 0;
  for (size_t from = 0, to = 0; from < count; from = to) {
    while (to < count && once[order[to]].bib == once[order[from]].bib) ++to;
    for (size_t i = to; i < std::min<size_t>(to + 8, count); ++i) __builtin_prefetch(&once[order[i]], 1);
    if (to - from > 1) std::sort(order.begin() + from, order.begin() + to, byTime);
    group.clear();
    for (size_t i = from; i < to; ++i) {
      const OncePassage& p = once[order[i]];
      group.push_back(PassageRecord{p.bib, p.sortTime, p.recordTime, p.count, 1, 0});
    }
    ScreenBib(group.data(), group.data() + group.size(), firstCounts);
    for (size_t i = from; i < to; ++i) once[order[i]].count = group[i - from].State == 1 ? group[i - from].Count : 0;
  }

  // 000.csv: the accepted passages in CompareByTime order (SortTime, then row).
  size_t accepted = 0;
  int32_t maxCount = 0;
  for (const OncePassage& p : once) {
    accepted += p.count != 0;
    maxCount = std::max(maxCount, p.count);
  }
  // The dropped passages take a last key of their own and are cut off after the sort.
  const int32_t dropped = maxSortTime + 1;
  s.timeOrder.resize(count);
  OrderByKey(s.timeOrder.data(), count, static_cast<uint32_t>(dropped) + 1, [&once, dropped](uint32_t i) {
    return static_cast<uint32_t>(once[i].count != 0 ? once[i].sortTime : dropped);
  });
  s.timeOrder.resize(accepted);

  // NNN.csv: the n-th accepted passages of every bib, by time (CompareByCount's order). They take
  // the room of the bib order.
  order.resize(accepted);
  s.countStarts = StableSortInto(s.timeOrder.begin(), s.timeOrder.end(), order.data(), static_cast<uint32_t>(maxCount),
                                 [&once](uint32_t i) { return once[i].count - 1; });
  s.countOrder = std::move(order);
}

void RankingBuilder::Update(const ResultGrid& grid, int rowTotal, int firstRow,
                            const std::vector<int32_t>& changedRows) {
  State& s = *state_;
  if (!s.updatable || !s.listed) return;
  const int oldTotal = static_cast<int>(s.rows.size());
  const int end = std::max(oldTotal, rowTotal);
  const int last = std::min(grid.RowCount(), rowTotal);
  s.rows.resize(static_cast<size_t>(end));
  std::set<int32_t> bibs;  // to screen again
  auto examine = [&](int32_t r) {
    const RowPassage now = r < last ? GatherRow(grid.Row(r)) : RowPassage{};
    RowPassage& was = s.rows[static_cast<size_t>(r)];
    if (was.SameReading(now)) return;
    s.Retract(r, was);
    if (was.Screened()) {
      std::vector<int32_t>& group = s.groups[static_cast<size_t>(was.bib)];
      group.erase(s.Place(group, r));
      bibs.insert(was.bib);
    }
    was = now;
    if (now.Screened()) {
      std::vector<int32_t>& group = s.groups[static_cast<size_t>(now.bib)];
      group.insert(s.Place(group, r), r);
      bibs.insert(now.bib);
    }
  };
  firstRow = std::max(firstRow, 1);
  for (int32_t r : changedRows)
    if (r >= 1 && r < firstRow && r < end) examine(r);
  for (int r = firstRow; r < end; ++r) examine(r);
  s.rows.resize(static_cast<size_t>(std::max(rowTotal, 0)));

  // In bib order; a bib whose first-lap count after it changes passes the change to the next.
  while (!bibs.empty()) {
    const int32_t b = *bibs.begin();
    bibs.erase(bibs.begin());
    int firstCounts = s.carry[static_cast<size_t>(b) - 1];
    s.Rescreen(b, firstCounts);
    const uint8_t carry = static_cast<uint8_t>(std::min(firstCounts, 1));
    if (carry != s.carry[static_cast<size_t>(b)]) {
      s.carry[static_cast<size_t>(b)] = carry;
      if (b + 1 < kBibSlots) bibs.insert(b + 1);
    }
  }

  if (s.counts.size() + 1 < s.added.size()) s.counts.resize(s.added.size() - 1);
  for (size_t f = 0; f < s.added.size(); ++f)
    ApplyChanges(f == 0 ? s.overall : s.counts[f - 1], s.removed[f], s.added[f]);
  while (!s.counts.empty() && s.counts.back().entries.empty()) s.counts.pop_back();
}

RankingReport RankingBuilder::Write(const std::string& dir000, const std::string& dir999, RankingMemo* memo) {
  RankingReport report;
  if (WriteOverall(dir000, memo, report)) WriteCounts(dir999, memo, report);
  return report;
}

bool RankingBuilder::WriteOverall(const std::string& dir000, RankingMemo* memo, RankingReport& report) {
  State& s = *state_;
  if (!s.listed) return false;
  const std::string path = JoinPath(dir000, kOverallRankingFileName);
  bool written;
  size_t lines;
  if (s.updatable) {
    overallAhead_.Settle();  // before the text it writes from changes
    s.FormatText(s.overall);
    // 000.csv is as large as the race: most of it is written ahead, between ticks.
    written = WriteCsv(path, s.overall, memo, report, &overallAhead_);
    lines = s.overall.entries.size();
  } else {
    std::unique_ptr<FileReplacement> out = std::move(overallFile_);
    if (!out) out = std::make_unique<FileReplacement>(path);
    lines = s.timeOrder.size();
    written = s.StreamCsv(*out, path, s.timeOrder.data(), lines, memo, report);
  }
  if (!written) return false;
  report.overallWritten = true;
  report.passagesListed = static_cast<int>(lines);
  return true;
}

bool RankingBuilder::OpenOverall(const std::string& dir000) {
  overallFile_ = std::make_unique<FileReplacement>(JoinPath(dir000, kOverallRankingFileName));
  return overallFile_->Opened();
}

void RankingBuilder::FormatCounts() {
  State& s = *state_;
  if (!s.listed) return;
  for (RankingText& file : s.counts) s.FormatText(file);
}

void RankingBuilder::WriteCounts(const std::string& dir999, RankingMemo* memo, RankingReport& report) {
  State& s = *state_;
  if (!s.listed) return;
  const size_t files = s.updatable ? s.counts.size() : s.countStarts.size() - 1;
  for (size_t n = 0; n < files; ++n) {
    const std::string path = JoinPath(dir999, Format("%03d.csv", static_cast<int>(n + 1)));
    bool ok;
    if (s.updatable) {
      s.FormatText(s.counts[n]);
      ok = WriteCsv(path, s.counts[n], memo, report);
    } else {
      FileReplacement out(path);
      ok = s.StreamCsv(out, path, s.countOrder.data() + s.countStarts[n], s.countStarts[n + 1] - s.countStarts[n],
                       memo, report);
    }
    if (!ok) {
      report.countFileFailed = true;
      return;
    }
    ++report.countFilesWritten;
  }
  if (!ClearCountFilesFrom(dir999, files + 1, memo, report)) report.countFileFailed = true;
}

RankingReport WriteRankingFiles(const ResultGrid& grid, int rowTotal, const PassageTable& table,
                                const std::string& dir000, const std::string& dir999, RankingMemo* memo) {
  if (table.empty()) return {};
  RankingBuilder builder;
  builder.BuildOnce(grid, rowTotal);
  return builder.Write(dir000, dir999, memo);
}

}  // namespace zun
