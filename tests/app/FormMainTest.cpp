#include "app/FormMain.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "FakePrompter.h"
#include "TempDir.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace zun {
namespace {

using test::FakePrompter;
using test::ReadAll;
using test::TempDir;
using test::WriteAll;

struct TestForm : FormMain {
  using FormMain::FormMain;
  int uploads = 0;
  void UploadOutputs() override { ++uploads; }
};

const char* const kRace =
    "1,1,123,1,1000000,1000000,90000000\n"
    "1,1,124,1,1100000,1100000,90100000\n"
    "1,1,123,2,2000000,2000000,91000000\n";

class FormMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir.File("bin").c_str(), 0777);
    mkdir(dir.File("race").c_str(), 0777);
    exe = dir.File("bin/zuntexteditor");
    ini = dir.File("bin/zuntexteditor.INI");
    race = dir.File("race/zuntext.txt");
  }
  TestForm& Show() {
    form = std::make_unique<TestForm>(prompter, FormMainOptions{exe, {}, dir.Path()});
    form->FormShow();
    return *form;
  }
  TestForm& ShowAndOpen(const std::string& content = kRace) {
    WriteAll(race, content);
    Show();
    prompter.files.push_back(race);
    form->ActionOpenZunTextExecute();
    return *form;
  }
  // What the window's paint does for the current row while the grid has the focus.
  void PaintCurrentRow() {
    form->StringGrid1FocusChanged(true);
    form->StringGrid1DrawCell(0, form->StringGrid1.currentRow);
  }
  std::string TextDir() const { return dir.File("bin/TXT"); }

  TempDir dir;
  FakePrompter prompter;
  std::string exe, ini, race;
  std::unique_ptr<TestForm> form;
};

TEST_F(FormMainTest, FirstStartCreatesFoldersAndCloseWritesEveryKey) {
  TestForm& f = Show();
  EXPECT_EQ(f.Window.text, "zunTextEditor ver 0.4");
  EXPECT_TRUE(DirectoryExists(TextDir() + "/999"));
  EXPECT_TRUE(DirectoryExists(TextDir() + "/000"));
  EXPECT_EQ(f.Label3.text, TextDir());
  EXPECT_EQ(f.Label1.text, TextDir() + "/999");
  EXPECT_EQ(f.PureTextPath, TextDir() + "/zuntextpure.txt");
  EXPECT_EQ(f.ListView1.rows.size(), 1u);
  EXPECT_FALSE(f.ActionDeletePurefiles.enabled);
  EXPECT_FALSE(f.ActionRefresh.enabled);
  EXPECT_FALSE(f.ActionOpenFlgHolder.enabled);
  EXPECT_FALSE(f.ActionOpenZunFolder.enabled);
  EXPECT_FALSE(f.StringGrid1.visible);
  EXPECT_TRUE(f.Label4.visible);
  EXPECT_FALSE(f.SB_NEW.enabled);
  EXPECT_FALSE(f.CBAuto.enabled);
  EXPECT_FALSE(f.RemoteSortFlags[2]);
  EXPECT_TRUE(f.RemoteSortFlags[3]);

  prompter.answers = {true};
  EXPECT_TRUE(f.CloseWindow());
  EXPECT_EQ(prompter.confirmations, (std::vector<std::string>{"終了しますか ?"}));
  const Profile saved(ini);
  EXPECT_EQ(saved.ReadString("WorkFiles", "exFilePath", "-"), dir.File("bin"));
  EXPECT_EQ(saved.ReadString("WorkFiles", "TextFilePath", "-"), TextDir());
  EXPECT_EQ(saved.ReadString("WorkFiles", "ignoreFR", "-"), "1");
  EXPECT_EQ(saved.ReadString("WorkFiles", "NeedCSV", "-"), "1");
  for (const char* key : {"LastHDir", "LastLDir", "HostName", "UserID", "prvZunTextName"})
    EXPECT_EQ(saved.ReadString("Params", key, "-"), "") << key;
  EXPECT_EQ(saved.ReadString("Params", "UpLDOpt", "-"), "0");
}

