#include "results/ZunTextReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

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

void RecordKey::SetAsRead(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                          std::string_view e) {
  char* p = text;
  for (std::string_view v : {a, b, c, d, e}) {
    std::memcpy(p, v.data(), v.size());
    p += v.size();
  }
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

// A line of printable ASCII without blanks or quotes, which the comma-text rule cuts at every
// comma (an empty field stored as one blank). Read eight bytes at a time: a race has millions.
class PlainLine {
 public:
  // False for any other line. Cell 0 is left for the line number.
  bool Split(std::string_view text) {
    static constexpr std::string_view kBlank = " ";
    canonical_ = 0;
    int c = ColLineNo + 1;
    const char* const data = text.data();
    size_t begin = 0;            // of the cell being cut
    bool beginNonDigit = false;  // a byte that is not a digit in its words before this one
    const auto put = [&](size_t end, bool nonDigit) {
      if (c < kGridColumns) {
        const size_t size = end - begin;
        cells_[c] = size == 0 ? kBlank : std::string_view(data + begin, size);
        // What StrToIntDef reads without its general rule: 1 to 9 digits, no leading zero.
        if (!nonDigit && size != 0 && size <= 9 && data[begin] != '0') canonical_ |= 1u << c;
      }
      ++c;
    };
    for (size_t at = 0; at < text.size(); at += 8) {
      const size_t count = std::min<size_t>(8, text.size() - at);
      const uint64_t word = Word(text, at);
      const uint64_t commas = ZeroBytes(word ^ Bytes(','));
      // Bytes from 1 to 32, a quote, DEL or above: bit 7 of the byte (the low 7 bits below 0x21,
      // tested without a carry between bytes).
      const uint64_t bad = (word | ~((word & Bytes(0x7F)) + Bytes(0x80 - 0x21)) | ZeroBytes(word ^ Bytes('"')) |
                            ZeroBytes(word ^ Bytes(0x7F))) &
                           Bytes(0x80);
      if (bad != 0) return false;
      const uint64_t fromZero = word ^ Bytes('0');  // digits become 0 to 9
      const uint64_t nonDigits = (fromZero | ((fromZero & Bytes(0x7F)) + Bytes(0x80 - 10))) & Bytes(0x80);
      uint64_t cellBits = ~uint64_t{0};  // the bits of this word from the cell's start on
      for (uint64_t rest = commas; rest != 0; rest &= rest - 1) {
        const int byte = std::countr_zero(rest) / 8;
        const uint64_t before = (uint64_t{1} << (byte * 8)) - 1;
        put(at + static_cast<size_t>(byte), beginNonDigit || (nonDigits & cellBits & before) != 0);
        begin = at + static_cast<size_t>(byte) + 1;
        beginNonDigit = false;
        cellBits = byte == 7 ? 0 : ~uint64_t{0} << ((byte + 1) * 8);
      }
      beginNonDigit = beginNonDigit || (nonDigits & cellBits & Bytes(0x80) >> (8 * (8 - count))) != 0;
    }
    put(text.size(), beginNonDigit);
    for (; c < kGridColumns; ++c) cells_[c] = std::string_view();
    return true;
  }

  std::array<std::string_view, kGridColumns>& Cells() { return cells_; }
  // The decimal form of every key cell is its own text.
  bool KeyAsItReads() const {
    constexpr uint32_t kKey = 1u << ColDiv1 | 1u << ColDiv2 | 1u << ColBib | 1u << ColCount | 1u << ColTime1;
    return (canonical_ & kKey) == kKey;
  }

 private:
  static constexpr uint64_t Bytes(uint8_t b) { return 0x0101010101010101u * b; }
  // Bit 7 set in each byte of `x` that is zero, exactly (no borrow between bytes).
  static constexpr uint64_t ZeroBytes(uint64_t x) {
    return ~(((x & Bytes(0x7F)) + Bytes(0x7F)) | x | Bytes(0x7F));
  }
  // The bytes [at, at + 8) of the text, byte 0 lowest; past its end 'A', which is plain and no cut.
  static uint64_t Word(std::string_view text, size_t at) {
    const size_t count = std::min<size_t>(8, text.size() - at);
    uint64_t word = Bytes('A');
    if (count == 8) {
      std::memcpy(&word, text.data() + at, 8);
    } else if (text.size() >= 8) {  // the last eight bytes, moved down
      std::memcpy(&word, text.data() + text.size() - 8, 8);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      return word >> (8 * (8 - count)) | Bytes('A') << (8 * count);
    } else {
      std::memcpy(&word, text.data() + at, count);
    }
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
  }

  std::array<std::string_view, kGridColumns> cells_{};
  uint32_t canonical_ = 0;
};

}  // namespace

