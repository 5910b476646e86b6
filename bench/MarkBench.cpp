// An operator's mark on a generated race of each given size: the time from the click to every
// output written, set and taken back, on a recent reading and on one in the middle of the race,
// through the cycle's road (the rows the mark touches) and, for comparison, through a full
// reload as before.
//   mark_bench [LINES...]   (default 100000 1000000 4999948)
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
  for (const bool recent : {true, false}) {
    const int row = UnmarkedRowNear(live.Data.Grid, recent ? rows - 50 : rows / 2);
    std::vector<double> set, unset, reload, markOnly;
    // Near the row limit a full reload takes seconds: fewer rounds.
    const int rounds = rows > 2000000 ? 3 : 5;
    for (int k = 0; k < rounds; ++k) {
      // Marks come a while apart: what the cycle writes ahead meanwhile is done by then.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      Clock::time_point a = Clock::now();
      live.SetMark(row, flags);
      const Clock::time_point marked = Clock::now();
      live.WriteOutputs(targets);
      set.push_back(Ms(a, Clock::now()));
      markOnly.push_back(Ms(a, marked));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      a = Clock::now();
      live.RemoveMark(static_cast<int>(live.Flags.size()) - 1, flags);
      live.WriteOutputs(targets);
      unset.push_back(Ms(a, Clock::now()));
      // As before: the mark in the grid and the file, then the whole file loaded again.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      a = Clock::now();
      zun::SetFlagMark(live.Data.Grid, live.Flags, row, flags);
      live.Load(race, zun::LiveCycle::Mode::Update);
      live.WriteOutputs(targets);
      reload.push_back(Ms(a, Clock::now()));
      zun::RemoveFlagMark(live.Data.Grid, live.Flags, static_cast<int>(live.Flags.size()) - 1, flags);
      live.Load(race, zun::LiveCycle::Mode::Update);
      live.WriteOutputs(targets);
    }
    std::printf(" | %s row %d: set %6.1f ms (of which the mark %4.1f), taken back %6.1f ms (full reload %6.1f ms)",
                recent ? "recent" : "middle", row, Median(set), Median(markOnly), Median(unset), Median(reload));
  }
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
