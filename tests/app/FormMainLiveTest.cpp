// The automation cycle while the operator works: readings arrive, the operator's place, focus and
// choices stay, corrections are published, half-written lines wait, and the state is shown.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakePrompter.h"
#include "TempDir.h"
#include "app/FormMain.h"

namespace zun {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

struct TestForm : FormMain {
  using FormMain::FormMain;
  void UploadOutputs() override { ++uploads; }
  int uploads = 0;
};

std::string Reading(int bib, int lap) {
  const int ms = 1000000 + bib * 1000 + lap * 100000;
  return "1,1," + std::to_string(bib) + "," + std::to_string(lap) + "," + std::to_string(ms) + "," +
         std::to_string(ms / 1000 * 1000) + "," + std::to_string(90000000 + ms) + "\n";
}

class FormMainLiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir.File("bin").c_str(), 0777);
    mkdir(dir.File("race").c_str(), 0777);
    race = dir.File("race/zuntext.txt");
    for (int i = 0; i < 10; ++i) content += Reading(100 + i, 1);
    WriteAll(race, content);
    form = std::make_unique<TestForm>(
        prompter, FormMainOptions{dir.File("bin/zuntexteditor"),
                                  [this](const std::string& path) {
                                    const FileStamp stamp = FileExists(path) ? StampOf(path) : FileStamp{};
                                    if (afterStamp) afterStamp();
                                    return stamp;
                                  },
                                  dir.Path(), nullptr, [this] { return now; }});
    form->FormShow();
    prompter.files.push_back(race);
    form->ActionOpenZunTextExecute();
    form->CBAuto.checked = true;
    form->CBPure.checked = true;
    form->CBNeedCSV.checked = false;
    form->CBAutoClick();
    form->Timer1Timer();  // the first tick only takes the snapshot
  }
  void Append(const std::string& text) {
    content += text;
    WriteAll(race, content);
  }
  // What the window does when the operator clicks a row: the grid gets the focus, the row is
  // current and painted framed, which remembers it.
  void ClickRow(int row) {
    form->StringGrid1FocusChanged(true);
    form->StringGrid1SelectCell(2, row);
    form->StringGrid1DrawCell(0, row);
  }
  std::string PureText() { return ReadAll(form->PureTextPath); }

  TempDir dir;
  test::FakePrompter prompter;
  std::string race, content;
  std::time_t now = 1700000000;
  std::unique_ptr<TestForm> form;
  std::function<void()> afterStamp;  // runs between the tick's look at the file and its read
};

TEST_F(FormMainLiveTest, TheOperatorsRowFocusAndFlagChoiceSurviveReadings) {
  TestForm& f = *form;
  ClickRow(4);
  f.StringGrid1TopRowChanged(3);
  for (int i = 0; i < 3; ++i) {
    Append(Reading(200 + i, 1));
    f.Timer1Timer();
  }
  EXPECT_EQ(f.Data.Grid.RowCount(), 14);
  EXPECT_EQ(f.StringGrid1.currentRow, 4);
  EXPECT_EQ(f.StringGrid1.currentCol, 2);
  EXPECT_EQ(f.StringGrid1.topRow, 3);
  EXPECT_TRUE(f.StringGrid1.keepScroll);

  // The mark goes to the row the operator chose, not to the newest reading.
  f.StringGrid1FocusChanged(false);  // the button takes the click
  f.ButtonDoignoreClick();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 4), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 13), "");
  ASSERT_EQ(f.Flags.size(), 1u);
  EXPECT_EQ(f.Flags[0].substr(0, 2), "4,");

  // An operator typing in another control keeps the keyboard: the reload asks no focus.
  f.StringGrid1FocusChanged(false);
  const int focusRequests = f.StringGrid1.focusRequests;
  f.ListBox1.itemIndex = 0;
  f.ListBox1Click();
  f.StringGrid1FocusChanged(false);
  const int focusAfterClick = f.StringGrid1.focusRequests;
  Append(Reading(300, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.focusRequests, focusAfterClick);
  EXPECT_FALSE(f.StringGrid1.focused);
  EXPECT_GE(focusAfterClick, focusRequests);

  // The chosen flag line is still chosen after the reload, so removing it works.
  EXPECT_EQ(f.ListBox1.itemIndex, 0);
  f.ButtonCancalIgnoreClick();
  EXPECT_TRUE(f.Flags.empty());
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 4), "");
  EXPECT_EQ(prompter.messages, std::vector<std::string>{});
}