TEST_F(FormMainTest, SettingsEdgeCases) {
  WriteAll(race, kRace);
  WriteAll(ini, "[WorkFiles]\r\nignoreFR=0\r\n[Params]\r\nUpLDOpt=7\r\nHostName=ftp.example\r\nprvZunTextName=" + race +
                    "\r\n[Mine]\r\nkeep=me\r\n");
  TestForm& f = Show();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"現在このﾁｪｯｸを外すことはできません。"}));
  EXPECT_TRUE(f.CBignoreFR.checked);
  EXPECT_TRUE(f.CBNeedCSV.checked);
  EXPECT_EQ(f.RGUpLDOpt.itemIndex, 2);
  EXPECT_EQ(f.EHost.text, "ftp.example");
  EXPECT_FALSE(f.HostEdited);
  EXPECT_EQ(f.Edit1.text, race);
  EXPECT_EQ(f.ZunTextDir, dir.File("race"));
  EXPECT_TRUE(f.ActionRefresh.enabled);
  EXPECT_TRUE(f.ActionOpenZunFolder.enabled);
  EXPECT_FALSE(f.StringGrid1.visible);  // not read until refreshed
  f.RGUpLDOpt.itemIndex = -1;
  f.FormClose();
  const std::string text = ReadAll(ini);
  EXPECT_NE(text.find("ignoreFR=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Mine]\r\nkeep=me\r\n"), std::string::npos);

  prompter.Clear();
  WriteAll(ini, "[Params]\r\nUpLDOpt=-3\r\n[WorkFiles]\r\nNeedCSV=0\r\nTextFilePath=" + dir.File("no/such/TXT") + "\r\n");
  TestForm& g = Show();
  EXPECT_EQ(g.RGUpLDOpt.itemIndex, -1);
  EXPECT_FALSE(g.CBNeedCSV.checked);
  EXPECT_FALSE(DirectoryExists(dir.File("no")));
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_TRUE(g.Edit1.text.empty());
  EXPECT_FALSE(g.RefreshOutputLists());
}

TEST_F(FormMainTest, SettingsWriteFailureIsReportedAndClosingGoesOn) {
  TestForm& f = Show();
  mkdir(ini.c_str(), 0777);  // a folder where the file should be
  prompter.answers = {true};
  EXPECT_TRUE(f.CloseWindow());
  EXPECT_TRUE(f.Closed);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0], ini + " に書き込めませんでした。");
}

TEST_F(FormMainTest, ClosingWhileConnected) {
  TestForm& f = Show();
  f.Connected = true;
  const std::vector<std::string> both = {"終了しますか ?", "ホストに接続中です。\n切断してもいいですか？"};
  prompter.answers = {false};
  EXPECT_FALSE(f.CloseWindow());
  EXPECT_EQ(prompter.confirmations, (std::vector<std::string>{"終了しますか ?"}));
  EXPECT_TRUE(f.Connected);
  prompter.confirmations.clear();
  prompter.answers = {true, false};
  EXPECT_FALSE(f.CloseWindow());
  EXPECT_EQ(prompter.confirmations, both);
  EXPECT_TRUE(f.Connected);  // no answer leaves the window open without its connection
  EXPECT_FALSE(f.Closed);
  prompter.confirmations.clear();
  prompter.answers = {true, true};
  EXPECT_TRUE(f.CloseWindow());
  EXPECT_EQ(prompter.confirmations, both);
  EXPECT_FALSE(f.Connected);
  EXPECT_TRUE(f.Closed);
}

