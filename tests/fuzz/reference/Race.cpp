// The load of a zunText file and the writers, read off the rules line by line: the cells of each
// row, the automatic "z" and "R" marks, the flag match, the pure text and the ranking files.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "Reference.h"

namespace ref {

namespace {

// The column headers in Shift-JIS: 行番号, 部門1, 部門2, ゼッケン, 回数, 1/1000, 1/1, 時刻スタンプ.
const Row kHeader = {"\x8d\x73\x94\xd4\x8d\x86", "\x95\x94\x96\xe5" "1", "\x95\x94\x96\xe5" "2",
                     "\x83\x5b\x83\x62\x83\x50\x83\x93", "\x89\xf1\x90\x94", "1/1000", "1/1",
                     "\x8e\x9e\x8d\x8f\x83\x58\x83\x5e\x83\x93\x83\x76", "x FLG", "z FLG"};

int32_t Cell(const Row& row, int column, int32_t fallback) { return Integer(row[column], fallback); }

// A line of the file as the reader takes it: up to its first NUL, trimmed.
std::string_view LineText(const std::string& piece) { return Trim(std::string_view(piece).substr(0, piece.find('\0'))); }

void ReadLines(std::string_view file, std::vector<Row>& rows) {
  rows.assign(2, Row{});
  std::string prevKey;
  bool havePrev = false;
  int n = 0;
  for (const std::string& piece : Pieces(file)) {
    ++n;
    const std::string_view text = LineText(piece);
    if (text.empty()) continue;
    if (static_cast<int>(rows.size()) < n + 1) rows.resize(static_cast<size_t>(n) + 1);
    Row& row = rows[static_cast<size_t>(n)];
    row = Row{};
    int filled = 0;
    for (const std::string& field : CommaFields(std::to_string(n) + "," + std::string(text)))
      if (filled < 10) row[static_cast<size_t>(filled++)] = field.empty() ? " " : field;
    std::string key;
    for (int column : {1, 2, 3, 4, 6}) key += std::to_string(Cell(row, column, 0));
    const bool divisionOut = Cell(row, 1, 0) >= 99 || Cell(row, 2, 0) >= 99;
    if ((havePrev && key == prevKey) || Cell(row, 3, 0) >= 99999 || divisionOut)
      rows[static_cast<size_t>(divisionOut ? n : n - 1)][9] = "z";
    prevKey = key;
    havePrev = true;
  }
}

// What a flag line names: its fields 1 to 7 as integers; none when it has fewer than eight fields.
std::optional<std::array<int32_t, 7>> FlagKey(const std::string& line) {
  const std::vector<std::string> fields = CommaFields(line);
  if (fields.size() < 8) return std::nullopt;
  std::array<int32_t, 7> key;
  for (int k = 1; k <= 7; ++k) key[static_cast<size_t>(k - 1)] = Integer(fields[static_cast<size_t>(k)], 0);
  return key;
}

// A row's cells 1 to 7 read with the fallback -1, so that an empty or odd cell matches no line.
bool FlagMatch(const std::array<int32_t, 7>& key, const Row& row) {
  for (int k = 1; k <= 7; ++k)
    if (key[static_cast<size_t>(k - 1)] != Cell(row, k, -1)) return false;
  return true;
}

// Within a bib, every first-lap row but the earliest by millisecond time (then row) is "R".
void MarkFirstRepeats(std::vector<Row>& rows) {
  struct Taken {
    int32_t bib, time, row;
  };
  std::vector<Taken> taken;
  for (size_t r = 1; r < rows.size(); ++r) {
    const Row& row = rows[r];
    if (Cell(row, 6, 0) != 0 && row[8].empty() && row[9].empty() && Cell(row, 4, 0) == 1)
      taken.push_back({Cell(row, 3, 0), Cell(row, 5, 0), static_cast<int32_t>(r)});
  }
  std::map<int32_t, Taken> earliest;
  for (const Taken& t : taken) {
    const auto [at, added] = earliest.emplace(t.bib, t);
    if (!added && (t.time < at->second.time || (t.time == at->second.time && t.row < at->second.row))) at->second = t;
  }
  for (const Taken& t : taken)
    if (earliest.at(t.bib).row != t.row) rows[static_cast<size_t>(t.row)][9] = "R";
}

std::string PureText(const std::vector<Row>& rows) {
  std::string text;
  for (size_t r = 1; r < rows.size(); ++r) {
    const Row& row = rows[r];
    if (!Trim(row[8]).empty() || !Trim(row[9]).empty()) continue;
    for (int k = 1; k <= 7; ++k) text += std::to_string(Integer(Trim(row[k]), 0)) + (k < 7 ? "," : "\r\n");
  }
  return text + "\r\n";
}

struct Passage {
  int32_t bib, sequence, sortTime, recordTime, count, state;
};

int32_t Seconds(int32_t v) { return (v / 10000) * 3600 + ((v % 10000) / 100) * 60 + v % 100; }

std::string RankingLine(int rank, const Passage& p) {
  char line[64];
  std::snprintf(line, sizeof line, "%d,%d,%d,%d\r\n", rank, p.bib, p.recordTime, p.count);
  return line;
}

void Rankings(const std::vector<Row>& rows, Race& race) {
  std::vector<Passage> passages;
  for (size_t r = 1; r < rows.size(); ++r) {
    const Row& row = rows[r];
    const int32_t bib = Cell(row, 3, 0), t5 = Cell(row, 5, 0), t6 = Cell(row, 6, 0), c = Cell(row, 4, 0);
    if (bib <= 0 || bib >= 99999 || t5 <= 0 || !Trim(row[8]).empty() || !Trim(row[9]).empty()) continue;
    passages.push_back({bib, static_cast<int32_t>(passages.size()), t5 / 1000, t6 / 1000, c, c == 0 ? 0 : 1});
  }
  // Screening walks by bib, then time; the program breaks the remaining ties by gathering order.
  std::sort(passages.begin(), passages.end(), [](const Passage& a, const Passage& b) {
    if (a.bib != b.bib) return a.bib < b.bib;
    if (a.sortTime != b.sortTime) return a.sortTime < b.sortTime;
    return a.sequence < b.sequence;
  });
  int32_t prevBib = -1, prevTime = 0, f = 0;
  for (Passage& p : passages) {
    if (p.state == 0) continue;
    if (p.bib == prevBib && std::abs(Seconds(prevTime) - Seconds(p.sortTime)) <= 3) p.state = 2;
    if (p.count == 1) {
      if (p.bib != prevBib) f = 0;
      if (++f > 1) p.state = 2;
    }
    prevBib = p.bib;
    prevTime = p.sortTime;
  }
  int32_t ordinal = 0;
  prevBib = -1;
  for (Passage& p : passages) {
    if (p.state != 1) continue;
    ordinal = p.bib == prevBib ? ordinal + 1 : 1;
    prevBib = p.bib;
    p.count = ordinal;
  }
  std::sort(passages.begin(), passages.end(), [](const Passage& a, const Passage& b) {
    return a.sortTime != b.sortTime ? a.sortTime < b.sortTime : a.sequence < b.sequence;
  });
  race.overall = RankingHeader();
  int rank = 0;
  for (const Passage& p : passages)
    if (p.state == 1) race.overall += RankingLine(++rank, p);
  for (int32_t k = 1;; ++k) {
    std::string file = RankingHeader();
    rank = 0;
    for (const Passage& p : passages)
      if (p.state == 1 && p.count == k) file += RankingLine(++rank, p);
    if (rank == 0) break;
    race.counts.push_back(file);
  }
}

}  // namespace

std::string RankingHeader() { return "\x8f\x87\x88\xca,No.,\x8b\x4c\x98\x5e,\x89\xf1\x90\x94\r\n"; }

Race ReadRace(std::string_view file, const std::optional<std::string>& flagFile, bool outputs) {
  Race race;
  std::vector<Row>& rows = race.rows;
  ReadLines(file, rows);
  rows[0] = kHeader;
  for (size_t r = 1; r < rows.size(); ++r) rows[r][0] = std::to_string(r);
  if (flagFile) {
    // A flag line keeps its bytes whole, a NUL too; its fields end there (the comma-text rule).
    for (const std::string& piece : Pieces(*flagFile)) {
      const std::string_view line = Trim(piece);
      if (!line.empty()) race.flags.emplace_back(line);
    }
    for (const std::string& line : race.flags)
      if (const auto key = FlagKey(line))
        for (size_t r = 1; r < rows.size(); ++r)
          if (FlagMatch(*key, rows[r])) rows[r][8] = "x";
  }
  MarkFirstRepeats(rows);
  if (!outputs) return race;
  race.pure = PureText(rows);
  Rankings(rows, race);
  return race;
}

}  // namespace ref