TEST_F(FormMainLiveTest, AnOperatorWatchingTheLastRowFollowsTheNewReadings) {
  TestForm& f = *form;
  ClickRow(10);
  Append(Reading(200, 1) + Reading(201, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.currentRow, 12);
  EXPECT_FALSE(f.StringGrid1.keepScroll);

  // While the operator's pointer moves on the grid, a reading does not scroll the rows under it;
  // the current row still follows.
  f.StringGrid1TopRowChanged(4);
  f.StringGrid1PointerMoved(true);
  int scrolls = f.StringGrid1.scrollRequests;
  Append(Reading(202, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.currentRow, 13);
  EXPECT_EQ(f.StringGrid1.topRow, 4);
  EXPECT_EQ(f.StringGrid1.scrollRequests, scrolls);
  EXPECT_TRUE(f.StringGrid1.keepScroll);
  // A pointer that rests there, or has left, lets the view follow again.
  now += kAimingSeconds + 1;
  Append(Reading(203, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.currentRow, 14);
  EXPECT_GT(f.StringGrid1.scrollRequests, scrolls);
  EXPECT_FALSE(f.StringGrid1.keepScroll);
  f.StringGrid1PointerMoved(true);
  f.StringGrid1PointerMoved(false);
  scrolls = f.StringGrid1.scrollRequests;
  Append(Reading(204, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.currentRow, 15);
  EXPECT_GT(f.StringGrid1.scrollRequests, scrolls);
  // Nor does a clock set back keep the view from following until it comes round again.
  f.StringGrid1PointerMoved(true);
  now -= 3600;
  Append(Reading(205, 1));
  f.Timer1Timer();
  EXPECT_FALSE(f.StringGrid1.keepScroll);

  // A reload by hand behaves as it always has: the last row, the grid focused.
  ClickRow(3);
  f.StringGrid1FocusChanged(false);
  f.ActionRefreshExecute();
  EXPECT_EQ(f.StringGrid1.currentRow, 16);
  EXPECT_TRUE(f.StringGrid1.focused);
}

// A reading that arrives while the operator reaches for "x FLGｾｯﾄ" takes the frame of the newest
// row from the reading the operator saw there: the mark then asks which is meant.
TEST_F(FormMainLiveTest, AMarkOnAReadingThatJustTookTheFrameAsksFirst) {
  TestForm& f = *form;
  Append(Reading(200, 1));
  f.Timer1Timer();
  f.StringGrid1DrawCell(0, f.StringGrid1.currentRow);  // the window paints the framed newest row
  ASSERT_EQ(f.RememberedRow, 11);
  prompter.answers = {false, true};
  f.ButtonDoignoreClick();
  EXPECT_TRUE(f.Flags.empty());
  f.ButtonDoignoreClick();
  EXPECT_EQ(prompter.confirmations,
            (std::vector<std::string>(2, "11 行目 (ゼッケン 200) は今届いたばかりのデータです。\n無効にしてもいいですか？")));
  ASSERT_EQ(f.Flags.size(), 1u);
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 11), "x");

  // A frame that has stood for a while, or a row the operator chose, is marked without a question.
  prompter.confirmations.clear();
  Append(Reading(201, 1));
  f.Timer1Timer();
  f.StringGrid1DrawCell(0, f.StringGrid1.currentRow);
  now += kAimingSeconds + 1;
  f.ButtonDoignoreClick();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 12), "x");
  Append(Reading(202, 1));
  f.Timer1Timer();
  ClickRow(13);
  f.ButtonDoignoreClick();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 13), "x");
  EXPECT_TRUE(prompter.confirmations.empty());

  // The file written anew with a reading taken out and another come: as many rows, a new last one.
  f.SB_NEWClick();
  now += kAimingSeconds + 1;
  const std::string first = Reading(100, 1);
  content.erase(content.find(first), first.size());
  Append(Reading(203, 1));
  f.Timer1Timer();
  ASSERT_EQ(f.Data.Grid.RowCount(), 14);
  f.StringGrid1DrawCell(0, f.StringGrid1.currentRow);
  f.ButtonDoignoreClick();
  EXPECT_EQ(prompter.confirmations,
            std::vector<std::string>{"13 行目 (ゼッケン 203) は今届いたばかりのデータです。\n無効にしてもいいですか？"});
}