TEST_F(FormMainTest, OpeningFillsTheGrid) {
  Show();
  form->ActionOpenZunTextExecute();  // cancelled
  EXPECT_FALSE(form->StringGrid1.visible);
  ASSERT_EQ(prompter.openDialogs.size(), 1u);
  EXPECT_EQ(prompter.openDialogs[0], "Text files (*.txt)|*.TXT|" + TextDir() + "/999/vekData|db");

  prompter.files.push_back(race);
  WriteAll(race, kRace);
  form->ActionOpenZunTextExecute();
  TestForm& f = *form;
  EXPECT_TRUE(f.StringGrid1.visible);
  EXPECT_TRUE(f.GridLoaded);
  EXPECT_FALSE(f.Label4.visible);
  EXPECT_EQ(f.ZunTextPath, race);
  EXPECT_EQ(f.FlagFilePath, dir.File("race/zuntext.flg"));
  EXPECT_EQ(f.StatusBar1.items[0], "行数=3");
  EXPECT_EQ(f.StringGrid1.currentRow, 3);
  EXPECT_TRUE(f.StringGrid1.focused);
  EXPECT_TRUE(f.SB_NEW.enabled && f.ButtonDoignore.enabled && f.LEdit4.enabled && f.ActionPutCleanText.enabled);
  EXPECT_TRUE(f.CBAuto.enabled);
  EXPECT_FALSE(f.CBPure.enabled);
  EXPECT_TRUE(f.TBConnect.enabled);
  EXPECT_TRUE(prompter.messages.empty());

  f.Edit1.text = dir.File("race/gone.txt");
  f.ActionRefreshExecute();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Cannot open file"}));
  EXPECT_EQ(f.StatusBar1.items[0], "行数=1");
  EXPECT_TRUE(f.StringGrid1.visible);
  EXPECT_EQ(f.ZunTextPath, race);  // a path typed by hand is not remembered
  EXPECT_FALSE(f.ActionRefresh.enabled);
}

TEST_F(FormMainTest, SearchFilterAndJump) {
  TestForm& f = ShowAndOpen();
  f.LEdit4.text = "123";
  EXPECT_FALSE(f.LEdit1KeyPress(3, 'a'));
  EXPECT_TRUE(f.LEdit1KeyPress(3, 13));
  EXPECT_TRUE(f.Label5.visible);
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 2);
  f.LEdit5.text = "2";
  f.LEdit1KeyPress(4, 13);
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 1);
  EXPECT_EQ(f.StringGrid1.Rows.ShownRow(0), 3);
  EXPECT_FALSE(f.StringGrid1DrawCell(0, 1).paint);
  f.UpdateControlStates();
  EXPECT_TRUE(f.Label5.visible);

  // Refresh asks first; No keeps the filter.
  f.ActionRefreshExecute();
  EXPECT_EQ(prompter.confirmations, (std::vector<std::string>{"フィルターが解除されますがいいですか?"}));
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 1);

  // A bib nobody has changes no row and says so; the rows the earlier keys hid stay hidden, and
  // the indicator with them. A jump leaves it too.
  f.LEdit4.text = "999";
  f.LEdit1KeyPress(3, 13);
  f.UpdateControlStates();
  EXPECT_TRUE(f.Label5.visible);
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 1);
  EXPECT_EQ(f.StatusBar1.items[2], "ゼッケン 999: 該当なし");
  f.LEdit1.text = "1";
  f.LEdit1KeyPress(0, 13);
  f.UpdateControlStates();
  EXPECT_TRUE(f.Label5.visible);
  EXPECT_EQ(f.StringGrid1.currentRow, 1);

  f.LEdit1MouseUp(2);
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 3);
  EXPECT_TRUE(f.LEdit4.text.empty() && f.LEdit5.text.empty());
  EXPECT_FALSE(f.FilterActive());

  // Without a filter neither a key that matches nothing nor a jump shows the indicator, although
  // their edits keep the text.
  f.LEdit4.text = " 999 ";
  f.LEdit1KeyPress(3, 13);
  f.UpdateControlStates();
  EXPECT_FALSE(f.Label5.visible);
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 3);
  EXPECT_EQ(f.StatusBar1.items[2], "ゼッケン 999: 該当なし");
  f.StringGrid1FocusChanged(false);
  f.LEdit1.text = "2";
  f.LEdit1KeyPress(0, 13);
  f.UpdateControlStates();
  EXPECT_FALSE(f.Label5.visible);
  EXPECT_EQ(f.StringGrid1.currentRow, 2);
  EXPECT_TRUE(f.StringGrid1.focused);
  f.LEdit1.text = "77";
  f.LEdit1KeyPress(0, 13);
  EXPECT_EQ(f.StringGrid1.currentRow, 2);
  EXPECT_EQ(f.StatusBar1.items[2], "行番号 77: 該当なし");
  EXPECT_FALSE(f.Label5.visible);
  f.SB_TOP2Click();
  EXPECT_EQ(f.StringGrid1.currentRow, 1);
  f.SB_NEWClick();
  EXPECT_EQ(f.StringGrid1.currentRow, 3);
}

