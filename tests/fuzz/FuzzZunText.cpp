// The zunText file and its flag file through the whole load pipeline and the writers.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "output/PureText.h"
#include "output/Ranking.h"
#include "platform/Text.h"
#include "live/LoadPipeline.h"

using zun::fuzz::Check;

namespace {

std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

// The pure text file as its rule reads: every row without either mark, columns 1 to 7 as
// integers, lines ended CR LF, and one more line end after the last.
std::string UnmarkedRowsJoined(const zun::ResultGrid& grid) {
  std::string text;
  for (int row = 1; row < grid.RowCount(); ++row) {
    if (!TrimControls(grid.Cell(8, row)).empty() || !TrimControls(grid.Cell(9, row)).empty()) continue;
    for (int col = 1; col <= 7; ++col) {
      if (col > 1) text += ',';
      text += std::to_string(zun::StrToIntDef(TrimControls(grid.Cell(col, row)), 0));
    }
    text += "\r\n";
  }
  return text + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string flagText = provider.ConsumeRandomLengthString(400);
  const std::string race = provider.ConsumeRemainingBytesAsString();
  const std::string path = zun::fuzz::ScratchFile("race.txt");
  zun::fuzz::WriteBytes(path, race);
  zun::fuzz::WriteBytes(zun::FlagFilePathFor(path), flagText);

  zun::ResultData loaded;
  zun::FlagList flags;
  const zun::LoadReport report = zun::LoadResultGrid(loaded, flags, path);
  Check(report.fileOpened, "the file opens");
  Check(loaded.Grid.RowCount() >= 1, "a header row");
  const std::string pure = zun::BuildPureText(loaded.Grid);
  const std::string expected = UnmarkedRowsJoined(loaded.Grid);
  if (pure != expected) std::fprintf(stderr, "pure text:\n%s\nunmarked rows:\n%s\n", pure.c_str(), expected.c_str());
  Check(pure == expected, "pure text is the unmarked rows re-joined");

  const std::string pureFile = zun::fuzz::ScratchFile("zuntextpure.txt");
  Check(zun::WritePureTextFile(loaded.Grid, pureFile) == zun::SaveResult::Ok, "pure text written");
  Check(zun::fuzz::ReadBytes(pureFile) == pure, "the file holds the pure text");

  if (loaded.HasTables) {
    const std::string dir000 = zun::fuzz::ScratchFile("000");
    const std::string dir999 = zun::fuzz::ScratchFile("999");
    mkdir(dir000.c_str(), 0755);
    mkdir(dir999.c_str(), 0755);
    const zun::RankingReport ranking =
        zun::WriteRankingFiles(loaded.Grid, loaded.RowTotal, loaded.Passages, dir000, dir999);
    Check(ranking.overallWritten, "the overall ranking is written");
    Check(!ranking.countFileFailed, "every count ranking is written");
  }

  // The same bytes load to the same grid.
  zun::ResultData again;
  zun::FlagList againFlags;
  zun::LoadResultGrid(again, againFlags, path);
  Check(zun::BuildPureText(again.Grid) == pure && againFlags == flags, "loading is repeatable");
  return 0;
}