// The timing system writes its file anew with a reading taken out before the one the operator
// chose: the choice goes with its reading, so a mark does not fall on the neighbour now in its row.
TEST_F(FormMainLiveTest, TheChosenReadingIsFollowedWhenTheFileIsWrittenAnew) {
  TestForm& f = *form;
  ClickRow(6);  // bib 105
  f.StringGrid1FocusChanged(false);  // the operator reaches for the button
  std::string rewritten;
  for (int i = 0; i < 10; ++i)
    if (i != 2) rewritten += Reading(100 + i, 1);
  content = rewritten;
  Append(Reading(200, 1));
  f.Timer1Timer();
  ASSERT_EQ(f.Data.Grid.RowCount(), 11);
  EXPECT_EQ(f.StringGrid1.currentRow, 5);
  f.ButtonDoignoreClick();
  ASSERT_EQ(f.Flags.size(), 1u);
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 5), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColBib, 5), "105");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 6), "");
  EXPECT_TRUE(prompter.confirmations.empty());

  // The chosen reading itself taken out: its row now shows another one, and a mark asks first.
  ClickRow(7);  // bib 107
  f.StringGrid1FocusChanged(false);
  content.clear();
  for (int i = 0; i < 10; ++i)
    if (i != 2 && i != 7) content += Reading(100 + i, 1);
  Append(Reading(200, 1) + Reading(201, 1));
  f.Timer1Timer();
  ASSERT_EQ(f.Data.Grid.RowCount(), 11);
  EXPECT_EQ(f.StringGrid1.currentRow, 7);
  prompter.answers = {false};
  f.ButtonDoignoreClick();
  EXPECT_EQ(prompter.confirmations,
            std::vector<std::string>{"7 行目 (ゼッケン 108) は今届いたばかりのデータです。\n無効にしてもいいですか？"});
  EXPECT_EQ(f.Flags.size(), 1u);
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 7), "");

  // The same between a click and its mark, when the click first reads in a mark saved elsewhere.
  const std::string flagFile = dir.File("race/zuntext.flg");
  const auto takeOut = [&](int bib) {
    const std::string line = Reading(bib, 1);
    content.erase(content.find(line), line.size());
    WriteAll(race, content);
  };
  ClickRow(8);  // bib 109
  f.StringGrid1FocusChanged(false);
  WriteAll(flagFile, ReadAll(flagFile) + "1," + Reading(100, 1).substr(0, Reading(100, 1).size() - 1) + ",x\n");
  takeOut(101);
  f.ButtonDoignoreClick();
  EXPECT_EQ(f.Data.Grid.Cell(ColBib, 7), "109");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 7), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 8), "");
  ClickRow(7);  // bib 109, taken out with the next mark saved elsewhere
  f.StringGrid1FocusChanged(false);
  WriteAll(flagFile, ReadAll(flagFile) + "2," + Reading(103, 1).substr(0, Reading(103, 1).size() - 1) + ",x\n");
  takeOut(109);
  const size_t marks = f.Flags.size() + 1;
  f.ButtonDoignoreClick();
  EXPECT_EQ(f.Flags.size(), marks) << "the other program's mark only";
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 7), "");
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();

  // A tick while the question about a reading that just took the frame is open: the file written
  // anew, and another reading in the row named. The yes marks the reading named.
  now += kAimingSeconds + 1;
  f.SB_NEWClick();  // back to following the newest reading
  Append(Reading(300, 1));
  f.Timer1Timer();
  const int named = f.StringGrid1.currentRow;
  f.StringGrid1DrawCell(0, named);
  ASSERT_EQ(f.Data.Grid.Cell(ColBib, named), "300");
  prompter.onConfirm = [&](const std::string&) {
    takeOut(103);
    Append(Reading(301, 1));
    f.Timer1Timer();
  };
  prompter.answers = {true};
  f.ButtonDoignoreClick();
  prompter.onConfirm = nullptr;
  ASSERT_EQ(f.Data.Grid.Cell(ColBib, named), "301");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, named - 1), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, named), "");
}

