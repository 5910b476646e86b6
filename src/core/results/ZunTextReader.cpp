#include "results/ZunTextReader.h"

#include <array>
#include <charconv>
#include <cstring>

#include "platform/CommaText.h"
#include "platform/Text.h"
#include "platform/TextLineReader.h"

namespace zun {

namespace {

// The repeat key: the decimal forms of five fields written one after the other without
// separators, so 1 and 23 make the same key as 12 and 3.
struct RecordKey {
  char text[60];
  size_t size = 0;
  void Set(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
    char* p = text;
    char* const last = text + sizeof text;
    for (int32_t v : {a, b, c, d, e}) p = std::to_chars(p, last, v).ptr;
    size = static_cast<size_t>(p - text);
  }
  bool operator==(const RecordKey& other) const {
    return size == other.size && std::memcmp(text, other.text, size) == 0;
  }
};

constexpr int kDivisionLimit = 99;
constexpr int kBibLimit = 99999;

}  // namespace

void FillRowFromRecord(ResultGrid& grid, int row, std::string_view record) {
  static const std::string_view kBlank = " ";
  std::array<std::string_view, kGridColumns> cells{};
  std::array<std::string, kGridColumns> unquoted;  // quoted fields are new texts and need a home
  const char* begin = record.data();
  const char* end = begin + record.size();
  int filled = 0;
  ForEachCommaField(record, [&](std::string_view field) {
    if (filled >= kGridColumns) return;
    if (field.empty()) {
      cells[filled] = kBlank;
    } else if (field.data() >= begin && field.data() < end) {
      cells[filled] = field;
    } else {
      unquoted[filled] = field;
      cells[filled] = unquoted[filled];
    }
    ++filled;
  });
  grid.SetRow(row, cells.data(), kGridColumns);
}

bool ReadZunText(ResultGrid& grid, const std::string& path) {
  grid.Reset(2);
  TextLineReader reader;
  if (!reader.Open(path)) return false;

  RecordKey prevKey;
  RecordKey key;
  std::string record;
  bool havePrev = false;
  int n = 0;
  std::string_view piece;
  while (reader.Next(piece)) {
    ++n;
    const std::string_view text = Trim(piece.substr(0, piece.find('\0')));
    if (text.empty()) continue;
    if (grid.RowCount() < n + 1) grid.SetRowCount(n + 1);
    record.clear();
    AppendDecimal(record, n);
    record += ',';
    record.append(text);
    FillRowFromRecord(grid, n, record);

    const int32_t div1 = StrToIntDef(grid.Cell(ColDiv1, n), 0);
    const int32_t div2 = StrToIntDef(grid.Cell(ColDiv2, n), 0);
    const int32_t bib = StrToIntDef(grid.Cell(ColBib, n), 0);
    key.Set(div1, div2, bib, StrToIntDef(grid.Cell(ColCount, n), 0), StrToIntDef(grid.Cell(ColTime1, n), 0));
    const bool divisionOut = div1 >= kDivisionLimit || div2 >= kDivisionLimit;
    if ((havePrev && key == prevKey) || bib >= kBibLimit || divisionOut) {
      grid.SetCell(ColZFlg, divisionOut ? n : n - 1, "z");
    }
    prevKey = key;
    havePrev = true;
  }
  return true;
}

}  // namespace zun
