// Reading only appended lines: after every change to a race file the cycle that updates must hold
// the grid, flags and tables of a fresh full load and write the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TempDir.h"
#include "live/LiveCycle.h"
#include "output/PureText.h"

namespace zun {
namespace {

namespace fs = std::filesystem;

class RaceWriter {
 public:
  explicit RaceWriter(uint32_t seed) : rng_(seed) {}

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // One reading, now and then an odd one: out of range, quoted, marked, overlong, empty.
  std::string Line() {
    const int kind = Pick(0, 40);
    if (kind == 0) return "";
    if (kind == 1) return "   ";
    if (kind == 2) return "1,1," + std::to_string(Pick(100, 106)) + ",1," + std::string(2100, '7');
    const int bib = kind == 3 ? 99999 : Pick(100, 112);
    const int div1 = kind == 4 ? 99 : Pick(1, 2);
    const int lap = kind == 5 ? 0 : Pick(1, 3);
    time_ += Pick(-2000, 40000);
    const int t = std::max(time_, 1000);
    std::string line = std::to_string(div1) + "," + std::to_string(Pick(1, 2)) + "," + std::to_string(bib) + "," +
                       std::to_string(lap) + "," + std::to_string(t) + "," + std::to_string(t / 1000 * 1000) + "," +
                       std::to_string(90000000 + t);
    if (kind == 6) line += ",,R";
    if (kind == 7) line += ",x";
    if (kind == 8) {
      std::string quoted(1, '"');
      quoted += line[0];
      quoted += '"';
      line = quoted + line.substr(1);
    }
    return line;
  }
  std::string Eol() { return Pick(0, 5) == 0 ? "\r\n" : "\n"; }
  std::string Lines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      last_ = Line();
      text += last_ + Eol();
    }
    return text;
  }
  const std::string& LastLine() const { return last_; }

 private:
  std::mt19937 rng_;
  int time_ = 1000000;
  std::string last_;
};

std::string GridText(const ResultGrid& grid) {
  std::string text;
  for (int r = 0; r < grid.RowCount(); ++r) {
    for (int c = 0; c < kGridColumns; ++c) {
      text.append(grid.Cell(c, r));
      text += '|';
    }
    text += '\n';
  }
  return text;
}

class AppendedLines : public ::testing::Test {
 protected:
  std::string Race() const { return dir_.File("race.txt"); }
  std::string Flag() const { return dir_.File("zuntext.flg"); }
  void Write(const std::string& bytes) { test::WriteAll(Race(), bytes), content_ = bytes; }
  void Append(const std::string& bytes) { Write(content_ + bytes); }

  // The live cycle writes over its earlier outputs, keeping files whose bytes stay the same.
  OutputTargets Targets(const std::string& name, bool fresh) {
    const std::string out = dir_.File(name);
    if (fresh) fs::remove_all(out);
    fs::create_directories(out + "/000");
    fs::create_directories(out + "/999");
    return OutputTargets{out + "/" + kPureTextFileName, true, out + "/000", out + "/999"};
  }