TEST_F(FormMainLiveTest, AMarkMadeDuringALullIsPublishedByTheNextTick) {
  TestForm& f = *form;
  Append(Reading(200, 1));
  f.Timer1Timer();
  ASSERT_NE(PureText().find(",104,1,"), std::string::npos);
  f.Timer1Timer();  // nothing changed, nothing written
  ClickRow(5);
  f.ButtonDoignoreClick();
  EXPECT_NE(PureText().find(",104,1,"), std::string::npos) << "not written before the tick";
  f.Timer1Timer();
  EXPECT_EQ(PureText().find(",104,1,"), std::string::npos);
  EXPECT_FALSE(f.MarksChangedSinceOutputs);

  // Without the pure-text option the tick writes nothing.
  f.CBPure.checked = false;
  f.ListBox1.itemIndex = 0;
  f.ButtonCancalIgnoreClick();
  f.Timer1Timer();
  EXPECT_EQ(PureText().find(",104,1,"), std::string::npos);
  EXPECT_TRUE(f.MarksChangedSinceOutputs);
}

TEST_F(FormMainLiveTest, OutputsThatCannotBeWrittenTurnTheCycleRedAndAreWrittenOnceTheyCan) {
  TestForm& f = *form;
  f.CBNeedCSV.checked = true;
  Append(Reading(200, 1));
  f.Timer1Timer();
  const std::string written = PureText();
  ASSERT_NE(written.find(",200,1,"), std::string::npos);
  // The output folder goes away (a stick pulled out): the cycle goes on reading, opens no box
  // (one would hold it still until OK at every reading) and shows the failure.
  const std::string away = f.TextDir + ".away";
  ASSERT_EQ(std::rename(f.TextDir.c_str(), away.c_str()), 0);
  WriteAll(f.TextDir, "");
  now += 60;
  const std::string since = LocalClock(now + 1);
  for (int i = 0; i < 3; ++i) {
    Append(Reading(201 + i, 1));
    now += 1;
    f.Timer1Timer();
  }
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
  EXPECT_EQ(f.Data.Grid.RowCount(), 15);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Failing);
  EXPECT_NE(f.Cycle.text.find("出力失敗 " + since + " から"), std::string::npos) << f.Cycle.text;
  // A press by hand explains in a box.
  f.ActionPutCleanTextExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"ファイルがオープン出来ませんでした。"});

  // The folder is back while the race is quiet: the next tick writes what was missed.
  std::remove(f.TextDir.c_str());
  ASSERT_EQ(std::rename(away.c_str(), f.TextDir.c_str()), 0);
  f.Timer1Timer();
  EXPECT_NE(PureText().find(",203,1,"), std::string::npos);
  // What a whole load and write of the race gives.
  LiveCycle fresh(/*appendable=*/false);
  fresh.Load(race);
  mkdir(dir.File("fresh").c_str(), 0777);
  fresh.WriteOutputs(OutputTargets{dir.File("fresh/pure.txt"), true, dir.Path(), dir.Path()});
  EXPECT_EQ(PureText(), ReadAll(dir.File("fresh/pure.txt")));
  EXPECT_EQ(ReadAll(f.Dir000 + "/000.csv"), ReadAll(dir.File("000.csv")));
  EXPECT_EQ(ReadAll(f.Dir999 + "/001.csv"), ReadAll(dir.File("001.csv")));
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching) << f.Cycle.text;
  EXPECT_EQ(f.Cycle.text.find("出力失敗"), std::string::npos) << f.Cycle.text;
  EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST_F(FormMainLiveTest, AFileRewrittenThroughAnEmptyMomentIsReloadedWithItsNewContents) {
  TestForm& f = *form;
  Append(Reading(200, 1));
  f.Timer1Timer();
  const std::string published = PureText();
  ASSERT_NE(published.find(",200,1,"), std::string::npos);
  // The timing system writes its file anew: a tick catches it empty, the next one full again
  // with one reading more, and the race is quiet after it.
  WriteAll(race, "");
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 12) << "an empty moment is not loaded";
  EXPECT_EQ(PureText(), published) << "nor published";
  Append(Reading(201, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 13);
  EXPECT_NE(PureText().find(",201,1,"), std::string::npos);
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 13);
}

