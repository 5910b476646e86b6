// gen_race: writes a seeded, realistic zunText file of a lap race: divisions, bibs, laps, rising
// times, duplicated lines, re-reads within three seconds, repeated first laps and a few
// out-of-range readings.
//   gen_race LINES SEED > file
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <random>
#include <vector>

namespace {

int32_t Packed(int64_t ms) {
  const int64_t h = ms / 3600000, m = (ms / 60000) % 60, s = (ms / 1000) % 60, f = ms % 1000;
  return static_cast<int32_t>(h * 10000000 + m * 100000 + s * 1000 + f);
}

struct Runner {
  int div1, div2, bib, lap;
  int64_t nextMs, lapMs;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gen_race LINES [SEED]\n");
    return 2;
  }
  const long lines = std::atol(argv[1]);
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1u;
  std::mt19937 rng(seed);
  const int runnerCount = static_cast<int>(std::max(10L, std::min(lines / 8, 20000L)));
  std::vector<Runner> runners;
  std::uniform_int_distribution<int> lapTime(240000, 420000);
  for (int i = 0; i < runnerCount; ++i) {
    const int lap = lapTime(rng);
    runners.push_back({1 + i % 3, 1 + (i / 3) % 2, 100 + i, 0, lap + static_cast<int64_t>(rng() % 20000), lap});
  }
  const int64_t startOfDayMs = 9LL * 3600000;  // the gun goes at 9:00
  std::uniform_int_distribution<int> percent(0, 999);
  long written = 0;
  auto emit = [&](int d1, int d2, int bib, int lap, int64_t ms) {
    std::printf("%d,%d,%d,%d,%d,%d,%d\n", d1, d2, bib, lap, Packed(ms), Packed(ms / 1000 * 1000),
                Packed(startOfDayMs + ms));
    ++written;
  };
  // The runner who passes next is the one with the earliest next passage.
  using Due = std::pair<int64_t, size_t>;
  std::priority_queue<Due, std::vector<Due>, std::greater<Due>> due;
  for (size_t i = 0; i < runners.size(); ++i) due.push({runners[i].nextMs, i});
  while (written < lines) {
    const size_t next = due.top().second;
    due.pop();
    Runner& r = runners[next];
    r.lap += 1;
    const int64_t ms = r.nextMs;
    const int p = percent(rng);
    if (p < 3) {
      emit(99, r.div2, r.bib, r.lap, ms);  // a reading from a test transponder
    } else if (p < 5 && r.lap == 2) {
      emit(r.div1, r.div2, r.bib, 1, ms);  // the lap counter restarted: a repeated first lap
    } else {
      emit(r.div1, r.div2, r.bib, r.lap, ms);
      if (p < 25 && written < lines) emit(r.div1, r.div2, r.bib, r.lap, ms + 1 + p % 300);  // duplicate
      else if (p < 45 && written < lines) emit(r.div1, r.div2, r.bib, r.lap, ms + 1000 + p * 7);  // re-read
    }
    r.nextMs += r.lapMs + static_cast<int64_t>(rng() % 30000) - 15000;
    due.push({r.nextMs, next});
  }
  return 0;
}
