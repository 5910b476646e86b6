// The ranking files follow the three comparators, ties in grid order: checked against a plain
// sort-based reading of the rules on random races full of ties and re-reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "TempDir.h"
#include "output/Ranking.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "live/LoadPipeline.h"

namespace zun {
namespace {

// The rules once more, the slow way: sort the records with the comparators at each step.
std::map<std::string, std::string> ReferenceFiles(std::vector<PassageRecord> records) {
  auto sortBy = [&](auto compare) {
    std::stable_sort(records.begin(), records.end(), [&](const PassageRecord& a, const PassageRecord& b) {
      const int c = compare(a, b);
      return c != 0 ? c < 0 : a.Sequence < b.Sequence;
    });
  };
  sortBy(CompareByBib);
  int32_t prevBib = -1, prevTime = 0;
  int f = 0;
  for (PassageRecord& p : records) {
    if (p.State == 0) continue;
    if (p.Bib == prevBib && std::abs(HmsToSeconds(prevTime) - HmsToSeconds(p.SortTime)) <= 3) p.State = 2;
    if (p.Count == 1) {
      if (p.Bib != prevBib) f = 0;
      if (++f > 1) p.State = 2;
    }
    prevBib = p.Bib;
    prevTime = p.SortTime;
  }
  sortBy(CompareByBib);
  int32_t lastBib = -1, ordinal = 0;
  for (PassageRecord& p : records) {
    if (p.State != 1) continue;
    ordinal = p.Bib == lastBib ? ordinal + 1 : 1;
    lastBib = p.Bib;
    p.Count = ordinal;
  }
  const std::string header = Cp932FromUtf8("順位,No.,記録,回数") + "\r\n";
  auto line = [](int rank, const PassageRecord& p) {
    return std::to_string(rank) + "," + std::to_string(p.Bib) + "," + std::to_string(p.RecordTime) + "," +
           std::to_string(p.Count) + "\r\n";
  };
  std::map<std::string, std::string> files;
  sortBy(CompareByTime);
  std::string overall = header;
  int rank = 0;
  for (const PassageRecord& p : records)
    if (p.State == 1) overall += line(++rank, p);
  files["000/000.csv"] = overall;
  sortBy(CompareByCount);
  std::map<int, int> ranks;
  for (const PassageRecord& p : records) {
    if (p.State != 1) continue;
    char name[32];
    std::snprintf(name, sizeof name, "999/%03d.csv", p.Count);
    std::string& text = files[name];
    if (text.empty()) text = header;
    text += line(++ranks[p.Count], p);
  }
  return files;
}

TEST(RankingOrder, AgreesWithTheComparatorsOnRandomRaces) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 40; ++round) {
    test::TempDir dir;
    CreateFolder(dir.File("000"));
    CreateFolder(dir.File("999"));
    std::string content;
    std::vector<PassageRecord> records;
    const int lines = 20 + static_cast<int>(rng() % 200);
    for (int i = 0; i < lines; ++i) {
      // Few bibs, coarse times and small counts: ties on both keys of every comparator.
      const int bib = 1 + static_cast<int>(rng() % 6);
      const int count = static_cast<int>(rng() % 4);
      const int t5 = 1000 * (1 + static_cast<int>(rng() % 12)) + static_cast<int>(rng() % 1000);
      const int t6 = t5 / 1000 * 1000;
      content += "1," + std::to_string(i % 7) + "," + std::to_string(bib) + "," + std::to_string(count) + "," +
                 std::to_string(t5) + "," + std::to_string(t6) + ",0\n";
    }
    test::WriteAll(dir.File("race.txt"), content);
    ResultData data;
    FlagList flags;
    LoadResultGrid(data, flags, dir.File("race.txt"));
    for (int r = 1; r < data.Grid.RowCount(); ++r) {
      const auto cells = data.Grid.Row(r);
      if (!cells[ColXFlg].empty() || !cells[ColZFlg].empty()) continue;
      PassageRecord p;
      p.Bib = std::stoi(std::string(cells[ColBib]));
      p.SortTime = std::stoi(std::string(cells[ColTime1000])) / 1000;
      p.RecordTime = std::stoi(std::string(cells[ColTime1])) / 1000;
      p.Count = std::stoi(std::string(cells[ColCount]));
      p.State = p.Count == 0 ? 0 : 1;
      p.Sequence = static_cast<int32_t>(records.size());
      records.push_back(p);
    }
    WriteRankingFiles(data.Grid, data.RowTotal, data.Passages, dir.File("000"), dir.File("999"));
    for (const auto& [name, text] : ReferenceFiles(records))
      ASSERT_EQ(test::ReadAll(dir.File(name)), text) << "round " << round << " " << name;
  }
}

}  // namespace
}  // namespace zun