TEST_F(FormMainLiveTest, AFileGoneBetweenTheLookAndTheReadKeepsTheLastReadingsPublished) {
  TestForm& f = *form;
  Append(Reading(200, 1));
  f.Timer1Timer();
  const std::string published = PureText();
  // The timing system replaces its file: the tick sees it changed, and it is gone when read.
  Append(Reading(201, 1));
  const std::string away = race + ".new";
  afterStamp = [&] { std::rename(race.c_str(), away.c_str()); };
  f.Timer1Timer();
  afterStamp = nullptr;
  EXPECT_EQ(f.Data.Grid.RowCount(), 12) << "the rows read before stay";
  EXPECT_EQ(f.Data.Grid.Cell(ColBib, 11), "200");
  EXPECT_EQ(PureText(), published) << "an empty grid is not published";
  EXPECT_EQ(f.Cycle.level, CycleLevel::Paused);
  EXPECT_NE(f.Cycle.text.find("一時停止: ZunTextファイル"), std::string::npos) << f.Cycle.text;
  EXPECT_TRUE(prompter.messages.empty()) << "a box would hold the cycle still: " << prompter.messages.front();

  // Back in place: the next tick reads it whole.
  ASSERT_EQ(std::rename(away.c_str(), race.c_str()), 0);
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 13);
  EXPECT_NE(PureText().find(",201,1,"), std::string::npos);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching);
}

TEST_F(FormMainLiveTest, AFailedPassIsTriedAgainWithoutANewReading) {
  TestForm& f = *form;
  f.CBNeedCSV.checked = true;  // the automatic upload follows a written overall ranking
  f.CBFtp.checked = true;
  f.UploadedOnce = true;
  f.Publish.failingSince = now;  // the pass of the last reading failed
  f.Publish.lastUploadAt = now;
  Append(Reading(200, 1));
  f.Timer1Timer();
  ASSERT_EQ(f.uploads, 1);
  // The race is quiet: only the failed pass is tried again, a few seconds after it.
  now += kQuietRetrySeconds - 1;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 1);
  now += 1;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 2);
  f.Publish.lastUploadAt = now;  // that one failed too
  now += kQuietRetrySeconds;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 3);
  // A clock set back (a time service correcting it) does not hold the next try until the clock
  // comes round again.
  f.Publish.lastUploadAt = now;
  now -= 3600;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 4);
  f.Publish.lastUploadAt = now;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 4) << "from then on the interval counts on the clock as set";

  f.Publish = PublishHealth{};  // a pass went through
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 4);

  // Nothing is tried by itself without the automatic upload, without the rankings (which it
  // follows), or before one by hand.
  f.Publish.failingSince = now;
  f.CBFtp.checked = false;
  f.Timer1Timer();
  f.CBFtp.checked = true;
  f.CBNeedCSV.checked = false;
  f.Timer1Timer();
  f.CBNeedCSV.checked = true;
  f.UploadedOnce = false;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 4);
  EXPECT_TRUE(prompter.messages.empty());
}

// The timing system's file taken away at the end of the race while the last pass had failed:
// the outputs already written still reach the site.
TEST_F(FormMainLiveTest, AFailedPassIsTriedAgainWhileTheFileIsAway) {
  TestForm& f = *form;
  f.CBNeedCSV.checked = true;
  f.CBFtp.checked = true;
  f.UploadedOnce = true;
  f.Publish.failingSince = now;
  f.Publish.lastUploadAt = now;
  std::remove(race.c_str());
  const int position = f.ProgressBar1.position;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 0);
  now += kQuietRetrySeconds;
  f.Timer1Timer();
  EXPECT_EQ(f.uploads, 1);
  EXPECT_EQ(f.ProgressBar1.position, position) << "a tick without its file is no working tick";
  EXPECT_NE(f.Cycle.text.find("ZunTextファイルがありません"), std::string::npos) << f.Cycle.text;
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
}

TEST_F(FormMainLiveTest, AHalfWrittenLineWaitsForItsEnd) {
  TestForm& f = *form;
  const std::string line = Reading(200, 1);
  Append(line.substr(0, 9));
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 11) << "the piece is not read";
  Append(line.substr(9));
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 12);
  EXPECT_NE(PureText().find(line.substr(0, line.size() - 1) + "\r\n"), std::string::npos);

  // A last line without its line break that stays the same is read as it stands.
  Append("1,1,300,1");
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 12);
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 13);

  // A line that keeps growing without its end is read after three waiting ticks.
  for (int tick = 0; tick < 3; ++tick) {
    Append("9");
    f.Timer1Timer();
    EXPECT_EQ(f.Data.Grid.Cell(ColCount, 12), "1") << tick;
  }
  Append("9");
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.Cell(ColCount, 12), "19999");

  // A half line holds back only itself: the whole line written with it is read and published.
  Append("\n" + Reading(201, 1) + Reading(202, 1).substr(0, 9));
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 14) << "the line before the piece is read";
  EXPECT_EQ(f.Data.Grid.Cell(ColBib, 13), "201");
  EXPECT_NE(PureText().find(Reading(201, 1).substr(0, Reading(201, 1).size() - 1) + "\r\n"), std::string::npos);
  Append(Reading(202, 1).substr(9));
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 15);
  EXPECT_EQ(f.Data.Grid.Cell(ColBib, 14), "202");
}