  // Updates the live cycle and checks it against a fresh full load. A `tick` looks at the line
  // end first, as the cycle does: a half line caught then is left for later, and the state must
  // be that of the file cut after its last line break.
  void Step(const std::string& what, bool tick = false) {
    SCOPED_TRACE(what);
    const bool held = tick && live_.HoldsForLineEnd(Race(), nowMs_);
    if (!held) {
      last_ = live_.Load(Race(), LiveCycle::Mode::Update);
      appendedLoads_ += live_.LastLoadAppended();
      shown_ = live_.PieceLeft() ? content_.substr(0, content_.rfind('\n') + 1) : content_;
      cutLoads_ += live_.PieceLeft();
    }
    const LoadReport got = last_;
    // The fresh load reads the bytes the live one should show, beside a copy of the flag file.
    fs::create_directories(dir_.File("shown"));
    test::WriteAll(dir_.File("shown/race.txt"), shown_);
    fs::remove(dir_.File("shown/zuntext.flg"));
    if (fs::exists(Flag())) fs::copy_file(Flag(), dir_.File("shown/zuntext.flg"));
    LiveCycle fresh(/*appendable=*/false);  // as zuntext-batch writes once, its outputs streamed
    const LoadReport want = fresh.Load(dir_.File("shown/race.txt"));
    EXPECT_EQ(got.fileOpened, want.fileOpened);
    EXPECT_EQ(got.tooBig, want.tooBig);
    EXPECT_EQ(got.flagFile, want.flagFile);
    EXPECT_EQ(got.firstRepeatFound, want.firstRepeatFound);
    ASSERT_EQ(GridText(live_.Data.Grid), GridText(fresh.Data.Grid));
    EXPECT_EQ(live_.Flags, fresh.Flags);
    EXPECT_EQ(live_.Data.RowTotal, fresh.Data.RowTotal);
    EXPECT_EQ(live_.Data.HasTables, fresh.Data.HasTables);
    if (live_.Data.HasTables) {
      EXPECT_EQ(live_.Data.Passages.size(), static_cast<size_t>(live_.Data.RowTotal));
    }
    const OutputTargets a = Targets("live", false), b = Targets("fresh", true);
    live_.WriteOutputs(a);
    fresh.WriteOutputs(b);
    // Neither removes count files a shorter race no longer has: compare what the full write wrote,
    // leaving out the hidden temporary files that the next writes start ahead.
    for (const auto& entry : fs::recursive_directory_iterator(dir_.File("fresh"))) {
      if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') continue;
      const std::string name = fs::relative(entry.path(), dir_.File("fresh")).string();
      EXPECT_EQ(test::ReadAll(dir_.File("live/" + name)), test::ReadAll(entry.path().string())) << name;
    }
  }

  test::TempDir dir_;
  LiveCycle live_;
  LoadReport last_;
  std::string content_;
  std::string shown_;  // the bytes the live state stands for
  int64_t nowMs_ = 0;
  int appendedLoads_ = 0;
  int cutLoads_ = 0;
};

