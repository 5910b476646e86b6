// The zunText file and its flag file through the load pipeline and the writers, held to the plain
// reading in reference/; then the same file cut into appends (half lines too), loaded step by
// step, equal to that reading after every step.
#include <fuzzer/FuzzedDataProvider.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "Reference.h"
#include "live/LoadPipeline.h"
#include "output/PureText.h"
#include "output/Ranking.h"

using zun::fuzz::Check;

namespace {

ZUN_FUZZ_HARNESS void CheckGrid(const zun::ResultGrid& grid, const ref::Race& race, const char* what) {
  bool same = grid.RowCount() == static_cast<int>(race.rows.size());
  for (int r = 0; same && r < grid.RowCount(); ++r)
    for (int c = 0; same && c < 10; ++c) same = grid.Cell(c, r) == race.rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
  if (!same) {
    std::fprintf(stderr, "rows: program %d, reference %zu\n", grid.RowCount(), race.rows.size());
    for (int r = 0; r < std::max<int>(grid.RowCount(), static_cast<int>(race.rows.size())) && r < 40; ++r) {
      std::string program, reference;
      for (int c = 0; c < 10; ++c) {
        if (r < grid.RowCount()) program += "[" + std::string(grid.Cell(c, r)) + "]";
        if (r < static_cast<int>(race.rows.size())) reference += "[" + race.rows[static_cast<size_t>(r)][static_cast<size_t>(c)] + "]";
      }
      if (program != reference) std::fprintf(stderr, "row %d\n  program   %s\n  reference %s\n", r, program.c_str(), reference.c_str());
    }
  }
  Check(same, what);
}

ZUN_FUZZ_HARNESS void CheckFile(const std::string& path, const std::string& expected, const char* what) {
  const std::string bytes = zun::fuzz::ReadBytes(path);
  if (bytes != expected)
    std::fprintf(stderr, "%s\n  program   [%s]\n  reference [%s]\n", path.c_str(), bytes.c_str(), expected.c_str());
  Check(bytes == expected, what);
}

// Every count ranking file: those of this race as the reference has them, any left from an
// earlier input with the header alone.
ZUN_FUZZ_HARNESS void CheckCountFiles(const std::string& dir999, const ref::Race& race) {
  DIR* dir = opendir(dir999.c_str());
  Check(dir != nullptr, "the count folder is there");
  size_t seen = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const int k = std::atoi(name.c_str());
    char expectedName[32];
    std::snprintf(expectedName, sizeof expectedName, "%03d.csv", k);
    Check(k >= 1 && name == expectedName, "only count files");
    const std::string& expected =
        static_cast<size_t>(k) <= race.counts.size() ? race.counts[static_cast<size_t>(k) - 1] : ref::RankingHeader();
    seen += static_cast<size_t>(k) <= race.counts.size();
    CheckFile(dir999 + "/" + name, expected, "a count ranking file holds its passages");
    // Gone once checked: otherwise every later input would rewrite them all.
    if (static_cast<size_t>(k) > race.counts.size()) unlink((dir999 + "/" + name).c_str());
  }
  closedir(dir);
  Check(seen == race.counts.size(), "every count ranking file is written");
}

void CheckAppendedRoad(const std::string& race, std::vector<size_t> cuts, const std::optional<std::string>& flagText,
                       const ref::Race& whole) {
  static const std::string path = zun::fuzz::ScratchFile("road.txt");
  // Beside the race's file, the road shares its flag file, written already.
  static const bool ownFlags = zun::FlagFilePathFor(path) != zun::FlagFilePathFor(zun::fuzz::ScratchFile("race.txt"));
  if (ownFlags && flagText) zun::fuzz::WriteBytes(zun::FlagFilePathFor(path), *flagText);
  else if (ownFlags) unlink(zun::FlagFilePathFor(path).c_str());
  std::sort(cuts.begin(), cuts.end());
  cuts.push_back(race.size());
  zun::fuzz::WriteBytes(path, race.substr(0, cuts[0]));
  zun::ResultData data;
  zun::FlagList flags;
  zun::ZunTextResume resume;
  zun::FirstRepeatIndex repeats;
  zun::LoadResultGrid(data, flags, path, resume, &repeats);
  CheckGrid(data.Grid, ref::ReadRace(race.substr(0, cuts[0]), flagText, false), "the first part loads as the reading says");
  for (size_t k = 1; k < cuts.size(); ++k) {
    zun::fuzz::AppendBytes(path, std::string_view(race).substr(cuts[k - 1], cuts[k] - cuts[k - 1]));
    int firstChanged = INT32_MAX, firstNew = 0;
    std::vector<int32_t> changedRows;
    Check(zun::LoadAppendedLines(data, flags, path, resume, repeats, firstChanged, firstNew, changedRows),
          "appended lines load");
    CheckGrid(data.Grid, cuts[k] == race.size() ? whole : ref::ReadRace(race.substr(0, cuts[k]), flagText, false),
              "appended lines load as a full load");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const bool haveFlags = provider.ConsumeBool();
  const std::string flagText = provider.ConsumeRandomLengthString(400);
  std::vector<size_t> cuts(provider.ConsumeIntegralInRange<size_t>(0, 3));
  for (size_t& cut : cuts) cut = provider.ConsumeIntegral<uint16_t>();
  const std::string race = provider.ConsumeRemainingBytesAsString();
  for (size_t& cut : cuts) cut %= race.size() + 1;
  const std::optional<std::string> flagFile = haveFlags ? std::optional<std::string>(flagText) : std::nullopt;

  static const std::string path = zun::fuzz::ScratchFile("race.txt");
  static const std::string flagPath = zun::FlagFilePathFor(path);
  zun::fuzz::WriteBytes(path, race);
  if (haveFlags) zun::fuzz::WriteBytes(flagPath, flagText);
  else unlink(flagPath.c_str());

  const ref::Race expected = ref::ReadRace(race, flagFile);
  zun::ResultData loaded;
  zun::FlagList flags;
  const zun::LoadReport report = zun::LoadResultGrid(loaded, flags, path);
  Check(report.fileOpened && loaded.HasTables, "the file loads");
  CheckGrid(loaded.Grid, expected, "the grid holds the cells and marks the reading gives");
  Check(flags == expected.flags, "the flag list is the flag file's lines");

  Check(zun::BuildPureText(loaded.Grid) == expected.pure, "the pure text is the unmarked rows");
  static const std::string pureFile = zun::fuzz::ScratchFile("zuntextpure.txt");
  Check(zun::WritePureTextFile(loaded.Grid, pureFile) == zun::SaveResult::Ok, "pure text written");
  CheckFile(pureFile, expected.pure, "the pure text file holds the unmarked rows");

  static const std::string dir000 = zun::fuzz::ScratchFile("000");
  static const std::string dir999 = zun::fuzz::ScratchFile("999");
  static const bool made = mkdir(dir000.c_str(), 0755) == 0 && mkdir(dir999.c_str(), 0755) == 0;
  Check(made, "the ranking folders are made");
  const zun::RankingReport ranking = zun::WriteRankingFiles(loaded.Grid, loaded.RowTotal, loaded.Passages, dir000, dir999);
  Check(ranking.overallWritten && !ranking.countFileFailed, "the ranking files are written");
  CheckFile(dir000 + "/000.csv", expected.overall, "000.csv lists the accepted passages by time");
  CheckCountFiles(dir999, expected);

  if (!cuts.empty()) CheckAppendedRoad(race, cuts, flagFile, expected);
  return 0;
}
