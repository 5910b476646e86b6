#pragma once
// Intervals on the wall clock, which a time service or the timing system may set back during a
// race: a clock set back counts as the interval having passed, so nothing waits for the clock to
// come round again.
#include <ctime>

namespace zun {

// At least `seconds` from `since` to `now`, or the clock was set back past `since`.
inline bool SecondsPassed(std::time_t since, std::time_t now, int seconds) {
  return now < since || now - since >= seconds;
}

// `now` is at most `seconds` after `since`, and not before it.
inline bool WithinSeconds(std::time_t since, std::time_t now, int seconds) {
  return now >= since && now - since <= seconds;
}

}  // namespace zun