TEST_F(FormMainLiveTest, MarksTheFlagFileCouldNotTakeStayUntilItTakesThem) {
  TestForm& f = *form;
  const std::string flagFile = dir.File("race/zuntext.flg");
  ClickRow(2);
  f.ButtonDoignoreClick();
  ASSERT_EQ(ReadAll(flagFile).substr(0, 2), "2,");
  ASSERT_EQ(chmod(flagFile.c_str(), 0444), 0);  // read-only: the operator's protection holds

  // The next marks cannot be saved: the operator is told, and readings do not take them back.
  ClickRow(3);
  f.ButtonDoignoreClick();
  ClickRow(2);
  f.ListBox1.itemIndex = 0;
  f.ButtonCancalIgnoreClick();
  EXPECT_EQ(prompter.messages.size(), 2u);
  prompter.Clear();
  const std::string unsaved = f.StatusBar1.items[1];
  EXPECT_NE(unsaved.find("の保存に失敗しました"), std::string::npos) << unsaved;
  for (int i = 0; i < 3; ++i) {
    Append(Reading(200 + i, 1));
    f.Timer1Timer();
    EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 2), "") << i;
    EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x") << i;
    ASSERT_EQ(f.Flags.size(), 1u);
    EXPECT_EQ(f.Flags[0].substr(0, 2), "3,");
    EXPECT_EQ(PureText().find(Reading(102, 1).substr(0, 12)), std::string::npos) << "row 3 is marked";
    EXPECT_NE(PureText().find(Reading(101, 1).substr(0, 12)), std::string::npos) << "row 2 is not";
  }
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
  EXPECT_EQ(f.StatusBar1.items[1], unsaved);
  EXPECT_EQ(ReadAll(flagFile).substr(0, 2), "2,");
  // Closing asks first: the marks would be lost.
  EXPECT_FALSE(f.FormCloseQuery());
  ASSERT_EQ(prompter.confirmations.size(), 1u);
  EXPECT_EQ(prompter.confirmations[0].find("x FLG の変更が " + flagFile + " に保存されていません。"), 0u);

  // Once the file can be written again, the next reading saves the marks to it.
  ASSERT_EQ(chmod(flagFile.c_str(), 0644), 0);
  Append(Reading(203, 1));
  f.Timer1Timer();
  EXPECT_EQ(ReadAll(flagFile).substr(0, 2), "3,");
  EXPECT_NE(f.StatusBar1.items[1].find("保存"), std::string::npos);
  EXPECT_EQ(f.StatusBar1.items[1].find("失敗"), std::string::npos) << f.StatusBar1.items[1];
  f.ActionRefreshExecute();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 2), "");

  // Deleting the flag file takes the marks it could not take with it.
  ASSERT_EQ(chmod(flagFile.c_str(), 0444), 0);
  ClickRow(4);
  f.ButtonDoignoreClick();
  ASSERT_EQ(f.Flags.size(), 2u);
  prompter.answers = {true};
  f.ActionDelteFlgFileExecute();
  Append(Reading(204, 1));
  f.Timer1Timer();
  EXPECT_FALSE(FileExists(flagFile));
  EXPECT_TRUE(f.Flags.empty());
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 4), "");
}

