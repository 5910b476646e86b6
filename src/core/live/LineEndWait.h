#pragma once
// A reading being written when the tick looks: while the file's last line has no line break and
// the file is still growing, a tick loads the lines before it and leaves the piece for later,
// for a few seconds at most. An open last line unchanged for a second is read as it stands.
#include <cstdint>
#include <string>

namespace zun {

inline constexpr int64_t kLineEndQuietMs = 1000;     // unchanged this long: read as it stands
inline constexpr int64_t kMaxLineEndWaitMs = 3000;  // growing this long: read whatever is there

// The rule, at `nowMs` on a steady clock: true when the open last line is left for later.
// `lastChangeMs` is when the file's size was last seen changing, `openSinceMs` when its last line
// was first seen open (-1: it was not).
bool LeaveLineForLater(int64_t nowMs, int64_t lastChangeMs, int64_t openSinceMs);

// The bytes of `path` up to and including its last line break (0: none in its last megabytes).
uint64_t EndOfLastLineBreak(const std::string& path, uint64_t size);

// Byte `end` - 1 of `path` is a line break (false for UINT64_MAX and 0).
bool EndsALine(const std::string& path, uint64_t end);

class LineEndWait {
 public:
  // The bytes of `path` this tick loads: UINT64_MAX for the whole file, else up to its last line
  // break (0: there is none and nothing is loaded).
  uint64_t LoadUpTo(const std::string& path, int64_t nowMs);

 private:
  int64_t lastSize_ = -1;
  int64_t lastChangeMs_ = 0;
  int64_t openSinceMs_ = -1;
};

}  // namespace zun