TEST_F(AppendedLines, RandomRacesMatchAFullLoadAfterEveryChange) {
  int marksTaken = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RaceWriter race(seed);
    fs::remove(Flag());
    Write(race.Lines(race.Pick(0, 30)));
    live_.Load(Race());
    for (int step = 0; step < 40; ++step) {
      const int action = race.Pick(0, 24);
      const int rows = live_.Data.Grid.RowCount();
      std::string what = "step " + std::to_string(step) + " action " + std::to_string(action);
      if (action <= 5) {
        Append(race.Lines(race.Pick(1, 4)));
      } else if (action <= 8) {
        // Half a line, checked, then its rest.
        const std::string line = race.Lines(1);
        const size_t cut = static_cast<size_t>(race.Pick(0, static_cast<int>(line.size())));
        Append(line.substr(0, cut));
        Step(what + " half");
        Append(line.substr(cut));
      } else if (action == 9) {
        Append(race.LastLine() + "\n");  // the same reading again: the earlier row turns "z"
        if (race.Pick(0, 1)) {
          // Half of it again, which repeats the reading until its rest changes the time.
          Step(what + " repeated");
          std::string half = race.LastLine();
          for (int field = 0, at = 0; field < 6 && at != -1; ++field) {
            at = static_cast<int>(half.find(',', static_cast<size_t>(at) + (field > 0)));
            if (field == 5 && at != -1) half.resize(static_cast<size_t>(at));
          }
          Append(half);
          Step(what + " half repeated");
          Append("7,1\n");
        }
      } else if (action == 10) {
        // A first lap of a bib that may have one already, earlier or later in time.
        Append("1,1," + std::to_string(race.Pick(100, 112)) + ",1," + std::to_string(race.Pick(1000, 2000000)) +
               ",1000000,90000000\n");
      } else if (action == 11) {
        Append("\n\n");
      } else if (action == 12 && live_.Data.Grid.RowCount() > 2) {
        // The flag file names some rows.
        std::string flags;
        for (int k = race.Pick(0, 3); k > 0; --k) {
          const int row = race.Pick(1, live_.Data.Grid.RowCount() - 1);
          flags += BuildFlagLine(live_.Data.Grid, row) + (race.Pick(0, 1) ? "\n" : "\r\n");
        }
        test::WriteAll(Flag(), flags);
      } else if (action == 13 && live_.Data.Grid.RowCount() > 2) {
        // The operator marks a row: the list and the file change together.
        SetFlagMark(live_.Data.Grid, live_.Flags, race.Pick(1, live_.Data.Grid.RowCount() - 1), Flag());
      } else if (action == 14 && !content_.empty()) {
        std::string changed = content_;
        changed[static_cast<size_t>(race.Pick(0, static_cast<int>(changed.size()) - 1))] = '5';
        Write(changed + race.Lines(race.Pick(0, 2)));
      } else if (action == 15 && !content_.empty()) {
        Write(content_.substr(0, static_cast<size_t>(race.Pick(0, static_cast<int>(content_.size()) - 1))));
      } else if (action == 16) {
        RaceWriter other(seed * 100 + static_cast<uint32_t>(step));
        const std::string replacement = other.Lines(race.Pick(0, 20));
        fs::remove(Race());
        Write(replacement);
      } else if (action == 17) {
        fs::remove(Flag());
      } else if (action == 18 && !content_.empty() && content_.back() == '\n') {
        // A CR LF whose LF comes later.
        Append(race.Line() + "\r");
        Step(what + " cr");
        Append("\n");
      } else if (action == 19 && rows > 2) {
        // Through the cycle, which takes the mark in without a full load.
        live_.SetMark(race.Pick(1, rows - 1), Flag());
        marksTaken += live_.Load(Race(), LiveCycle::Mode::Update).fileOpened && live_.LastLoadAppended();
      } else if (action == 20 && !live_.Flags.empty()) {
        live_.RemoveMark(race.Pick(0, static_cast<int>(live_.Flags.size()) - 1), Flag());
        marksTaken += live_.Load(Race(), LiveCycle::Mode::Update).fileOpened && live_.LastLoadAppended();
      } else if (action == 21 && rows > 2) {
        // Another window takes a line out, puts one in and saves the file its own way.
        FlagList lines = live_.Flags;
        if (!lines.empty() && race.Pick(0, 1)) lines.erase(lines.begin() + race.Pick(0, static_cast<int>(lines.size()) - 1));
        if (race.Pick(0, 2)) lines.push_back(BuildFlagLine(live_.Data.Grid, race.Pick(1, rows - 1)));
        std::string text;
        for (const std::string& line : lines) text += line + (race.Pick(0, 1) ? "\r\n" : "\n");
        test::WriteAll(Flag(), text);
        if (race.Pick(0, 1)) Append(race.Lines(1));
        marksTaken += live_.Load(Race(), LiveCycle::Mode::Update).fileOpened && live_.LastLoadAppended();
      } else if (action >= 22) {
        // Lines written in two pieces, caught by ticks between them a moment or a while apart.
        std::string lines = race.Lines(race.Pick(1, 3));
        const size_t cut = static_cast<size_t>(race.Pick(1, std::max(1, static_cast<int>(lines.size()) - 1)));
        Append(lines.substr(0, cut));
        nowMs_ += race.Pick(50, 1500);
        Step(what + " tick on a half line", true);
        if (race.Pick(0, 1)) {
          nowMs_ += race.Pick(50, 1500);
          Step(what + " tick again", true);
        }
        Append(lines.substr(cut));
        nowMs_ += race.Pick(50, 1500);
        Step(what + " tick after its rest", true);
      } else {
        Append(race.Lines(1));
      }
      Step(what);
    }
  }
  // Most changes were appends: they must have been read as such, or nothing above was tested.
  EXPECT_GT(appendedLoads_, 150);
  EXPECT_GT(cutLoads_, 20);
  EXPECT_GT(marksTaken, 40) << "marks and flag files taken in without a full load";
}

TEST_F(AppendedLines, MissingFileAndGrowthPastTheLimitTakeTheFullLoad) {
  Write("1,1,101,1,1000000,1000000,91000000\n");
  live_.Load(Race());
  const std::string loaded = GridText(live_.Data.Grid);
  // A file the cycle cannot open leaves what it loaded: an emptied grid would be published.
  fs::remove(Race());
  EXPECT_FALSE(live_.Load(Race(), LiveCycle::Mode::Update).fileOpened);
  EXPECT_FALSE(live_.LastLoadAppended());
  EXPECT_EQ(GridText(live_.Data.Grid), loaded);
  EXPECT_TRUE(live_.Data.HasTables);
  EXPECT_TRUE(live_.SourcesChanged()) << "the next look tries again";
  Write("1,1,101,1,1000000,1000000,91000000\n1,1,102,1,1000000,1000000,91000000\n");
  Step("file back");
  EXPECT_FALSE(live_.LastLoadAppended());
  Write("1,1,101,1,1000000,1000000,91000000\n");
  Step("file shorter");
  Append("1,1,102,1,1000000,1000000,91000000\n");
  Step("appended");
  EXPECT_TRUE(live_.LastLoadAppended());
}

