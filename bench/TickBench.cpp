// The live cycle's tick after one appended reading: reload and rewrite the outputs, on a
// generated race of each given size, with the readings 0.3 s apart.
//   tick_bench [LINES...]   (default 10000 100000 1000000 4999947: near the row limit the race
//   starts a few lines shorter, so that its last tick reaches 4,999,948 data rows)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

constexpr int kTicks = 7;

void Run(long lines, const std::string& folder) {
  // Near the row limit, start a few lines lower so that every tick's line still loads.
  lines = std::min<long>(lines, zun::kGridRowLimit - 2 - kTicks);
  const std::string race = folder + "/race.txt";
  const std::string gen = zun::JoinPath(zun::FolderOf(zun::ExecutablePath()), "gen_race");
  if (std::system((gen + " " + std::to_string(lines) + " 1 > " + race).c_str()) != 0) std::abort();
  const std::string out = folder + "/TXT";
  zun::CreateFolder(out);
  zun::CreateFolder(out + "/000");
  zun::CreateFolder(out + "/999");
  const zun::OutputTargets targets{out + "/" + zun::kPureTextFileName, true, out + "/000", out + "/999"};

  zun::LiveCycle live;
  const Clock::time_point t0 = Clock::now();
  live.Load(race);
  const Clock::time_point t1 = Clock::now();
  live.WriteOutputs(targets);
  const Clock::time_point t2 = Clock::now();
  std::vector<double> load, write;
  bool appended = true;
  for (int k = 0; k < kTicks; ++k) {
    {
      std::ofstream file(race, std::ios::app);
      // A later lap of a runner, after every other reading: a new last line in 000.csv.
      file << "1,1," << 100 + k << ",2,235959000,235959000,235959000\n";
    }
    // Readings come a second apart: what the cycle writes ahead between ticks is done by then.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point a = Clock::now();
    live.Load(race, zun::LiveCycle::Mode::Update);
    const Clock::time_point b = Clock::now();
    live.WriteOutputs(targets);
    const Clock::time_point c = Clock::now();
    appended = appended && live.LastLoadAppended();
    load.push_back(Ms(a, b));
    write.push_back(Ms(b, c));
  }
  std::printf("%9ld lines (+%d): first load %7.1f ms, first write %7.1f ms | tick after one line: reload %6.1f ms, "
              "write %6.1f ms, total %6.1f ms%s\n",
              lines, kTicks, Ms(t0, t1), Ms(t1, t2), Median(load), Median(write), Median(load) + Median(write),
              appended ? "" : " (NOT read as appended)");
  std::fflush(stdout);
  std::system(("rm -rf " + race + " " + out).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000, 4999947};
  char pattern[] = "/tmp/zuntick-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  for (long lines : sizes) Run(lines, folder);
  std::system(("rm -rf " + folder).c_str());
  return 0;
}
