// Speed of the data path on a generated race file: the load pipeline, the writers, and the
// memory the loaded grid holds per row.
//   data_path_bench --lines=N (default 1000000) plus Google Benchmark's own flags
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "output/PureText.h"
#include "output/Ranking.h"
#include "platform/Paths.h"
#include "live/LoadPipeline.h"

namespace {

long g_lines = 1000000;
std::string g_folder;
std::string g_zunText;

std::string GenRacePath() { return zun::JoinPath(zun::FolderOf(zun::ExecutablePath()), "gen_race"); }

void MakeRaceFile() {
  char pattern[] = "/tmp/zunbench-XXXXXX";
  g_folder = mkdtemp(pattern);
  g_zunText = g_folder + "/race.txt";
  const std::string command = GenRacePath() + " " + std::to_string(g_lines) + " 1 > " + g_zunText;
  if (std::system(command.c_str()) != 0) std::abort();
}

void BM_LoadResultGrid(benchmark::State& state) {
  for (auto _ : state) {
    zun::ResultData data;
    zun::FlagList flags;
    zun::LoadReport report = zun::LoadResultGrid(data, flags, g_zunText);
    benchmark::DoNotOptimize(report);
    state.counters["rows"] = data.Grid.RowCount();
    state.counters["grid_bytes_per_row"] = double(data.Grid.MemoryBytes()) / data.Grid.RowCount();
    state.counters["tables_bytes_per_row"] =
        double(data.Passages.capacity() * sizeof(zun::PassageRecord) +
               data.FirstRepeats.capacity() * sizeof(zun::FirstRepeatEntry)) / data.Grid.RowCount();
  }
}

void BM_Writers(benchmark::State& state) {
  zun::ResultData data;
  zun::FlagList flags;
  zun::LoadResultGrid(data, flags, g_zunText);
  const std::string out = g_folder + "/TXT";
  zun::CreateFolder(out);
  zun::CreateFolder(out + "/000");
  zun::CreateFolder(out + "/999");
  for (auto _ : state) {
    zun::WritePureTextFile(data.Grid, out + "/zuntextpure.txt");
    auto report = zun::WriteRankingFiles(data.Grid, data.RowTotal, data.Passages, out + "/000", out + "/999");
    benchmark::DoNotOptimize(report);
  }
}

}  // namespace

BENCHMARK(BM_LoadResultGrid)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Writers)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--lines=", 8) == 0) g_lines = std::atol(argv[i] + 8);
  }
  MakeRaceFile();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::system(("rm -rf " + g_folder).c_str());
  return 0;
}
