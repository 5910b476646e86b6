#pragma once
// A reading being written when the tick looks: while the file's last line has no line break and
// the file is still growing, the reload waits, for a few ticks at most.
#include <cstdint>
#include <string>

namespace zun {

inline constexpr int kMaxLineEndWaits = 3;

// The rule: `held` counts the ticks waited in a row and is reset when the tick goes ahead.
bool HoldForLineEnd(bool lastLineOpen, bool sizeChanged, int& held);

class LineEndWait {
 public:
  // True when this tick should not reload `path` yet.
  bool Holds(const std::string& path);

 private:
  int64_t lastSize_ = -1;
  int held_ = 0;
};

}  // namespace zun