TEST_F(FormMainTest, FlagButtonsKeepTheFileAndTheGridInStep) {
  TestForm& f = ShowAndOpen();
  const std::string flg = dir.File("race/zuntext.flg");
  PaintCurrentRow();
  EXPECT_EQ(f.RememberedRow, 3);
  // The current row moves while another control has the focus: the framed row is still marked.
  f.StringGrid1FocusChanged(false);
  f.SB_TOP2Click();
  f.ButtonDoignoreClick();
  EXPECT_EQ(ReadAll(flg), "3,1,1,123,2,2000000,2000000,91000000,x\r\n\r\n");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 1), "");
  EXPECT_EQ(f.StatusBar1.items[1], flg + " 保存 1 回目");
  EXPECT_EQ(f.ListBox1.items, (std::vector<std::string>{"3,1,1,123,2,2000000,2000000,91000000,x"}));
  EXPECT_TRUE(f.ActionOpenFlgHolder.enabled && f.ActionDelteFlgFile.enabled);
  EXPECT_FALSE(f.ButtonCancalIgnore.enabled);

  f.ButtonDoignoreClick();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"そのデータは既に無効処理されています。"}));
  f.ButtonCancalIgnoreClick();
  EXPECT_EQ(prompter.messages.back(), "無効取り消のデータが選択されていません");

  // The list click jumps to the line's row; the mark survives a reload.
  f.ActionRefreshExecute();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x");
  f.StringGrid1FocusChanged(false);
  f.SB_TOP2Click();
  f.ListBox1.itemIndex = 0;
  f.ListBox1Click();
  EXPECT_EQ(f.StringGrid1.currentRow, 3);
  EXPECT_TRUE(f.LEdit1.text.empty());
  EXPECT_TRUE(f.ButtonCancalIgnore.enabled);
  f.ButtonCancalIgnoreClick();
  EXPECT_EQ(ReadAll(flg), "\r\n");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "");
  EXPECT_EQ(f.StatusBar1.items[1], flg + " 保存 2 回目");
  EXPECT_TRUE(f.ListBox1.items.empty());
  EXPECT_EQ(f.ListBox1.itemIndex, -1);

  // A save that fails keeps the change in the window and says so.
  RemoveFile(flg);
  mkdir(flg.c_str(), 0777);  // a folder where the file should be
  PaintCurrentRow();
  f.ButtonDoignoreClick();
  EXPECT_EQ(prompter.messages.back(), "ファイルがオープン出来ませんでした。");
  EXPECT_EQ(f.StatusBar1.items[1], flg + " の保存に失敗しました!!!!!!");
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 3), "x");
  EXPECT_EQ(f.ListBox1.items.size(), 1u);
  EXPECT_EQ(f.FlagSaveCount, 2);
}