namespace {

RecordKey KeyOf(const ResultGrid::RowView& cells) {
  RecordKey key;
  key.Set(StrToIntDef(cells[ColDiv1], 0), StrToIntDef(cells[ColDiv2], 0), StrToIntDef(cells[ColBib], 0),
          StrToIntDef(cells[ColCount], 0), StrToIntDef(cells[ColTime1], 0));
  return key;
}

// Reads on from where `reader` stands with the state in `resume`, keeping `resume` up to date.
// Line n goes to row n - base of the grid; reading stops at byte `stopAt`.
void ReadLines(ResultGrid& grid, TextLineReader& reader, ZunTextResume& resume, int base = 0,
               uint64_t stopAt = UINT64_MAX) {
  // This record's key and the one before it, in turns, so that neither is copied.
  std::array<RecordKey, 2> keys;
  int cur = 0;
  keys[1] = resume.prevKey;
  bool havePrev = resume.havePrev;
  // The state at the last line break is taken whole only when a piece without a break follows or
  // the reading ends: until then the grid and the keys still hold it.
  bool breakPending = false;
  int breakRow = 0;
  auto takeBreakState = [&] {
    resume.lastZ = grid.Cell(ColZFlg, breakRow);
    resume.prevKey = keys[cur ^ 1];
    resume.havePrev = havePrev;
    breakPending = false;
  };
  std::string record;
  RowSplitter splitter;
  PlainLine plainLine;
  char number[16];
  int n = resume.lines;
  std::string_view piece;
  while (reader.Offset() < stopAt && reader.Next(piece)) {
    ++n;
    const int row = n - base;
    const bool broken = !piece.empty() && piece.back() == '\n';
    if (!broken && breakPending) takeBreakState();
    std::string_view text = Trim(piece);
    // The line ends at its first NUL, also when the trim has taken one from its start.
    const bool plain = !text.empty() && !std::memchr(piece.data(), '\0', static_cast<size_t>(text.data() - piece.data())) &&
                       plainLine.Split(text);
    const std::array<std::string_view, kGridColumns>* split = &plainLine.Cells();
    if (!text.empty() && !plain) {
      text = Trim(piece.substr(0, piece.find('\0')));
      if (!text.empty()) {
        record.clear();
        AppendDecimal(record, n);
        record += ',';
        record.append(text);
        split = &splitter.Split(record);
      }
    }
    if (!text.empty()) {
      if (grid.RowCount() < row + 1) grid.SetRowCount(row + 1);
      if (plain) {
        const size_t size = static_cast<size_t>(std::to_chars(number, number + sizeof number, n).ptr - number);
        plainLine.Cells()[ColLineNo] = std::string_view(number, size);
      }
      const auto& cells = *split;
      grid.SetRow(row, cells.data(), kGridColumns);

      const int32_t div1 = StrToIntDef(cells[ColDiv1], 0);
      const int32_t div2 = StrToIntDef(cells[ColDiv2], 0);
      const int32_t bib = StrToIntDef(cells[ColBib], 0);
      RecordKey& key = keys[cur];
      if (plain && plainLine.KeyAsItReads())
        key.SetAsRead(cells[ColDiv1], cells[ColDiv2], cells[ColBib], cells[ColCount], cells[ColTime1]);
      else
        key.Set(div1, div2, bib, StrToIntDef(cells[ColCount], 0), StrToIntDef(cells[ColTime1], 0));
      const bool divisionOut = div1 >= kDivisionLimit || div2 >= kDivisionLimit;
      if ((havePrev && key == keys[cur ^ 1]) || bib >= kBibLimit || divisionOut) {
        grid.SetCell(ColZFlg, divisionOut ? row : row - 1, "z");
      }
      cur ^= 1;
      havePrev = true;
    }
    if (broken) {
      resume.offset = reader.Offset();
      resume.lines = n;
      resume.rowCount = grid.RowCount() + base;
      breakRow = row;
      breakPending = true;
    }
  }
  if (breakPending) takeBreakState();
  resume.end = reader.Offset();
}

// Room in the grid for `bytes` of a race file: a line of a race is some 40 bytes, and the arena
// adds its number and a comma to each. Room never used costs address space only.
void ReserveFor(ResultGrid& grid, size_t bytes) {
  grid.Reserve(std::min<size_t>(bytes / 16 + 16, kGridRowLimit + 1), bytes + bytes / 2 + 64);
}

// The start of the first line that begins at or after `near`; 0 when there is none.
uint64_t LineStartFrom(const std::string& path, uint64_t near) {
  if (near == 0) return 0;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::vector<char> buffer(64 * 1024);
  uint64_t at = near - 1;
  uint64_t found = 0;
  for (int chunk = 0; chunk < 16 && found == 0; ++chunk) {
    const ssize_t n = pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(at));
    if (n <= 0) break;
    const void* lf = std::memchr(buffer.data(), '\n', static_cast<size_t>(n));
    if (lf != nullptr) found = at + static_cast<uint64_t>(static_cast<const char*>(lf) - buffer.data()) + 1;
    at += static_cast<uint64_t>(n);
  }
  close(fd);
  return found;
}

