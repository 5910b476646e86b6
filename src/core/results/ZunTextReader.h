#pragma once
// Reading a zunText file into the result grid, marking repeated and out-of-range records "z".
#include <cstdint>
#include <string>
#include <string_view>

#include "results/ResultGrid.h"

namespace zun {

// The repeat key: the decimal forms of five fields written one after the other without
// separators, so 1 and 23 make the same key as 12 and 3.
struct RecordKey {
  char text[60];
  size_t size = 0;
  void Set(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);
  // The same from texts that are their own decimal forms (at most 9 digits each).
  void SetAsRead(std::string_view a, std::string_view b, std::string_view c, std::string_view d, std::string_view e);
  bool operator==(const RecordKey& other) const;
};

// Where a read stood after the last line that ended with a line break, so that lines appended
// later can be read on from there. A last line without a break is read again with its rest.
struct ZunTextResume {
  uint64_t offset = 0;  // bytes up to and including that line break
  int lines = 0;        // lines read up to there
  int rowCount = 2;     // grid rows up to there
  std::string lastZ;    // the "z" cell of row `lines` as the reader left it there
  RecordKey prevKey;
  bool havePrev = false;
  uint64_t end = 0;  // bytes read in all
  // Set by the caller: reading stops at this byte, a line break's end, as if the file ended
  // there; the piece after it (a line still being written) is left for a later read.
  uint64_t readTo = UINT64_MAX;
};

// Empties the grid (2 rows), then reads `path` into it: line n fills row n from the text "n,line"
// by the comma-text rule (an empty field stored as one blank, fields past the tenth dropped).
// False when the file cannot be opened; the grid and `resume` are then left as they were.
bool ReadZunText(ResultGrid& grid, const std::string& path);
bool ReadZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume);
// The same, reading the lines from the first line start at or after byte `splitFrom` on a second
// thread (0: one thread; UINT64_MAX: from near the middle of a file of 4 MiB or more), in parts of
// about `partBytes` (0: an eighth of them, at least 1 MiB).
bool ReadZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume, uint64_t splitFrom,
                 uint64_t partBytes = 0);

// Takes back the rows of a last line without a line break, then reads the lines after
// `resume.offset` as ReadZunText would have. Rows from min(resume.rowCount, resume.lines + 1) (as
// on entry) on are new or read again; of the older rows only the "z" cell of row `resume.lines`
// may change.
bool ReadAppendedZunText(ResultGrid& grid, const std::string& path, ZunTextResume& resume);

}  // namespace zun