TEST_F(FormMainTest, IgnoreFirstRepeatCannotBeSwitchedOff) {
  TestForm& f = Show();
  f.CBignoreFR.checked = false;
  f.CBignoreFRClick();
  EXPECT_TRUE(f.CBignoreFR.checked);
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"現在このﾁｪｯｸを外すことはできません。"}));
  f.CBignoreFRClick();
  EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST_F(FormMainTest, PureTextKeepsTicksByPosition) {
  TestForm& f = ShowAndOpen();
  f.CBNeedCSV.checked = false;
  for (const char* name : {"b.csv", "d.csv", "f.csv"}) WriteAll(TextDir() + "/999/" + name, "");
  f.RefreshOutputLists();
  ASSERT_EQ(f.CheckListBox1.items.size(), 3u);
  f.CheckListBox1.itemChecked = {false, true, false};
  WriteAll(TextDir() + "/999/a.csv", "");  // appears before the ticked file
  f.ActionPutCleanTextExecute();
  EXPECT_EQ(ReadAll(f.PureTextPath),
            "1,1,123,1,1000000,1000000,90000000\r\n1,1,124,1,1100000,1100000,90100000\r\n"
            "1,1,123,2,2000000,2000000,91000000\r\n\r\n");
  EXPECT_EQ(f.CheckListBox1.items, (std::vector<std::string>{"a.csv", "b.csv", "d.csv", "f.csv"}));
  EXPECT_EQ(f.CheckListBox1.itemChecked, (std::vector<bool>{false, true, false, false}));
  ASSERT_EQ(f.ListView1.rows.size(), 2u);
  EXPECT_EQ(f.ListView1.rows[0].cells[0], "zuntextpure.txt");
  EXPECT_EQ(f.ListView1.rows[0].cells[1].size(), 10u);
  EXPECT_EQ(f.ListView1.rows[0].cells[2], "110");
  EXPECT_TRUE(f.ListView1.rows[1].cells[0].empty());
  EXPECT_TRUE(f.ActionTextDirOpen.enabled);
  EXPECT_FALSE(FileExists(TextDir() + "/000/000.csv"));
  EXPECT_TRUE(prompter.messages.empty());

  // Ranking files with "FTP" but no upload by hand yet: the gate explains and uploads nothing.
  f.CBNeedCSV.checked = true;
  f.CBFtp.checked = true;
  f.ActionPutCleanTextExecute();
  EXPECT_TRUE(FileExists(TextDir() + "/000/000.csv"));
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"手動アプロードがされていません",
                                                          "ローカルディレクトリが正しくセットされていません"}));
  EXPECT_EQ(f.uploads, 0);
  prompter.messages.clear();

  // A race of more laps than fifty lists more count files: a tick on any of them survives the
  // relisting at every reading.
  for (int i = 5; i <= 60; ++i) WriteAll(Format("%s/999/%03d.csv", TextDir().c_str(), i), "");
  f.RefreshOutputLists();
  ASSERT_EQ(f.CheckListBox1.items.size(), 62u);
  ASSERT_EQ(f.CheckListBox1.items[52], "055.csv");
  f.CheckListBox1.itemChecked.assign(62, false);
  f.CheckListBox1.itemChecked[52] = f.CheckListBox1.itemChecked[61] = true;
  f.CBFtp.checked = false;
  f.CBAuto.checked = f.CBPure.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();
  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  ASSERT_EQ(f.StatusBar1.items[0], "行数=4");
  std::vector<bool> ticked(62, false);
  ticked[52] = ticked[61] = true;
  EXPECT_EQ(f.CheckListBox1.itemChecked, ticked);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainTest, AutoUploadGate) {
  TestForm& f = Show();
  f.Connected = true;
  f.UploadedOnce = true;
  f.RGUpLDOpt.itemIndex = 1;
  f.Label1.fontColor = kColorRed;
  f.AutoUploadGate();
  EXPECT_EQ(f.uploads, 1);
  f.RGUpLDOpt.itemIndex = 0;  // Label3 is not red
  f.AutoUploadGate();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"ローカルディレクトリが正しくセットされていません"}));
  f.RGUpLDOpt.itemIndex = -1;
  f.AutoUploadGate();
  EXPECT_EQ(f.uploads, 1);
  EXPECT_EQ(prompter.messages.size(), 2u);
}

TEST_F(FormMainTest, ControlStatesOfTheAutomationOptions) {
  TestForm& f = ShowAndOpen();
  f.Connected = true;
  f.UpdateControlStates();
  EXPECT_FALSE(f.CBFtp.enabled);
  EXPECT_FALSE(f.RGUpLDOpt.enabled);
  EXPECT_TRUE(f.TBDisConnect.enabled);
  EXPECT_FALSE(f.TBConnect.enabled);
  f.CBAuto.checked = true;
  f.CBAutoClick();
  EXPECT_TRUE(f.Timer1.enabled);
  EXPECT_TRUE(f.ProgressBar1.visible);
  EXPECT_TRUE(f.CBPure.enabled);
  f.CBPure.checked = true;
  f.CBAutoClick();
  EXPECT_FALSE(f.CBFtp.enabled);
  f.UploadedOnce = true;
  f.CBFtpClick();
  EXPECT_TRUE(f.CBFtp.enabled);
  f.Label3.fontColor = kColorRed;
  f.SetConnected(false);
  EXPECT_EQ(f.Label3.fontColor, f.LabelColor);
  EXPECT_TRUE(f.RGUpLDOpt.enabled);
  f.CBAuto.checked = false;
  f.CBAutoClick();
  EXPECT_FALSE(f.Timer1.enabled);
  EXPECT_FALSE(f.ProgressBar1.visible);
  EXPECT_FALSE(f.CBPure.enabled);
  EXPECT_TRUE(f.CBPure.checked);  // a disabled box keeps its tick
}