// Lines read on a thread of their own, from byte `from` on. Line n goes to row n - base, base
// being the number of lines before `from`; row 0 takes a "z" meant for the row before.
struct LaterPart {
  ResultGrid grid;
  ZunTextResume resume;
  uint64_t from = 0;
  int base = 0;
};

// The lines from byte `from` on in parts of about `partBytes`, each with a grid of its own. Each
// part is handed over as soon as it is read, so that the first thread joins it on while the rest
// is still being read, and frees it: a second half of the file is never held whole.
class LaterParts {
 public:
  void Read(const std::string& path, uint64_t from, uint64_t partBytes, uint64_t readTo) {
    TextLineReader reader;
    int lines = 0;
    if (!reader.Open(path)) return Finish();
    reader.StopAt(readTo);
    if (!reader.SkipTo(from, lines)) return Finish();
    reached_ = true;
    const uint64_t size = reader.FileSize();
    for (bool first = true; first || reader.Offset() < size; first = false) {
      if (abandoned_.load(std::memory_order_relaxed)) break;
      LaterPart part;
      part.from = reader.Offset();
      part.base = lines;
      part.grid.Reset(1);
      // The last part takes the rest, and with it any line appended meanwhile.
      const uint64_t left = size - std::min(part.from, size);
      const uint64_t stop = left > partBytes + partBytes / 4 ? part.from + partBytes : UINT64_MAX;
      ReserveFor(part.grid, std::min(left, partBytes + partBytes / 4));
      part.resume.offset = part.from;
      part.resume.lines = lines;
      ReadLines(part.grid, reader, part.resume, lines, stop);
      if (part.resume.end == part.from) break;  // nothing more to read
      lines = part.resume.lines;
      std::lock_guard<std::mutex> lock(mutex_);
      parts_.push_back(std::move(part));
      changed_.notify_one();
    }
    Finish();
  }

  // The next part in file order; false once there is none.
  bool Take(LaterPart& part) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !parts_.empty() || finished_; });
    if (parts_.empty()) return false;
    part = std::move(parts_.front());
    parts_.pop_front();
    return true;
  }

  // The parts still to come are not wanted: the file is read again in one go.
  void Abandon() { abandoned_.store(true, std::memory_order_relaxed); }
  // The reading came to the first part's start (to be asked once the reading thread has ended).
  bool Reached() const { return reached_; }

 private:
  void Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_one();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<LaterPart> parts_;
  bool finished_ = false;
  bool reached_ = false;
  std::atomic<bool> abandoned_{false};
};

