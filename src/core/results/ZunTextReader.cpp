#include "results/ZunTextReader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "platform/CommaText.h"
#include "platform/Text.h"
#include "platform/TextLineReader.h"

namespace zun {

void RecordKey::Set(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
  char* p = text;
  char* const last = text + sizeof text;
  for (int32_t v : {a, b, c, d, e}) p = std::to_chars(p, last, v).ptr;
  size = static_cast<size_t>(p - text);
}

bool RecordKey::operator==(const RecordKey& other) const {
  return size == other.size && std::memcmp(text, other.text, size) == 0;
}

namespace {

constexpr int kDivisionLimit = 99;
constexpr int kBibLimit = 99999;

}  // namespace

namespace {

// Splits record texts into the ten cells of a row. Kept across rows so that the homes of quoted
// fields (which are new texts) are not built and torn down for every line.
class RowSplitter {
 public:
  const std::array<std::string_view, kGridColumns>& Split(std::string_view record) {
    static constexpr std::string_view kBlank = " ";
    cells_.fill(std::string_view());
    const char* begin = record.data();
    const char* end = begin + record.size();
    int filled = 0;
    ForEachCommaField(record, [&](std::string_view field) {
      if (filled >= kGridColumns) return;
      if (field.empty()) {
        cells_[filled] = kBlank;
      } else if (field.data() >= begin && field.data() < end) {
        cells_[filled] = field;
      } else {
        quoted_[filled].assign(field);
        cells_[filled] = quoted_[filled];
      }
      ++filled;
    });
    return cells_;
  }

 private:
  std::array<std::string_view, kGridColumns> cells_{};
  std::array<std::string, kGridColumns> quoted_;
};

}  // namespace

namespace {

// Reads on from where `reader` stands with the state in `resume`, keeping `resume` up to date.
void ReadLines(ResultGrid& grid, TextLineReader& reader, ZunTextResume& resume) {
  RecordKey key;
  RecordKey prevKey = resume.prevKey;
  bool havePrev = resume.havePrev;
  std::string record;
  RowSplitter splitter;
  int n = resume.lines;
  std::string_view piece;
  while (reader.Next(piece)) {
    ++n;
    const bool broken = !piece.empty() && piece.back() == '\n';
    const std::string_view text = Trim(piece.substr(0, piece.find('\0')));
    if (!text.empty()) {
      if (grid.RowCount() < n + 1) grid.SetRowCount(n + 1);
      record.clear();
      AppendDecimal(record, n);
      record += ',';
      record.append(text);
      const auto& cells = splitter.Split(record);
      grid.SetRow(n, cells.data(), kGridColumns);

      const int32_t div1 = StrToIntDef(cells[ColDiv1], 0);
      const int32_t div2 = StrToIntDef(cells[ColDiv2], 0);
      const int32_t bib = StrToIntDef(cells[ColBib], 0);
      key.Set(div1, div2, bib, StrToIntDef(cells[ColCount], 0), StrToIntDef(cells[ColTime1], 0));
      const bool divisionOut = div1 >= kDivisionLimit || div2 >= kDivisionLimit;
      if ((havePrev && key == prevKey) || bib >= kBibLimit || divisionOut) {
        grid.SetCell(ColZFlg, divisionOut ? n : n - 1, "z");
      }
      prevKey = key;
      havePrev = true;
    }
    if (broken) {
      resume.offset = reader.Offset();
      resume.lines = n;
      resume.rowCount = grid.RowCount();
      resume.lastZ = grid.Cell(ColZFlg, n);
      resume.prevKey = prevKey;
      resume.havePrev = havePrev;
    }
  }
  resume.end = reader.Offset();
}

}  // namespace

bool ReadZunText(ResultGrid& grid, const std::string& path) {
  ZunTextResume resume;
  return ReadZunText(grid, path, resume);
}

bool ReadZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume) {
  grid.Reset(2);
  resume = ZunTextResume{};
  TextLineReader reader;
  if (!reader.Open(path)) return false;
  // A line of a race is some 40 bytes; the arena adds its number and a comma to each.
  const size_t size = reader.FileSize();
  grid.Reserve(std::min<size_t>(size / 16 + 16, kGridRowLimit + 1), size + size / 2 + 64);
  ReadLines(grid, reader, resume);
  return true;
}

bool ReadAppendedZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume) {
  TextLineReader reader;
  if (!reader.OpenAt(path, resume.offset)) return false;
  // Rows past the last whole line hold what its unfinished successor left: empty them.
  grid.SetRowCount(std::min(resume.rowCount, resume.lines + 1));
  grid.SetRowCount(resume.rowCount);
  if (resume.lines >= 1 && resume.lines < resume.rowCount) grid.SetCell(ColZFlg, resume.lines, resume.lastZ);
  ReadLines(grid, reader, resume);
  return true;
}

}  // namespace zun
