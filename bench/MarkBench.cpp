// An operator's mark on a generated race of each given size: the time from the click to every
// output written, set and taken back, on a recent reading and on one in the middle of the race,
// through the cycle's road (the rows the mark touches); the first mark after the load, which also
// reads the rows' stamps, apart; and for comparison a full reload as before.
//   mark_bench [LINES...]   (default 100000 1000000 4999948; MARK_BENCH_ROUNDS rounds each)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Timing.h"
#include "live/LiveCycle.h"
#include "output/PureText.h"
#include "platform/Paths.h"

namespace {

using zun::bench::Clock;
using zun::bench::Median;
using zun::bench::Ms;

// A row at or before `near` that the rankings list: no mark of any kind.
int UnmarkedRowNear(const zun::ResultGrid& grid, int near) {
  for (int r = near; r > 1; --r)
    if (grid.Cell(zun::ColXFlg, r).empty() && grid.Cell(zun::ColZFlg, r).empty()) return r;
  return 1;
}

// "median [lowest-highest]"
std::string Spread(const std::vector<double>& v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f [%.1f-%.1f]", Median(v), *std::min_element(v.begin(), v.end()),
                *std::max_element(v.begin(), v.end()));
  return text;
}

// MARK_BENCH_ROUNDS sets the rounds of every size.
int Rounds(int otherwise) {
  const char* set = std::getenv("MARK_BENCH_ROUNDS");
  return set != nullptr && std::atoi(set) > 0 ? std::atoi(set) : otherwise;
}

void Run(long lines, const std::string& folder) {
  const std::string race = folder + "/race.txt";
  const std::string flags = folder + "/" + zun::kFlagFileName;
  const std::string gen = zun::JoinPath(zun::FolderOf(zun::ExecutablePath()), "gen_race");
  if (std::system((gen + " " + std::to_string(lines) + " 1 > " + race).c_str()) != 0) std::abort();
  std::remove(flags.c_str());
  const std::string out = folder + "/TXT";
  zun::CreateFolder(out);
  zun::CreateFolder(out + "/000");
  zun::CreateFolder(out + "/999");
  const zun::OutputTargets targets{out + "/" + zun::kPureTextFileName, true, out + "/000", out + "/999"};

  zun::LiveCycle live;
  live.Load(race);
  live.WriteOutputs(targets);
  const int rows = live.Data.Grid.RowCount();
  std::printf("%9d rows:", rows - 1);
  // Near the row limit a full reload takes seconds: fewer rounds.
  const int rounds = Rounds(rows > 2000000 ? 3 : 5);
  double first = 0;  // the first mark after a whole load also reads the rows' stamps
  for (const bool recent : {true, false}) {
    const int row = UnmarkedRowNear(live.Data.Grid, recent ? rows - 50 : rows / 2);
    std::vector<double> set, unset, markOnly;
    for (int k = 0; k < rounds; ++k) {
      // Marks come a while apart: what the cycle writes ahead meanwhile is done by then.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      Clock::time_point a = Clock::now();
      live.SetMark(row, flags);
      const Clock::time_point marked = Clock::now();
      live.WriteOutputs(targets);
      (recent && k == 0 ? first : set.emplace_back()) = Ms(a, Clock::now());
      markOnly.push_back(Ms(a, marked));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      a = Clock::now();
      live.RemoveMark(static_cast<int>(live.Flags.size()) - 1, flags);
      live.WriteOutputs(targets);
      unset.push_back(Ms(a, Clock::now()));
    }
    if (set.empty()) set.push_back(first);
    std::printf(" | %s row %d: set %s ms (of which the mark %s), taken back %s ms", recent ? "recent" : "middle", row,
                Spread(set).c_str(), Spread(markOnly).c_str(), Spread(unset).c_str());
  }
  std::printf(" | first mark after the load %.1f ms", first);
  // As before: the mark in the grid and the file, then the whole file loaded again.
  std::vector<double> reload;
  for (int k = 0; k < std::min(rounds, 3); ++k) {
    const int row = UnmarkedRowNear(live.Data.Grid, rows - 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point a = Clock::now();
    zun::SetFlagMark(live.Data.Grid, live.Flags, row, flags);
    live.Load(race, zun::LiveCycle::Mode::Update);
    live.WriteOutputs(targets);
    reload.push_back(Ms(a, Clock::now()));
    zun::RemoveFlagMark(live.Data.Grid, live.Flags, static_cast<int>(live.Flags.size()) - 1, flags);
    live.Load(race, zun::LiveCycle::Mode::Update);
    live.WriteOutputs(targets);
  }
  std::printf(" | a full reload instead %s ms", Spread(reload).c_str());
  std::printf("\n");
  std::fflush(stdout);
  std::system(("rm -rf " + race + " " + flags + " " + out).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000, 4999948};
  char pattern[] = "/tmp/zunmark-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  for (long lines : sizes) Run(lines, folder);
  std::system(("rm -rf " + folder).c_str());
  return 0;
}