TEST_F(FormMainLiveTest, MarksAnotherProgramSavedToTheFlagFileAreShownPublishedAndKept) {
  // A second window on the race, or a hand edit, saves the flag file. This window's saves rewrite
  // the file whole from its list: they must not drop those marks.
  TestForm& f = *form;
  const std::string flagFile = dir.File("race/zuntext.flg");
  const auto lineOf = [](int row, int bib) {
    std::string reading = Reading(bib, 1);
    reading.pop_back();
    return std::to_string(row) + "," + reading + ",x";
  };
  const auto fileOf = [](const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text + "\r\n";
  };
  const auto saveElsewhere = [&](const std::vector<std::string>& lines) { WriteAll(flagFile, fileOf(lines)); };
  ClickRow(2);
  f.ButtonDoignoreClick();
  f.Timer1Timer();
  ASSERT_EQ(f.Flags.size(), 1u);
  const std::string mine = f.Flags[0];
  ASSERT_EQ(mine, lineOf(2, 101));
  const int resets = f.StringGrid1.modelResets;
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.modelResets, resets) << "the window's own save is no change from elsewhere";

  // In a lull the next tick shows the other program's mark and publishes without the reading.
  saveElsewhere({mine, lineOf(5, 104)});
  ASSERT_NE(PureText().find(",104,1,"), std::string::npos);
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 5), "x");
  EXPECT_EQ(f.ListBox1.items.size(), 2u);
  EXPECT_EQ(PureText().find(",104,1,"), std::string::npos);

  // A mark set before any tick has seen the other's newest one keeps it in the file.
  saveElsewhere({mine, lineOf(5, 104), lineOf(7, 106)});
  ClickRow(3);
  f.ButtonDoignoreClick();
  EXPECT_EQ(ReadAll(flagFile), fileOf({mine, lineOf(5, 104), lineOf(7, 106), lineOf(3, 102)}));
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 7), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x");

  // Marking a reading the other program has just marked too says so, and the next tick still
  // publishes the other program's change.
  f.Timer1Timer();
  saveElsewhere({mine, lineOf(5, 104), lineOf(7, 106), lineOf(3, 102), lineOf(9, 108)});
  ClickRow(9);
  f.ButtonDoignoreClick();
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0], "そのデータは既に無効処理されています。");
  prompter.Clear();
  f.Timer1Timer();
  EXPECT_EQ(PureText().find(",108,1,"), std::string::npos);

  // Taking back a line the other program has already taken out changes nothing more.
  saveElsewhere({mine, lineOf(7, 106), lineOf(3, 102)});
  f.ListBox1.itemIndex = 1;  // row 5's line, as the list still shows it
  f.ButtonCancalIgnoreClick();
  EXPECT_EQ(ReadAll(flagFile), fileOf({mine, lineOf(7, 106), lineOf(3, 102)}));
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 5), "");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 7), "x");
  f.Timer1Timer();
  EXPECT_NE(PureText().find(",104,1,"), std::string::npos);
  EXPECT_NE(PureText().find(",108,1,"), std::string::npos);

  // Taking back one of this window's lines keeps what the other program changed meanwhile.
  saveElsewhere({mine, lineOf(3, 102)});
  f.ListBox1.itemIndex = 0;
  f.ButtonCancalIgnoreClick();
  EXPECT_EQ(ReadAll(flagFile), fileOf({lineOf(3, 102)}));
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 2), "");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 7), "");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x");
  f.Timer1Timer();
  EXPECT_EQ(PureText().find(",102,1,"), std::string::npos);
  EXPECT_NE(PureText().find(",106,1,"), std::string::npos);
  EXPECT_NE(PureText().find(",101,1,"), std::string::npos);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();

  // While the zunText file cannot be read (being replaced), the other program's marks cannot be
  // read in with it: a mark or a take-back then says so and leaves the file as it is.
  saveElsewhere({lineOf(3, 102), lineOf(8, 107)});
  const std::string kept = race + ".kept";
  std::rename(race.c_str(), kept.c_str());
  ClickRow(4);
  f.ButtonDoignoreClick();
  f.ListBox1.itemIndex = 0;
  f.ButtonCancalIgnoreClick();
  EXPECT_EQ(prompter.messages, std::vector<std::string>(2, "ファイルがオープン出来ませんでした。"));
  EXPECT_EQ(ReadAll(flagFile), fileOf({lineOf(3, 102), lineOf(8, 107)}));
  std::rename(kept.c_str(), race.c_str());
  ClickRow(4);
  f.ButtonDoignoreClick();
  EXPECT_EQ(ReadAll(flagFile), fileOf({lineOf(3, 102), lineOf(8, 107), lineOf(4, 103)}));
}