TEST_F(FormMainTest, AutomationTickReloadsOnChangeOnly) {
  TestForm& f = ShowAndOpen();
  f.CBAuto.checked = true;
  f.CBPure.checked = true;
  f.CBNeedCSV.checked = false;
  f.CBAutoClick();
  const int loads = f.StringGrid1.modelResets;
  f.Timer1Timer();  // only records the snapshot
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.modelResets, loads);
  EXPECT_EQ(f.ProgressBar1.position, 10);
  EXPECT_TRUE(f.Timer1.enabled);

  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=4");
  EXPECT_NE(ReadAll(f.PureTextPath).find("1,1,125,1,1200000,1200000,90200000\r\n"), std::string::npos);
  EXPECT_TRUE(f.Timer1.enabled);
  EXPECT_TRUE(f.ProgressBar1.visible);

  // Touched: same size, new time.
  const int afterAppend = f.StringGrid1.modelResets;
  struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, race.c_str(), times, 0), 0);
  f.Timer1Timer();
  EXPECT_GT(f.StringGrid1.modelResets, afterAppend);

  // The operator looking up a bib holds nothing up: the tick reads and writes on, the search
  // boxes keep their text (one of them typed, not yet entered) and the filter holds the new rows.
  f.LEdit4.text = "123";
  f.LEdit1KeyPress(3, 13);
  ASSERT_EQ(f.StringGrid1.Rows.ShownCount(), 2);
  f.LEdit5.text = "2";
  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n1,1,123,3,3000000,3000000,93000000\n" +
                     "1,1,126,1,3100000,3100000,93100000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=6");
  EXPECT_NE(ReadAll(f.PureTextPath).find("1,1,126,1,3100000,3100000,93100000\r\n"), std::string::npos);
  EXPECT_EQ(f.LEdit4.text, "123");
  EXPECT_EQ(f.LEdit5.text, "2");
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 3);
  EXPECT_EQ(f.StringGrid1.Rows.ShownRow(2), 5);
  EXPECT_TRUE(f.Label5.visible);
  // A file written anew is read whole, under the same filter; clearing it shows every row.
  WriteAll(race, kRace);
  f.Timer1Timer();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=3");
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 2);
  f.Label5Click();
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 3);
  // The readings follow the rule of the keys: a key that matched nothing filters nothing when its
  // bib comes in, and one whose rows the file no longer holds stops filtering.
  f.LEdit4.text = "125";
  f.LEdit1KeyPress(3, 13);
  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 4);
  EXPECT_FALSE(f.Label5.visible);
  f.LEdit1MouseUp(3);
  f.LEdit4.text = "125";
  f.LEdit1KeyPress(3, 13);
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 1);
  EXPECT_TRUE(f.Label5.visible);
  WriteAll(race, kRace);
  f.Timer1Timer();
  EXPECT_EQ(f.StringGrid1.Rows.ShownCount(), 3);
  EXPECT_FALSE(f.Label5.visible);
  f.Label5Click();

  // A path being typed into Edit1 is not the file the cycle follows, half typed nor whole: only
  // ﾘﾌﾚｯｼｭGrid by hand loads it.
  const std::string other = dir.File("race/other.txt");
  WriteAll(other, "1,1,999,1,1000000,1000000,90000000\n");
  f.Edit1.text = dir.File("race/oth");
  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=4");
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching);
  f.Edit1.text = other;
  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n1,1,126,1,1300000,1300000,90300000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=5");
  EXPECT_EQ(ReadAll(f.PureTextPath).find("1,1,999,"), std::string::npos);
  f.ActionRefreshExecute();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=1");
  f.Edit1.text = race;
  f.ActionRefreshExecute();

  // The bar runs 5 .. 50 and starts again.
  for (int i = 0; i < 20 && f.ProgressBar1.position != 50; ++i) f.Timer1Timer();
  f.Timer1Timer();
  EXPECT_EQ(f.ProgressBar1.position, 5);

  // Uploading keeps ticks out.
  f.Uploading = true;
  f.Timer1Timer();
  EXPECT_EQ(f.ProgressBar1.position, 5);
}

