#pragma once
// When a tick of zuntext-batch --watch looks at the files next: soon after a change is signalled,
// so that a reading is published within a fraction of a second, but never sooner than kLookGapMs
// after the last look began (a burst of writes makes one pass, at most ten a second), and a
// second after the last look in any case (a network share signals no change).
#include <cstdint>

namespace zun {

inline constexpr int64_t kLookGapMs = 100;
inline constexpr int64_t kLookSettleMs = 10;  // the rest of a write that came in pieces
inline constexpr int64_t kLookPollMs = 1000;

// On a steady clock in ms; `changedAtMs` is when a change was first signalled since the last look
// began, -1 when none was.
inline int64_t NextLookAt(int64_t lastLookMs, int64_t changedAtMs) {
  const int64_t poll = lastLookMs + kLookPollMs;
  if (changedAtMs < 0) return poll;
  const int64_t soon = changedAtMs + kLookSettleMs > lastLookMs + kLookGapMs ? changedAtMs + kLookSettleMs
                                                                               : lastLookMs + kLookGapMs;
  return soon < poll ? soon : poll;
}

}  // namespace zun