TEST_F(FormMainLiveTest, AFlagFileThatCannotBeReadHoldsTheReloadRatherThanDropTheMarks) {
  TestForm& f = *form;
  const std::string flagFile = dir.File("race/zuntext.flg");
  ClickRow(2);
  f.ButtonDoignoreClick();
  const std::string flagLines = ReadAll(flagFile);
  f.Timer1Timer();  // the mark is written out
  const std::string published = PureText();
  ASSERT_EQ(published.find(Reading(101, 1).substr(0, 12)), std::string::npos);

  // The flag file cannot be read (here a folder has taken its place): readings wait.
  ASSERT_EQ(std::remove(flagFile.c_str()), 0);
  ASSERT_EQ(mkdir(flagFile.c_str(), 0777), 0);
  for (int i = 0; i < 2; ++i) {
    Append(Reading(200 + i, 1));
    f.Timer1Timer();
  }
  EXPECT_EQ(f.Data.Grid.RowCount(), 11);
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 2), "x");
  EXPECT_EQ(PureText(), published);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Paused);
  EXPECT_NE(f.Cycle.text.find("FLGファイルが読めません"), std::string::npos) << f.Cycle.text;
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();

  // Back again: the readings are read with the mark still on.
  ASSERT_EQ(rmdir(flagFile.c_str()), 0);
  WriteAll(flagFile, flagLines);
  f.Timer1Timer();
  EXPECT_EQ(f.Data.Grid.RowCount(), 13);
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 2), "x");
  EXPECT_EQ(PureText().find(Reading(101, 1).substr(0, 12)), std::string::npos);
  EXPECT_NE(PureText().find(Reading(201, 1).substr(0, 12)), std::string::npos);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching);
}

// A race that reaches the row limit while the cycle runs loads without its marks: its outputs
// would publish the readings declared invalid, so the last ones written stay, and the window
// says so in the cycle's status rather than in a box at every reading.
TEST_F(FormMainLiveTest, ARaceThatReachesTheRowLimitKeepsItsLastOutputsAndOpensNoBox) {
  TestForm& f = *form;
  ClickRow(4);
  f.ButtonDoignoreClick();
  f.Timer1Timer();
  const std::string published = PureText();
  ASSERT_EQ(published.find(",103,1,"), std::string::npos);
  std::string filler;
  for (int row = f.Data.Grid.RowCount(); row < kGridRowLimit; ++row) filler += "1\n";
  Append(filler);
  f.Timer1Timer();
  ASSERT_EQ(f.Data.Grid.RowCount(), kGridRowLimit);
  EXPECT_EQ(PureText(), published);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
  EXPECT_EQ(f.Cycle.level, CycleLevel::Paused);
  EXPECT_NE(f.Cycle.text.find("grid is too big!!!"), std::string::npos) << f.Cycle.text;
  const int resets = f.StringGrid1.modelResets;
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.modelResets, resets) << "loaded once";
  EXPECT_EQ(PureText(), published);

  // A load by hand says it in a box, as ever.
  f.ActionRefreshExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"grid is too big!!!"});
}

TEST_F(FormMainLiveTest, TheCyclesStateSaysWhyItIsPausedAndWhenItLastWorked) {
  TestForm& f = *form;
  now += 60;
  Append(Reading(200, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching);
  const std::string clock = LocalClock(now);
  EXPECT_EQ(f.Cycle.text, "監視中  読込 " + clock + "  出力 " + clock);

  // A line number left in its search box after a jump does not stop the cycle.
  f.LEdit1.text = "5";
  f.LEdit1KeyPress(0, 13);
  now += 5;
  Append(Reading(201, 1));
  f.Timer1Timer();
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching);
  EXPECT_EQ(f.Cycle.text, "監視中  読込 " + LocalClock(now) + "  出力 " + LocalClock(now));
  EXPECT_EQ(f.LEdit1.text, "5");
  f.LEdit1.text.clear();
  now -= 5;

  std::remove(race.c_str());
  f.Timer1Timer();
  EXPECT_NE(f.Cycle.text.find("ZunTextファイルがありません"), std::string::npos);
  WriteAll(race, content);

  f.Publish.failingSince = now;
  f.Publish.failedAttempts = 3;
  f.Publish.lastServerReply = "421 Service not available\r\n";
  f.Timer1Timer();
  EXPECT_EQ(f.Cycle.level, CycleLevel::Failing);
  EXPECT_NE(f.Cycle.text.find("送信失敗 " + clock + " から 3 回: 421 Service not available"), std::string::npos)
      << f.Cycle.text;

  f.Publish = PublishHealth{};
  f.Publish.lastUploadAt = now;
  f.Publish.lastUploadOk = true;
  f.CBAuto.checked = false;
  f.CBAutoClick();
  EXPECT_EQ(f.Cycle.level, CycleLevel::Off);
  EXPECT_NE(f.Cycle.text.find("送信 " + clock + " OK"), std::string::npos);
}

}  // namespace
}  // namespace zun