TEST_F(FormMainTest, EmptyFileIsNeverReloadedByTheCycle) {
  TestForm& f = ShowAndOpen("");
  f.CBAuto.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();
  WriteAll(race, kRace);
  f.Timer1Timer();  // the previous size was 0
  EXPECT_EQ(f.StatusBar1.items[0], "行数=1");
  WriteAll(race, std::string(kRace) + "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.StatusBar1.items[0], "行数=4");
}

TEST_F(FormMainTest, OutputFileActions) {
  TestForm& f = Show();
  f.ActionOpenFlgHolderExecute();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"が存在しません"}));
  f.ActionTextDirOpenExecute();
  EXPECT_EQ(prompter.shownFolders, (std::vector<std::string>{TextDir()}));
  const std::string quoted = dir.File("a \"b\" c");
  mkdir(quoted.c_str(), 0777);
  f.OpenFolder(quoted);
  EXPECT_EQ(prompter.shownFolders.back(), quoted);

  prompter.Clear();
  f.ActionDeletePurefilesExecute();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"出力ファイルはありません。"}));
  EXPECT_TRUE(prompter.confirmations.empty());

  WriteAll(TextDir() + "/other.txt", "x");
  WriteAll(TextDir() + "/zuntextpure.txt", "x");
  WriteAll(TextDir() + "/000/000.csv", "x");
  WriteAll(TextDir() + "/000/keep.csv", "x");
  WriteAll(TextDir() + "/999/001.csv", "x");
  f.RefreshOutputLists();
  f.UpdateControlStates();
  EXPECT_TRUE(f.ActionDeletePurefiles.enabled);
  f.CheckListBox1.itemChecked = {true};
  f.ActionDeletePurefilesExecute();  // answered No
  EXPECT_EQ(prompter.confirmations, (std::vector<std::string>{"ピュアファイルを全て削除してもいいですか？"}));
  EXPECT_TRUE(FileExists(TextDir() + "/zuntextpure.txt"));
  WriteAll(TextDir() + "/999/002.csv", "x");  // not listed yet: stays
  prompter.answers = {true};
  f.ActionDeletePurefilesExecute();
  EXPECT_FALSE(FileExists(TextDir() + "/zuntextpure.txt"));
  EXPECT_FALSE(FileExists(TextDir() + "/000/000.csv"));
  EXPECT_FALSE(FileExists(TextDir() + "/999/001.csv"));
  EXPECT_TRUE(FileExists(TextDir() + "/other.txt"));
  EXPECT_TRUE(FileExists(TextDir() + "/000/keep.csv"));
  EXPECT_EQ(f.CheckListBox1.items, (std::vector<std::string>{"002.csv"}));
  EXPECT_EQ(f.CheckListBox1.itemChecked, (std::vector<bool>{false}));
}

TEST_F(FormMainTest, DeletingTheFlagFileAsksThenClearsEveryMark) {
  WriteAll(dir.File("race/zuntext.flg"), "1,1,1,123,1,1000000,1000000,90000000,x\n");
  TestForm& f = ShowAndOpen();
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 1), "x");
  EXPECT_EQ(f.ListBox1.items.size(), 1u);
  EXPECT_TRUE(f.ActionDelteFlgFile.enabled);
  f.ActionOpenZunFolderExecute();
  f.ActionOpenFlgHolderExecute();
  EXPECT_EQ(prompter.shownFolders, (std::vector<std::string>{dir.File("race"), dir.File("race")}));
  // The operator is asked first: a slip on the button keeps the marks.
  prompter.answers = {false, true};
  f.ActionDelteFlgFileExecute();
  EXPECT_TRUE(FileExists(dir.File("race/zuntext.flg")));
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 1), "x");
  f.ActionDelteFlgFileExecute();
  EXPECT_EQ(prompter.confirmations,
            (std::vector<std::string>(2, "x FLG の印 1 件が全て消えます。\nFLGファイルを削除してもいいですか？")));
  EXPECT_FALSE(FileExists(dir.File("race/zuntext.flg")));
  EXPECT_EQ(f.Data.Grid.Cell(ColXFlg, 1), "");
  EXPECT_TRUE(f.ListBox1.items.empty());
  EXPECT_FALSE(f.ActionDelteFlgFile.enabled);
}

}  // namespace
}  // namespace zun