// Joins the later part on to the rows read before it, as a read in one go would have left them.
void JoinLaterPart(ResultGrid& grid, ZunTextResume& resume, LaterPart& later) {
  const int base = later.base;
  ResultGrid& part = later.grid;
  if (part.RowCount() > 1) {
    // The part's first record is compared with the last record before it.
    int first = 1;
    while (first < part.RowCount() && part.Cell(ColLineNo, first).empty()) ++first;
    if (first < part.RowCount() && resume.havePrev && KeyOf(part.Row(first)) == resume.prevKey)
      part.SetCell(ColZFlg, first - 1, "z");
    grid.SetRowCount(base + 1);
    if (!part.Cell(ColZFlg, 0).empty()) grid.SetCell(ColZFlg, base, part.Cell(ColZFlg, 0));
    grid.AppendRows(part, 1);
  }
  ZunTextResume after = std::move(later.resume);
  if (after.lines == base) {  // no whole line after the split
    resume.end = after.end;
    return;
  }
  // At the part's line breaks before its first record, the state was the one before the part.
  if (after.rowCount == base + 1) after.rowCount = resume.rowCount;
  if (!after.havePrev) {
    after.prevKey = resume.prevKey;
    after.havePrev = resume.havePrev;
  }
  resume = std::move(after);
}

}  // namespace

bool ReadZunText(ResultGrid& grid, const std::string& path) {
  ZunTextResume resume;
  return ReadZunText(grid, path, resume);
}

bool ReadZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume) {
  return ReadZunText(grid, path, resume, UINT64_MAX);
}

bool ReadZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume, uint64_t splitFrom,
                 uint64_t partBytes) {
  TextLineReader reader;
  if (!reader.Open(path)) return false;
  const uint64_t readTo = resume.readTo;
  reader.StopAt(readTo);
  const auto startOver = [&] {
    grid.Reset(2);
    resume = ZunTextResume{};
    resume.readTo = readTo;
    ReserveFor(grid, reader.FileSize());
  };
  const auto readInOneGo = [&] {
    startOver();
    ReadLines(grid, reader, resume);
    return true;
  };
  const size_t size = reader.FileSize();
  // Files of a few thousand lines are read in one go: a second thread would not pay for itself.
  if (splitFrom == UINT64_MAX) splitFrom = size >= (uint64_t{4} << 20) ? size / 100 * 46 : 0;
  const uint64_t split = splitFrom < size ? LineStartFrom(path, splitFrom) : 0;
  if (split == 0 || split >= size) return readInOneGo();

  startOver();

  // The later lines on the other core, joined on as if read in one go.
  if (partBytes == 0) partBytes = std::max<uint64_t>((size - split) / 8, uint64_t{1} << 20);
  LaterParts later;
  std::thread second([&] { later.Read(path, split, partBytes, readTo); });
  ReadLines(grid, reader, resume, 0, split);
  LaterPart part;
  bool joined = true;
  while (joined && later.Take(part)) {
    joined = resume.offset == part.from && resume.lines == part.base;
    if (joined) JoinLaterPart(grid, resume, part);
    part = LaterPart{};
  }
  // When the file changed under the two reads, or the other one could not reach the split, it is
  // read again in one go, from the file already open: a file that went meanwhile leaves no half grid.
  if (!joined) later.Abandon();
  second.join();
  if (!joined || !later.Reached()) return reader.Rewind() && readInOneGo();
  resume.readTo = readTo;
  return true;
}

bool ReadAppendedZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume) {
  TextLineReader reader;
  if (!reader.OpenAt(path, resume.offset)) return false;
  reader.StopAt(resume.readTo);
  // Rows past the last whole line hold what its unfinished successor left: empty them.
  grid.SetRowCount(std::min(resume.rowCount, resume.lines + 1));
  grid.SetRowCount(resume.rowCount);
  if (resume.lines >= 1 && resume.lines < resume.rowCount) grid.SetCell(ColZFlg, resume.lines, resume.lastZ);
  ReadLines(grid, reader, resume);
  return true;
}

}  // namespace zun