// A tick's cut at the last line break, taken before the timing system wrote the file anew, would
// end the read in the middle of a line of the new file.
TEST_F(AppendedLines, ACutTakenBeforeTheFileWasWrittenAnewIsNotUsed) {
  Write("1,1,101,1,1000000,1000000,91000000\n1,1,102,1,1100000,1100000,91100000\n");
  live_.Load(Race());
  Append("1,1,10");
  EXPECT_FALSE(live_.HoldsForLineEnd(Race(), 0));
  Write("1,1,1003,1,1200000,1200000,91200000\n1,1,104,1,1300000,1300000,91300000\n");
  Step("written anew");
  EXPECT_FALSE(live_.PieceLeft());
}

// Whether the cycle keeps its texts (the window) or streams them (a run that writes once), a
// 000.csv that cannot be written leaves the count files alone, and a count file that cannot be
// written stops the ones after it.
TEST_F(AppendedLines, CountFilesFollowTheOverallFileInBothWaysOfWriting) {
  Write("1,1,101,1,1000000,1000000,91000000\n1,1,101,2,1100000,1100000,91100000\n"
        "1,1,101,3,1200000,1200000,91200000\n");
  for (const bool keepsTexts : {true, false}) {
    SCOPED_TRACE(keepsTexts ? "kept" : "streamed");
    LiveCycle cycle(keepsTexts);
    cycle.Load(Race());
    OutputTargets targets = Targets(keepsTexts ? "kept" : "streamed", true);
    const std::string dir000 = targets.Dir000;
    targets.Dir000 = dir_.File("missing");
    OutputReport report = cycle.WriteOutputs(targets);
    EXPECT_TRUE(report.rankingsWritten);
    EXPECT_FALSE(report.ranking.overallWritten);
    EXPECT_EQ(report.ranking.countFilesWritten, 0);
    EXPECT_FALSE(fs::exists(targets.Dir999 + "/001.csv"));

    targets.Dir000 = dir000;
    fs::create_directory(targets.Dir999 + "/002.csv");  // a folder where a count file should go
    report = cycle.WriteOutputs(targets);
    EXPECT_TRUE(report.ranking.overallWritten);
    EXPECT_EQ(report.ranking.passagesListed, 3);
    EXPECT_EQ(report.ranking.countFilesWritten, 1);
    EXPECT_TRUE(report.ranking.countFileFailed);
    EXPECT_TRUE(fs::exists(targets.Dir999 + "/001.csv"));
    EXPECT_FALSE(fs::exists(targets.Dir999 + "/003.csv"));
    EXPECT_EQ(test::ReadAll(dir000 + "/000.csv").substr(test::ReadAll(dir000 + "/000.csv").find('\n') + 1),
              "1,101,1000,1\r\n2,101,1100,2\r\n3,101,1200,3\r\n");
  }
  // No temporary file of either way is left in the output folders.
  for (const auto& entry : fs::recursive_directory_iterator(dir_.Path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

// Past a few thousand lines the writes start ahead with the outputs' beginnings; a change to an
// early row must still reach the files.
TEST_F(AppendedLines, ALongRaceWrittenAheadStaysEqualToAFullWrite) {
  RaceWriter race(99);
  Write(race.Lines(9000));
  live_.Load(Race());
  live_.WriteOutputs(Targets("live", true));
  for (int step = 0; step < 6; ++step) {
    Append(race.Lines(1));
    Step("appended " + std::to_string(step));
    if (step % 2 == 0) {
      // The earliest first lap of a bib: its first lap early in the race turns "R".
      Append("1,1," + std::to_string(100 + step) + ",1,1000,1000,90001000\n");
      Step("early first lap " + std::to_string(step));
    }
  }
  // Marks on early rows, set and taken back through the cycle: the text after them moves.
  for (const int row : {3, 5000, 8999, 4097}) {
    live_.SetMark(row, Flag());
    Step("mark on row " + std::to_string(row));
  }
  live_.RemoveMark(1, Flag());
  Append(race.Lines(1));
  Step("a mark taken back");
  EXPECT_GE(appendedLoads_, 14);
}

}  // namespace
}  // namespace zun
