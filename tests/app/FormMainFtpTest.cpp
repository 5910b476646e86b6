// The window's FTP work: against a real FTP server on the loopback, and through a scripted client
// for what a server cannot be made to do.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "FakePrompter.h"
#include "FtpTestServer.h"
#include "TempDir.h"
#include "app/FormMain.h"
#include "ftp/CurlFtpClient.h"
#include "ftp/RemoteBrowser.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Text.h"

namespace zun {
namespace {

using test::ReadAll;
using test::WriteAll;

const char* const kRace =
    "1,1,123,1,1000000,1000000,90000000\n"
    "1,1,124,1,1100000,1100000,90100000\n"
    "1,1,123,2,2000000,2000000,91000000\n";

struct Prompts : test::FakePrompter {
  std::vector<std::string> inputBoxes;  // "caption|prompt|initial"
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override {
    inputBoxes.push_back(caption + "|" + prompt + "|" + initial);
    return FakePrompter::InputBox(caption, prompt, initial);
  }
  bool Saw(const std::string& text) const {
    return std::find(messages.begin(), messages.end(), text) != messages.end();
  }
};

struct CountingForm : FormMain {
  using FormMain::FormMain;
  int passes = 0;
  void UploadOutputs() override {
    ++passes;
    FormMain::UploadOutputs();
  }
};

std::vector<std::string> Captions(const FormMain& f) {
  std::vector<std::string> names;
  for (const ListRow& row : f.RemoteFileListV.rows) names.push_back(row.cells.at(0));
  return names;
}

int RowOf(const FormMain& f, const std::string& name) {
  const auto names = Captions(f);
  const auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

void Append(const std::string& path, const std::string& line) {
  std::ofstream out(path, std::ios::app | std::ios::binary);
  out << line;
}

// ---------------------------------------------------------------- against a real server

class FormMainFtpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir.File("bin").c_str(), 0777);
    mkdir(dir.File("race").c_str(), 0777);
    ASSERT_TRUE(CreateFolder(root) && CreateFolder(root + "/sub") && CreateFolder(root + "/emptydir"));
    WriteAll(root + "/a.txt", "abc");
    WriteAll(root + "/b.csv", "1234567890");
    WriteAll(root + "/sub/inner.csv", "x");
    ASSERT_TRUE(server.Start());
  }

  // `now`: the clock the window reads; empty: the system's.
  CountingForm& ShowAndOpen(std::function<std::time_t()> now = nullptr) {
    WriteAll(race, kRace);
    FormMainOptions options{dir.File("bin/zuntexteditor"), {}, dir.Path(), [] {
                              return std::make_unique<ftp::CurlFtpClient>(ftp::CurlTimeouts{5, 5, 5});
                            }, std::move(now)};
    form = std::make_unique<CountingForm>(prompter, std::move(options));
    form->FormShow();
    prompter.files.push_back(race);
    form->ActionOpenZunTextExecute();
    form->EHost.text = server.Host();
    form->EUserId.text = "demo";
    form->EPassword.text = "secret";
    form->EHostChange();
    return *form;
  }
  // Connected into /sub, one upload by hand, and the whole cycle switched on.
  CountingForm& PublishingIntoSub(std::function<std::time_t()> now = nullptr) {
    CountingForm& f = ShowAndOpen(std::move(now));
    f.ActionPutCleanTextExecute();
    f.HostEdited = false;
    f.LastHDir = "/sub";
    f.ActionConnectHostExecute();
    f.ActionUploadExecute();
    f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = true;
    f.CBAutoClick();
    f.Timer1Timer();
    return f;
  }
  std::string TextDir() const { return dir.File("bin/TXT"); }

  test::TempDir dir;
  std::string root = dir.File("root");
  std::string race = dir.File("race/zuntext.txt");
  test::FtpTestServer server{root, "demo", "secret", dir.File("server.log")};
  Prompts prompter;
  std::unique_ptr<CountingForm> form;
};

TEST_F(FormMainFtpTest, ConnectListsBrowsesAndDisconnectRemembersTheFolder) {
  CountingForm& f = ShowAndOpen();
  EXPECT_TRUE(f.TBConnect.enabled);
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected) << (prompter.messages.empty() ? "" : prompter.messages.back());
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=2 (Dir=2)");
  ASSERT_EQ(f.RemoteFileListV.rows.size(), 4u);
  const ListRow& sub = f.RemoteFileListV.rows[static_cast<size_t>(RowOf(f, "sub"))];
  EXPECT_EQ(sub.imageIndex, ftp::kFolderImage);
  EXPECT_EQ(sub.cells[2], "0");
  EXPECT_EQ(f.RemoteFileListV.rows[static_cast<size_t>(RowOf(f, "b.csv"))].cells[2], "10");
  EXPECT_EQ(f.ComboCurrDir.text, "/");
  EXPECT_EQ(f.ComboCurrDir.items, std::vector<std::string>{"/"});
  // The TXT folder is entered as the upload source and marked.
  EXPECT_EQ(f.LastLDir, TextDir());
  EXPECT_EQ(f.Label3.fontColor, kColorRed);
  EXPECT_EQ(f.Label1.fontColor, f.LabelColor);
  EXPECT_FALSE(f.TBConnect.enabled);
  EXPECT_TRUE(f.TBDisConnect.enabled);
  EXPECT_FALSE(f.RGUpLDOpt.enabled);
  EXPECT_TRUE(f.ComboCurrDir.enabled && f.SpeedUpDir.enabled && f.RemoteFileListV.enabled);
  EXPECT_FALSE(f.HostEdited);
  EXPECT_TRUE(prompter.messages.empty());

  // A double click on a file changes nothing; on a folder it goes in.
  f.RemoteFileListV.selectedRows = {RowOf(f, "a.txt")};
  f.RemoteFileListVDblClick();
  EXPECT_EQ(f.ComboCurrDir.text, "/");
  f.RemoteFileListV.selectedRows = {RowOf(f, "sub")};
  f.RemoteFileListVDblClick();
  EXPECT_EQ(f.ComboCurrDir.text, "/sub");
  EXPECT_EQ(Captions(f), std::vector<std::string>{"inner.csv"});
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=1");
  EXPECT_TRUE(f.Connected);
  EXPECT_EQ(f.Label3.fontColor, kColorRed);
  EXPECT_GT(f.RemoteFileListV.focusRequests, 0);

  f.ActionUpDirectoryExecute();
  EXPECT_EQ(f.ComboCurrDir.text, "/");
  EXPECT_EQ(f.RemoteFileListV.rows.size(), 4u);
  f.ActionUpDirectoryExecute();  // at the root: nothing
  EXPECT_EQ(f.ComboCurrDir.items, (std::vector<std::string>{"/", "/sub"}));

  // Typing in the box does nothing; choosing a visited folder goes there.
  f.ComboCurrDir.text = "/typed";
  f.ComboCurrDir.itemIndex = -1;
  f.ComboCurrDirChange();
  EXPECT_EQ(f.RemoteFileListV.rows.size(), 4u);
  f.ComboCurrDir.itemIndex = 1;
  f.ComboCurrDir.text = "/sub";
  f.ComboCurrDirChange();
  EXPECT_EQ(Captions(f), std::vector<std::string>{"inner.csv"});
  EXPECT_EQ(f.ComboCurrDir.items.size(), 2u);

  f.ActionDisconnectHostExecute();
  EXPECT_FALSE(f.Connected);
  EXPECT_TRUE(f.RemoteFileListV.rows.empty());
  EXPECT_EQ(f.LastHDir, "/sub");
  EXPECT_EQ(f.Label3.fontColor, f.LabelColor);
  EXPECT_TRUE(f.TBConnect.enabled);
  EXPECT_FALSE(f.ComboCurrDir.enabled);
  EXPECT_TRUE(f.RGUpLDOpt.enabled);
  ASSERT_TRUE(FileExists(f.HostFilePath()));

  // The host is stored with that folder: an edited host field finds it and starts there.
  f.LastHDir = "";
  f.EUserIdChange();
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected);
  EXPECT_EQ(f.ComboCurrDir.text, "/sub");
  EXPECT_EQ(f.LastLDir, TextDir());
  EXPECT_EQ(f.FtpClientOf().LoginCount(), 2);
}

TEST_F(FormMainFtpTest, RememberedFolderIsEnteredEvenWhenEmpty) {
  CountingForm& f = ShowAndOpen();
  f.HostEdited = false;  // the remembered folder of the settings counts
  f.LastHDir = "/sub";
  f.ActionConnectHostExecute();
  EXPECT_EQ(f.ComboCurrDir.text, "/sub");
  f.ActionDisconnectHostExecute();

  f.HostEdited = false;
  f.LastHDir = "/emptydir";
  f.ActionConnectHostExecute();
  EXPECT_EQ(f.ComboCurrDir.text, "/emptydir");
  EXPECT_TRUE(f.RemoteFileListV.rows.empty());
  f.ActionDisconnectHostExecute();

  // An edited host that is not stored starts in the login folder.
  f.EHost.text = "localhost:" + std::to_string(server.Port());
  f.EHostChange();
  f.LastHDir = "/sub";
  f.ActionConnectHostExecute();
  EXPECT_TRUE(f.Connected);
  EXPECT_EQ(f.LastHDir, "");
  EXPECT_EQ(f.ComboCurrDir.text, "/");
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainFtpTest, UploadsInTheThreeModes) {
  CountingForm& f = ShowAndOpen();
  f.ActionPutCleanTextExecute();  // zuntextpure.txt, 000.csv, 001.csv, 002.csv
  ASSERT_TRUE(FileExists(TextDir() + "/000/000.csv"));
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected);
  EXPECT_TRUE(f.ToolButtonUpLoad.enabled);
  f.ActionUploadExecute();
  EXPECT_EQ(ReadAll(root + "/zuntextpure.txt"), ReadAll(f.PureTextPath));
  EXPECT_TRUE(f.UploadedOnce);
  EXPECT_FALSE(f.Uploading);
  EXPECT_GE(RowOf(f, "zuntextpure.txt"), 0);
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=3 (Dir=2)");
  EXPECT_EQ(f.Label3.fontColor, kColorRed);
  f.ActionDisconnectHostExecute();
  EXPECT_FALSE(f.UploadedOnce);

  // 999: sixty more count files, so the unchecked ones go fifty at a time.
  for (int i = 3; i <= 62; ++i) WriteAll(Format("%s/999/%03d.csv", TextDir().c_str(), i), Format("%d", i));
  f.RefreshOutputLists();
  ASSERT_EQ(f.CheckListBox1.items.size(), 62u);
  f.RGUpLDOpt.itemIndex = 1;
  f.ComboCurrDir.text = "/";
  f.LastHDir = "/sub";
  f.HostEdited = false;
  f.ActionConnectHostExecute();
  ASSERT_EQ(f.ComboCurrDir.text, "/sub");
  EXPECT_EQ(f.Label1.fontColor, kColorRed);
  EXPECT_EQ(f.Label3.fontColor, f.LabelColor);
  f.CheckListBox1.itemChecked[0] = true;
  f.CheckListBox1.itemChecked[1] = true;
  f.CheckListBox1.itemIndex = 1;  // selected and checked: it goes alone
  f.ActionUploadExecute();
  EXPECT_EQ(f.CheckListBox1.itemIndex, -1);
  std::vector<std::string> names = Captions(f);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"002.csv", "inner.csv"}));
  EXPECT_TRUE(f.UploadedOnce);
  f.ActionUploadExecute();  // nothing selected: 003 .. 052
  EXPECT_FALSE(FileExists(root + "/sub/001.csv"));
  EXPECT_EQ(ReadAll(root + "/sub/003.csv"), "3");
  EXPECT_EQ(ReadAll(root + "/sub/052.csv"), "52");
  EXPECT_FALSE(FileExists(root + "/sub/053.csv"));
  EXPECT_EQ(f.RemoteFileListV.rows.size(), 52u);
  EXPECT_EQ(f.Publish.lastUploadSummary, "50/50 ﾌｧｲﾙ送信");
  EXPECT_TRUE(f.Connected);

  // The cycle's passes leave out what the server holds, so the files past the fiftieth follow:
  // a long race's later laps reach the site too. The first reading rewrites every count file (those
  // of laps nobody ran keep their header alone): fifty go, then the rest with the next tick, even
  // when no reading comes (the race's last one, say).
  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = f.CBNeedCSV.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();
  Append(race, "1,1,124,2,2100000,2100000,91100000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.Publish.lastUploadSummary, "50/50 ﾌｧｲﾙ送信");
  const int passes = f.passes;
  f.Timer1Timer();
  EXPECT_EQ(f.passes, passes + 1);
  EXPECT_EQ(f.Publish.lastUploadSummary, "10/60 ﾌｧｲﾙ送信 (50 変更なし)");
  for (int i = 3; i <= 62; ++i)
    EXPECT_EQ(ReadAll(Format("%s/sub/%03d.csv", root.c_str(), i)), ReadAll(Format("%s/999/%03d.csv", TextDir().c_str(), i)))
        << i;
  f.Timer1Timer();
  EXPECT_EQ(f.passes, passes + 1) << "with everything sent, a quiet tick sends nothing";
  EXPECT_FALSE(FileExists(root + "/sub/001.csv"));  // 001 and 002 are checked: kept back
  f.CBAuto.checked = false;
  f.CBAutoClick();
  f.ActionDisconnectHostExecute();

  f.RGUpLDOpt.itemIndex = 2;
  f.HostEdited = false;
  f.LastHDir = "/";
  f.ActionConnectHostExecute();
  EXPECT_EQ(f.Label2.fontColor, kColorRed);
  f.ActionUploadExecute();
  EXPECT_EQ(ReadAll(root + "/000.csv"), ReadAll(TextDir() + "/000/000.csv"));
  EXPECT_EQ(f.FtpClientOf().LoginCount(), 3);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
}

TEST_F(FormMainFtpTest, AutomaticUploadOnlyAfterOneByHandOnThisConnection) {
  CountingForm& f = ShowAndOpen();
  f.CBAuto.checked = true;
  f.CBAutoClick();
  f.CBPure.checked = true;
  f.CBAutoClick();
  f.CBFtp.checked = true;
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected);
  f.Timer1Timer();  // the first tick only takes the snapshot
  // The cycle writes but sends nothing, and says why in its status rather than in a box that
  // would hold it still at every reading.
  Append(race, "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
  EXPECT_NE(ReadAll(f.PureTextPath).find("1,1,125,1"), std::string::npos);
  EXPECT_FALSE(FileExists(root + "/zuntextpure.txt"));
  EXPECT_FALSE(f.CBFtp.enabled);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Paused);
  EXPECT_NE(f.Cycle.text.find("送信停止: 手動アプロードがされていません"), std::string::npos) << f.Cycle.text;
  // The operator's own press still explains in boxes.
  f.ActionPutCleanTextExecute();
  ASSERT_FALSE(prompter.messages.empty());
  EXPECT_EQ(prompter.messages.front(), "手動アプロードがされていません");
  prompter.Clear();

  f.ActionUploadExecute();
  EXPECT_TRUE(f.CBFtp.enabled);
  Append(race, "1,1,126,1,1300000,1300000,90300000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.passes, 2);
  EXPECT_NE(ReadAll(root + "/zuntextpure.txt").find("1,1,126,1"), std::string::npos);
  EXPECT_TRUE(f.Timer1.enabled);
  EXPECT_FALSE(f.Uploading);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching) << f.Cycle.text;

  // After a disconnect (as when the operator answers No to closing) the box stays ticked and
  // the readings go on being written, without a box and without an upload.
  f.ActionDisconnectHostExecute();
  EXPECT_TRUE(f.CBFtp.checked);
  EXPECT_FALSE(f.CBFtp.enabled);
  for (int i = 0; i < 3; ++i) {
    Append(race, Format("1,1,%d,1,%d,%d,9%d\n", 127 + i, 1400000 + i * 100000, 1400000 + i * 100000,
                        1400000 + i * 100000));
    f.Timer1Timer();
  }
  EXPECT_EQ(f.passes, 2);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
  EXPECT_NE(ReadAll(f.PureTextPath).find("1,1,129,1"), std::string::npos);
  EXPECT_EQ(ReadAll(root + "/zuntextpure.txt").find("1,1,127,1"), std::string::npos);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Paused);
  EXPECT_NE(f.Cycle.text.find("送信停止: 手動アプロードがされていません"), std::string::npos) << f.Cycle.text;
  EXPECT_TRUE(f.Timer1.enabled);
}

TEST_F(FormMainFtpTest, SixtyAutomaticCyclesNeedOneLogin) {
  CountingForm& f = ShowAndOpen();
  f.ActionPutCleanTextExecute();
  f.ActionConnectHostExecute();
  f.ActionUploadExecute();
  ASSERT_TRUE(f.UploadedOnce);
  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 60; ++i) {
    Append(race, Format("1,2,%d,1,1500000,1500000,90500000\n", 200 + i));
    f.Timer1Timer();
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("60 automatic cycles: %.1f ms per cycle, %d login(s)\n", ms / 60, f.FtpClientOf().LoginCount());
  EXPECT_EQ(f.passes, 61);
  EXPECT_EQ(f.FtpClientOf().LoginCount(), 1);
  EXPECT_NE(ReadAll(root + "/zuntextpure.txt").find("1,2,259,1"), std::string::npos);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainFtpTest, WrongPasswordLeavesTheWindowDisconnected) {
  CountingForm& f = ShowAndOpen();
  f.EPassword.text = "wrong";
  f.ActionConnectHostExecute();
  EXPECT_FALSE(f.Connected);
  EXPECT_FALSE(f.HostEdited);
  EXPECT_TRUE(f.TBConnect.enabled);
  EXPECT_EQ(f.StatusBar1.items[2], "セッションを閉じました。");
  ASSERT_EQ(prompter.messages.size(), 2u);
  EXPECT_EQ(prompter.messages[0].substr(0, 4), "530 ");  // the server's reply
  EXPECT_EQ(prompter.messages[1], ftp::kHostOpenFailed);
}

TEST_F(FormMainFtpTest, ServerStoppedAndStartedAgainIsReconnectedByTheNextUpload) {
  CountingForm& f = ShowAndOpen();
  f.ActionPutCleanTextExecute();
  f.HostEdited = false;
  f.LastHDir = "/sub";
  f.ActionConnectHostExecute();
  ASSERT_EQ(f.ComboCurrDir.text, "/sub");
  const int port = server.Port();
  server.Stop();
  ASSERT_TRUE(server.Start(port));
  f.ActionUploadExecute();
  EXPECT_EQ(ReadAll(root + "/sub/zuntextpure.txt"), ReadAll(f.PureTextPath));
  // libcurl may log in once by itself for the folder query before the pass reconnects.
  EXPECT_GE(f.FtpClientOf().LoginCount(), 2);
  EXPECT_LE(f.FtpClientOf().LoginCount(), 3);
  EXPECT_TRUE(f.Connected);
  EXPECT_EQ(f.ComboCurrDir.text, "/sub");

  // While it is down the pass says so and ends within the timeouts.
  server.Stop();
  prompter.Clear();
  const auto start = std::chrono::steady_clock::now();
  f.ActionUploadExecute();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_EQ(prompter.messages.size(), 1u);  // the reconnect step's reason and the verdict in one box
  EXPECT_NE(prompter.messages[0].find(ftp::kReconnectFailed), std::string::npos);
  EXPECT_FALSE(f.Uploading);
  EXPECT_FALSE(f.Connected);
  EXPECT_TRUE(f.TBConnect.enabled);
}

TEST_F(FormMainFtpTest, AnOutageUnderTheCycleOpensNoBoxAndPublishingResumesByItself) {
  CountingForm& f = PublishingIntoSub();
  ASSERT_EQ(f.ComboCurrDir.text, "/sub");
  ASSERT_TRUE(f.UploadedOnce);
  EXPECT_TRUE(f.Publish.lastUploadOk);

  const int port = server.Port();
  server.Stop();
  prompter.Clear();
  for (int i = 0; i < 4; ++i) {
    Append(race, Format("1,2,%d,1,1500000,1500000,90500000\n", 300 + i));
    f.Timer1Timer();
  }
  EXPECT_TRUE(prompter.messages.empty()) << "a box would hold the cycle until someone presses OK";
  EXPECT_TRUE(f.Publish.failing());
  EXPECT_EQ(f.Publish.failedAttempts, 4);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Failing);

  ASSERT_TRUE(server.Start(port));
  Append(race, "1,2,400,1,1600000,1600000,90600000\n");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/sub/zuntextpure.txt").find("1,2,400,1"), std::string::npos);
  EXPECT_FALSE(f.Publish.failing());
  EXPECT_TRUE(f.Publish.lastUploadOk);
  EXPECT_EQ(f.ComboCurrDir.text, "/sub");
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching);

  // Publishing goes on by itself with the next reading.
  Append(race, "1,2,401,1,1700000,1700000,90700000\n");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/sub/zuntextpure.txt").find("1,2,401,1"), std::string::npos);
  EXPECT_TRUE(prompter.messages.empty());
}

// A file the server would not take (a server may refuse to replace a file being downloaded)
// is sent again a few seconds on: after the race's last reading no change would bring it.
TEST_F(FormMainFtpTest, AFileTheServerRefusedIsSentAgainInALull) {
  std::time_t now = 1700000000;
  CountingForm& f = PublishingIntoSub([&now] { return now; });
  const std::string remote = root + "/sub/zuntextpure.txt";
  ASSERT_EQ(std::remove(remote.c_str()), 0);
  ASSERT_TRUE(CreateFolder(remote));  // the server cannot put the file in its place
  Append(race, "1,2,300,1,1500000,1500000,90500000\n");
  f.Timer1Timer();
  EXPECT_FALSE(f.Publish.lastUploadOk);
  EXPECT_TRUE(prompter.messages.empty());

  ASSERT_EQ(rmdir(remote.c_str()), 0);
  const int passes = f.passes;
  now += 1;
  f.Timer1Timer();
  EXPECT_EQ(f.passes, passes) << "not a pass every second";
  now += kQuietRetrySeconds;
  f.Timer1Timer();
  EXPECT_NE(ReadAll(remote).find("1,2,300,1"), std::string::npos);
  EXPECT_TRUE(f.Publish.lastUploadOk);
  now += kQuietRetrySeconds;
  f.Timer1Timer();
  EXPECT_EQ(f.passes, passes + 1) << "with everything sent, a quiet tick sends nothing";
}

TEST_F(FormMainFtpTest, AServerThatStopsAnsweringHoldsTheCycleForOneTimeoutOnly) {
  using Clock = std::chrono::steady_clock;
  const auto seconds = [](Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
  };
  CountingForm& f = PublishingIntoSub();
  ASSERT_TRUE(f.UploadedOnce);

  server.Pause();
  prompter.Clear();
  Append(race, "1,2,300,1,1500000,1500000,90500000\n");
  f.Timer1Timer();  // this pass waits out the timeout
  ASSERT_TRUE(f.Publish.failing());
  EXPECT_TRUE(f.Publish.awaitingServer);
  const int passes = f.passes;
  for (int i = 1; i <= 4; ++i) {
    Append(race, Format("1,2,%d,1,1500000,1500000,90500000\n", 300 + i));
    const auto t0 = Clock::now();
    f.Timer1Timer();
    EXPECT_LT(seconds(t0), 1.0) << "reading " << i << " waited for the silent server";
    EXPECT_EQ(f.Data.Grid.RowCount(), 5 + i);
  }
  EXPECT_EQ(f.passes, passes) << "no pass is sent into the silence";
  EXPECT_NE(ReadAll(TextDir() + "/zuntextpure.txt").find("1,2,304,1"), std::string::npos);
  EXPECT_NE(f.Cycle.text.find("(サーバー応答待ち)"), std::string::npos) << f.Cycle.text;
  EXPECT_TRUE(prompter.messages.empty());

  // The server comes back: the next reading goes out without the operator's hand.
  server.Resume();
  const auto t0 = Clock::now();
  bool published = false;
  for (int i = 0; !published && seconds(t0) < 10; ++i) {
    usleep(200 * 1000);
    Append(race, Format("1,2,%d,1,1600000,1600000,90600000\n", 400 + i));
    f.Timer1Timer();
    published = ReadAll(root + "/sub/zuntextpure.txt").find(Format("1,2,%d,1", 400 + i)) != std::string::npos;
  }
  EXPECT_TRUE(published);
  EXPECT_FALSE(f.Publish.failing());
  EXPECT_FALSE(f.Publish.awaitingServer);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainFtpTest, TheCyclesPassesIn999SendOnlyTheCountFilesThatChanged) {
  CountingForm& f = ShowAndOpen();
  f.RGUpLDOpt.itemIndex = 1;
  f.ActionPutCleanTextExecute();  // 001.csv and 002.csv
  f.HostEdited = false;
  f.LastHDir = "/sub";
  f.ActionConnectHostExecute();
  f.ActionUploadExecute();
  ASSERT_EQ(f.Publish.lastUploadSummary, "2/2 ﾌｧｲﾙ送信");
  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();

  Append(race, "1,1,124,2,2100000,2100000,91100000\n");  // bib 124's second lap: 002.csv only
  f.Timer1Timer();
  EXPECT_EQ(f.Publish.lastUploadSummary, "1/2 ﾌｧｲﾙ送信 (1 変更なし)");
  EXPECT_EQ(ReadAll(root + "/sub/002.csv"), ReadAll(TextDir() + "/999/002.csv"));
  EXPECT_EQ(ReadAll(root + "/sub/001.csv"), ReadAll(TextDir() + "/999/001.csv"));
  f.ActionUploadExecute();
  EXPECT_EQ(f.Publish.lastUploadSummary, "2/2 ﾌｧｲﾙ送信") << "a pass by hand sends everything";
}

TEST_F(FormMainFtpTest, TheCyclesPassesKeepTheOperatorsChoiceInTheServersList) {
  CountingForm& f = PublishingIntoSub();
  f.RemoteFileListV.selectedRows = {RowOf(f, "inner.csv")};
  const int passes = f.passes;
  Append(race, "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  ASSERT_EQ(f.passes, passes + 1);
  ASSERT_EQ(f.RemoteFileListV.selectedRows.size(), 1u);
  EXPECT_EQ(Captions(f).at(static_cast<size_t>(f.RemoteFileListV.selectedRows[0])), "inner.csv");
  EXPECT_EQ(f.RemoteFileListV.itemIndex, f.RemoteFileListV.selectedRows[0]);

  // So the operator's delete takes the file chosen, and only that one.
  prompter.answers = {true};
  f.RemoteDeleteClick();
  EXPECT_FALSE(FileExists(root + "/sub/inner.csv"));
  EXPECT_TRUE(FileExists(root + "/sub/zuntextpure.txt"));

  // So does the order the operator sorted it in, with the choice where the sort put it.
  for (const char* name : {"a.txt", "c.csv", "b.csv"}) WriteAll(root + "/sub/" + name, name);
  Append(race, "1,1,126,1,1300000,1300000,90300000\n");
  f.Timer1Timer();
  ASSERT_EQ(f.passes, passes + 2);
  const std::vector<std::string> serverOrder = Captions(f);
  ASSERT_EQ(serverOrder.size(), 4u);
  f.RemoteFileListVColumnClick(ftp::kColumnName);
  if (Captions(f) == serverOrder) f.RemoteFileListVColumnClick(ftp::kColumnName);
  const std::vector<std::string> sorted = Captions(f);
  ASSERT_NE(sorted, serverOrder);
  f.RemoteFileListV.selectedRows = {RowOf(f, "a.txt")};
  Append(race, "1,1,127,1,1400000,1400000,90400000\n");
  f.Timer1Timer();
  ASSERT_EQ(f.passes, passes + 3);
  EXPECT_EQ(Captions(f), sorted);
  EXPECT_EQ(f.RemoteFileListV.selectedRows, std::vector<int>{RowOf(f, "a.txt")});

  // An upload by hand still leaves the list as the server lists it, without a choice.
  f.RemoteFileListV.selectedRows = {RowOf(f, "zuntextpure.txt")};
  f.ActionUploadExecute();
  EXPECT_TRUE(f.RemoteFileListV.selectedRows.empty());
  EXPECT_EQ(Captions(f), serverOrder);
  Append(race, "1,1,128,1,1500000,1500000,90500000\n");
  f.Timer1Timer();
  EXPECT_EQ(Captions(f), serverOrder);
}

TEST_F(FormMainFtpTest, FieldsHalfEditedLeaveTheCyclesPassesOnTheLoginAndFolderInUse) {
  CountingForm& f = PublishingIntoSub();
  ASSERT_EQ(f.ComboCurrDir.text, "/sub");
  f.ComboCurrDir.text = "/emp";  // the operator is typing another folder
  const int passes = f.passes;
  Append(race, "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  ASSERT_EQ(f.passes, passes + 1);
  EXPECT_NE(ReadAll(root + "/sub/zuntextpure.txt").find("1,1,125,1"), std::string::npos);
  EXPECT_TRUE(f.Connected);
  EXPECT_FALSE(f.Publish.failing());
  EXPECT_EQ(f.ComboCurrDir.text, "/emp");
  EXPECT_EQ(f.FtpClientOf().LoginCount(), 1);

  // The folder typed whole is entered by the operator's own upload, and the cycle follows it.
  f.ComboCurrDir.text = "/emptydir";
  f.ActionUploadExecute();
  EXPECT_TRUE(FileExists(root + "/emptydir/zuntextpure.txt"));
  Append(race, "1,1,126,1,1300000,1300000,90300000\n");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/emptydir/zuntextpure.txt").find("1,1,126,1"), std::string::npos);
  EXPECT_EQ(f.ComboCurrDir.text, "/emptydir");
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();

  // So does a host or password half edited when the connection is lost: the cycle logs in again
  // with the login in use.
  const std::string host = f.EHost.text;
  f.EHost.text = "localho";
  f.EPassword.text = "sec";
  const int port = server.Port();
  server.Stop();
  ASSERT_TRUE(server.Start(port));
  Append(race, "1,1,127,1,1400000,1400000,90400000\n");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/emptydir/zuntextpure.txt").find("1,1,127,1"), std::string::npos);
  EXPECT_FALSE(f.Publish.failing());
  EXPECT_EQ(f.EHost.text, "localho");
  EXPECT_EQ(f.EPassword.text, "sec");
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();

  // The password changed on the server: the operator's own upload logs in with the new one typed,
  // and from then on the cycle logs in with that.
  server.Stop();
  test::FtpTestServer changed(root, "demo", "changed", dir.File("changed.log"));
  ASSERT_TRUE(changed.Start(port));
  f.EHost.text = host;
  f.EPassword.text = "changed";
  f.ActionUploadExecute();
  ASSERT_TRUE(f.Connected);
  f.EPassword.text = "chan";
  changed.Stop();
  ASSERT_TRUE(changed.Start(port));
  Append(race, "1,1,128,1,1500000,1500000,90500000\n");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/emptydir/zuntextpure.txt").find("1,1,128,1"), std::string::npos);
  EXPECT_FALSE(f.Publish.failing());
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
}

// The operator looks through the server's folders during the race: the cycle's passes do not send
// the race's files into each folder shown (another race's results, say), but wait, saying so,
// until the operator is back in the folder of the last upload by hand or uploads by hand elsewhere.
TEST_F(FormMainFtpTest, BrowsingAnotherFolderHoldsTheCyclesPassesUntilTheOperatorIsBackOrUploadsThere) {
  CountingForm& f = PublishingIntoSub();
  f.ActionUpDirectoryExecute();
  ASSERT_EQ(f.ComboCurrDir.text, "/");
  const int passes = f.passes;
  Append(race, "1,1,125,1,1200000,1200000,90200000\n");
  f.Timer1Timer();
  EXPECT_EQ(f.passes, passes);
  EXPECT_FALSE(FileExists(root + "/zuntextpure.txt"));
  EXPECT_EQ(ReadAll(root + "/sub/zuntextpure.txt").find("1,1,125,1"), std::string::npos);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Paused);
  EXPECT_NE(f.Cycle.text.find("送信停止: ｱﾌﾟﾛｰﾄﾞ先 /sub 以外のフォルダを表示中"), std::string::npos) << f.Cycle.text;
  // The operator's own press of the pure-text command explains in a box.
  f.ActionPutCleanTextExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{"ｱﾌﾟﾛｰﾄﾞ先 /sub 以外のフォルダを表示中"});
  prompter.Clear();
  EXPECT_FALSE(FileExists(root + "/zuntextpure.txt"));

  // Back in the folder, the next tick publishes what came meanwhile, with no new reading.
  f.RemoteFileListV.selectedRows = {RowOf(f, "sub")};
  f.RemoteFileListVDblClick();
  ASSERT_EQ(f.ComboCurrDir.text, "/sub");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/sub/zuntextpure.txt").find("1,1,125,1"), std::string::npos);
  EXPECT_EQ(f.Cycle.level, CycleLevel::Watching) << f.Cycle.text;
  const int passesBack = f.passes;
  f.Timer1Timer();
  EXPECT_EQ(f.passes, passesBack) << "once";

  // An upload by hand in another folder moves publishing there.
  f.ActionUpDirectoryExecute();
  f.ActionUploadExecute();
  Append(race, "1,1,127,1,1400000,1400000,90400000\n");
  f.Timer1Timer();
  EXPECT_NE(ReadAll(root + "/zuntextpure.txt").find("1,1,127,1"), std::string::npos);
  EXPECT_EQ(ReadAll(root + "/sub/zuntextpure.txt").find("1,1,127,1"), std::string::npos);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
}

TEST_F(FormMainFtpTest, TheCyclesPassesLeaveTheCountFileChosenForTheOperatorsOwnUpload) {
  CountingForm& f = ShowAndOpen();
  f.ActionPutCleanTextExecute();  // 001.csv, 002.csv
  f.RGUpLDOpt.itemIndex = 1;
  f.HostEdited = false;
  f.LastHDir = "/sub";
  f.ActionConnectHostExecute();
  ASSERT_EQ(f.Label1.fontColor, kColorRed);
  f.ActionUploadExecute();
  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = f.CBNeedCSV.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();

  // The operator chooses 002.csv to send it alone; readings come in before the press, one of them
  // a third lap that lists 003.csv.
  ASSERT_EQ(f.CheckListBox1.items.at(1), "002.csv");
  f.CheckListBox1.itemIndex = 1;
  const int passes = f.passes;
  Append(race, "1,1,124,2,2100000,2100000,91100000\n");
  f.Timer1Timer();
  Append(race, "1,1,123,3,3000000,3000000,92000000\n");
  f.Timer1Timer();
  Append(race, "1,1,125,1,3100000,3100000,92100000\n");  // a new file goes with the next pass
  f.Timer1Timer();
  ASSERT_EQ(f.passes, passes + 3);
  // The cycle published every change, not the chosen file alone, and the choice is still there.
  EXPECT_EQ(ReadAll(root + "/sub/002.csv"), ReadAll(TextDir() + "/999/002.csv"));
  EXPECT_EQ(ReadAll(root + "/sub/003.csv"), ReadAll(TextDir() + "/999/003.csv"));
  ASSERT_EQ(f.CheckListBox1.items.size(), 3u);
  ASSERT_EQ(f.CheckListBox1.itemIndex, 1);

  // The press sends the chosen file alone and then clears the choice.
  ASSERT_EQ(std::remove((root + "/sub/001.csv").c_str()), 0);
  ASSERT_EQ(std::remove((root + "/sub/002.csv").c_str()), 0);
  f.ActionUploadExecute();
  EXPECT_TRUE(FileExists(root + "/sub/002.csv"));
  EXPECT_FALSE(FileExists(root + "/sub/001.csv"));
  EXPECT_EQ(f.CheckListBox1.itemIndex, -1);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages.front();
}

TEST_F(FormMainFtpTest, CreateRenameAndDeleteThroughThePopUpMenu) {
  CountingForm& f = ShowAndOpen();
  f.ActionConnectHostExecute();
  prompter.inputs = {std::string("sub"), std::string("made"), std::string("   ")};
  f.MakeHDirClick();
  EXPECT_EQ(prompter.inputBoxes.back(), "ﾘﾓｰﾄﾌｫﾙﾀﾞを作成|ﾌｫﾙﾀﾞ名を入力して下さい。|");
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｫﾙﾀﾞは既に存在します。");
  f.MakeHDirClick();
  EXPECT_TRUE(DirectoryExists(root + "/made"));
  EXPECT_GE(RowOf(f, "made"), 0) << "an empty folder has a size on this server";
  f.MakeHDirClick();  // blanks: only the list is read again
  EXPECT_TRUE(f.RemoteFileListV.selectedRows.empty());

  f.RemoteFileListV.selectedRows = {RowOf(f, "a.txt")};
  prompter.inputs = {std::nullopt};  // cancel
  f.RemoteRenameClick();
  EXPECT_EQ(prompter.inputBoxes.back(), "ﾘﾓｰﾄﾌｧｲﾙ名変更|新しいﾌｧｲﾙ名に変更して下さい。|a.txt");
  EXPECT_TRUE(FileExists(root + "/a.txt"));
  f.RemoteFileListV.selectedRows = {RowOf(f, "a.txt")};
  prompter.inputs = {std::string("c.txt\r\nDELE b.csv")};
  f.RemoteRenameClick();
  EXPECT_TRUE(FileExists(root + "/a.txt") && FileExists(root + "/b.csv"));
  EXPECT_EQ(f.StatusBar1.items[2].find("ﾌｧｲﾙ数="), 0u);
  f.RemoteFileListV.selectedRows = {RowOf(f, "a.txt")};
  prompter.inputs = {std::string("c.txt")};
  f.RemoteRenameClick();
  EXPECT_EQ(ReadAll(root + "/c.txt"), "abc");
  EXPECT_GE(RowOf(f, "c.txt"), 0);
  f.RemoteFileListV.selectedRows = {RowOf(f, "c.txt"), RowOf(f, "b.csv")};
  prompter.inputs = {std::string("x")};
  f.RemoteRenameClick();  // two selected: no dialog
  EXPECT_EQ(prompter.inputBoxes.size(), 6u);

  // No answer: nothing; Yes: files and empty folders go, the full folder stays and is reported.
  f.RemoteFileListV.selectedRows = {RowOf(f, "b.csv")};
  f.RemoteDeleteClick();
  EXPECT_EQ(prompter.confirmations.back(), ftp::kDeleteConfirm);
  EXPECT_TRUE(FileExists(root + "/b.csv"));
  f.RemoteFileListV.selectedRows = {RowOf(f, "c.txt"), RowOf(f, "b.csv"), RowOf(f, "made"), RowOf(f, "sub")};
  std::sort(f.RemoteFileListV.selectedRows.begin(), f.RemoteFileListV.selectedRows.end());
  prompter.answers = {true};
  prompter.Clear();
  f.RemoteDeleteClick();
  EXPECT_FALSE(FileExists(root + "/c.txt") || FileExists(root + "/b.csv") || DirectoryExists(root + "/made"));
  EXPECT_TRUE(DirectoryExists(root + "/sub"));
  EXPECT_EQ(Captions(f).size(), 2u);  // emptydir and sub
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].substr(0, 4), "550 ");
  EXPECT_TRUE(f.Connected);
  EXPECT_TRUE(f.RemoteFileListV.selectedRows.empty());
}

TEST_F(FormMainFtpTest, ClosingWhileConnectedAsksThenDisconnects) {
  CountingForm& f = ShowAndOpen();
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected);
  prompter.answers = {true, false};
  EXPECT_FALSE(f.CloseWindow());  // Yes to "終了しますか ?", No to the disconnect: open and connected
  EXPECT_EQ(prompter.confirmations,
            (std::vector<std::string>{"終了しますか ?", "ホストに接続中です。\n切断してもいいですか？"}));
  EXPECT_TRUE(f.Connected);
  EXPECT_TRUE(f.Session().IsOpen());
  prompter.answers = {true, true};
  EXPECT_TRUE(f.CloseWindow());
  EXPECT_FALSE(f.Connected);
  EXPECT_FALSE(f.Session().IsOpen());
  EXPECT_EQ(f.LastHDir, "/");
}

// The session on its own thread, as in the window, connected to the server.
CountingForm& ThreadedAndConnected(std::unique_ptr<CountingForm>& form, test::FakePrompter& prompter,
                                   const std::string& executable, const std::string& race,
                                   const std::string& host, std::function<std::unique_ptr<ftp::FtpClient>()> client) {
  WriteAll(race, kRace);
  FormMainOptions options{executable, {}, {}, std::move(client), nullptr, [] {}};
  form = std::make_unique<CountingForm>(prompter, std::move(options));
  CountingForm& f = *form;
  f.FormShow();
  prompter.files.push_back(race);
  f.ActionOpenZunTextExecute();
  f.EHost.text = host;
  f.EUserId.text = "demo";
  f.EPassword.text = "secret";
  f.EHostChange();
  f.ActionConnectHostExecute();
  return f;
}

// Delivers the remote step's events until it has ended, at most `limit` seconds.
bool Settle(FormMain& f, double limit) {
  const auto t0 = std::chrono::steady_clock::now();
  while (f.RemoteBusy() && std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() < limit) {
    f.DeliverRemoteEvents();
    usleep(20 * 1000);
  }
  f.DeliverRemoteEvents();
  return !f.RemoteBusy();
}

// A server that stopped answering while the connection was idle never says goodbye: the close
// ends, thread and all, within seconds all the same.
TEST_F(FormMainFtpTest, ClosingWhileTheIdleServerIsStoppedEndsWithinSeconds) {
  CountingForm& f = ThreadedAndConnected(form, prompter, dir.File("bin/zuntexteditor"), race, server.Host(), nullptr);
  ASSERT_TRUE(Settle(f, 10));
  ASSERT_TRUE(f.Connected);
  server.Pause();
  prompter.answers = {true, true};
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(f.CloseWindow());
  form.reset();  // joins the session's thread
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(seconds, ftp::kGoodbyeSeconds + 2.0);
  server.Resume();
}

// A close while a step hangs waits for it and keeps saying so whatever the ticks show; nothing
// new starts meanwhile, and a No at the close's question ends the wait for good.
TEST_F(FormMainFtpTest, ClosingDuringAHungStepWaitsSaysSoAndAsksOnce) {
  CountingForm& f = ThreadedAndConnected(form, prompter, dir.File("bin/zuntexteditor"), race, server.Host(),
                                         [] { return std::make_unique<ftp::CurlFtpClient>(ftp::CurlTimeouts{3, 3, 3}); });
  ASSERT_TRUE(Settle(f, 10));
  f.ActionPutCleanTextExecute();
  server.Pause();
  f.ActionUploadExecute();
  ASSERT_TRUE(f.RemoteBusy());
  f.WaitToClose();
  f.WaitToClose();  // a second click
  f.Timer1Timer();
  f.ShowStatus("a tick's text");
  EXPECT_EQ(f.StatusBar1.items[2], kMsgClosingAfterRemote);
  ASSERT_TRUE(Settle(f, 20)) << "the hung upload ends at the client's timeout";
  EXPECT_EQ(f.StatusBar1.items[2], kMsgClosingAfterRemote);
  const int passes = f.passes;
  f.ActionUploadExecute();
  EXPECT_FALSE(f.RemoteBusy()) << "nothing new starts while the window waits to close";
  EXPECT_EQ(f.passes, passes + 1);
  prompter.Clear();
  prompter.answers = {false};
  EXPECT_FALSE(f.CloseWindow());
  EXPECT_FALSE(f.WaitingToClose());
  EXPECT_EQ(prompter.confirmations, std::vector<std::string>{"終了しますか ?"});
  f.ShowStatus("a later text");
  EXPECT_EQ(f.StatusBar1.items[2], "a later text");
  server.Resume();
}

// A close during an outage says that the site is behind; once the server is back, the close's
// last turn of the cycle sends the reading of the last second, and nothing is said.
TEST_F(FormMainFtpTest, ClosingTellsWhetherTheSiteHasTheLastReading) {
  CountingForm& f = PublishingIntoSub();
  const int port = server.Port();
  server.Stop();
  Append(race, "1,2,300,1,1500000,1500000,90500000\n");
  f.Timer1Timer();
  ASSERT_TRUE(f.Publish.failing());
  prompter.Clear();
  prompter.answers = {true, false};
  EXPECT_FALSE(f.CloseWindow());
  const std::string behind = "サイトにはまだ最新の結果が届いていません。";
  ASSERT_EQ(prompter.confirmations.size(), 2u);
  EXPECT_EQ(prompter.confirmations[0], "終了しますか ?");
  EXPECT_EQ(prompter.confirmations[1], behind + "\n終了してもいいですか？");
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_FALSE(f.Closed);

  ASSERT_TRUE(server.Start(port));
  Append(race, "1,2,301,1,1600000,1600000,90600000\n");
  prompter.Clear();
  prompter.answers = {true, true};
  EXPECT_TRUE(f.CloseWindow());
  EXPECT_NE(ReadAll(root + "/sub/zuntextpure.txt").find("1,2,301,1"), std::string::npos);
  EXPECT_EQ(ReadAll(root + "/sub/zuntextpure.txt"), ReadAll(f.PureTextPath));
  ASSERT_FALSE(prompter.confirmations.empty());
  EXPECT_EQ(prompter.confirmations[0], "終了しますか ?");
  for (const std::string& asked : prompter.confirmations) EXPECT_EQ(asked.find(behind), std::string::npos) << asked;
  EXPECT_FALSE(f.Connected);
}

// ---------------------------------------------------------------- through a scripted client

class ScriptedClient final : public ftp::FtpClient {
 public:
  std::map<std::string, std::deque<ftp::FtpError>> results;  // per operation, used up in order; then ok
  std::vector<ftp::FtpEntry> listing;
  std::vector<std::string> puts;
  std::string cwd = "/";
  bool connected = false;
  int logins = 0;

  ftp::FtpError Next(const std::string& op) {
    auto& q = results[op];
    if (q.empty()) return {};
    ftp::FtpError e = q.front();
    q.pop_front();
    return e;
  }
  void SetNoticeHandler(ftp::FtpNoticeFn) override {}
  ftp::FtpError Initialize() override { return Next("Initialize"); }
  ftp::FtpError Connect(const std::string&, const std::string&, const std::string&) override {
    ftp::FtpError e = Next("Connect");
    connected = e.ok();
    logins += connected;
    return e;
  }
  ftp::FtpError Disconnect() override {
    connected = false;
    return {};
  }
  bool IsConnected() const override { return connected; }
  ftp::FtpError List(const std::string&, std::vector<ftp::FtpEntry>& entries) override {
    entries = listing;
    return Next("List");
  }
  ftp::FtpError PutFile(const std::string& local, const std::string& remote) override {
    puts.push_back(local + ">" + remote);
    return Next("PutFile");
  }
  ftp::FtpError DeleteFile(const std::string&) override { return Next("DeleteFile"); }
  ftp::FtpError CreateDirectory(const std::string&) override { return Next("CreateDirectory"); }
  ftp::FtpError RemoveDirectory(const std::string&) override { return Next("RemoveDirectory"); }
  ftp::FtpError Rename(const std::string&, const std::string&) override { return Next("Rename"); }
  ftp::FtpError ChangeDirectory(const std::string& path) override {
    ftp::FtpError e = Next("ChangeDirectory");
    if (e.ok()) cwd = path;
    return e;
  }
  ftp::FtpError CurrentDirectory(std::string& path) override {
    path = cwd;
    return Next("CurrentDirectory");
  }
  int LoginCount() const override { return logins; }
};

class FormMainScriptedFtpTest : public ::testing::Test {
 protected:
  FormMain& Show() {
    mkdir(dir.File("bin").c_str(), 0777);
    FormMainOptions options{dir.File("bin/zuntexteditor"), {}, dir.Path(), [this] {
                              auto c = std::make_unique<ScriptedClient>();
                              client = c.get();
                              return c;
                            }};
    form = std::make_unique<FormMain>(prompter, std::move(options));
    form->FormShow();
    form->EHost.text = "host";
    form->EUserId.text = "u";
    form->EPassword.text = "p";
    return *form;
  }
  static ftp::FtpEntry Entry(const std::string& name, uint64_t size, bool folder = false, int day = 1) {
    ftp::FtpEntry e;
    e.name = name;
    e.size = size;
    e.isFolder = folder;
    e.modified = ftp::FtpTime{2024, 5, day, 10, 0, 0};
    return e;
  }

  test::TempDir dir;
  Prompts prompter;
  ScriptedClient* client = nullptr;
  std::unique_ptr<FormMain> form;
};

TEST_F(FormMainScriptedFtpTest, MissingInputsAndAFailedStartOfTheSession) {
  FormMain& f = Show();
  f.EPassword.text = "";
  f.ActionConnectHostExecute();
  f.EUserId.text = "";
  f.ActionConnectHostExecute();
  f.EHost.text = "";
  f.ActionConnectHostExecute();
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"パスワードを入力して下さい。", "ユーザー名を入力して下さい。",
                                                          "ホスト名を入力して下さい。"}));
  f.EHost.text = f.EUserId.text = f.EPassword.text = " ";  // blanks are text
  f.HostEdited = true;
  client->results["Initialize"].push_back({12001, ""});
  prompter.Clear();
  f.ActionConnectHostExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{ftp::kCannotContinue});
  EXPECT_EQ(f.StatusBar1.items[2], "InternetOpen失敗: 12001\n ");
  EXPECT_FALSE(f.Connected);
  EXPECT_TRUE(f.HostEdited);
}

TEST_F(FormMainScriptedFtpTest, MissingUploadFolderGreysTheRemoteControls) {
  FormMain& f = Show();
  client->listing = {Entry("a.txt", 3)};
  RemoveFile(f.PureTextPath);
  rmdir(f.Dir000.c_str());
  f.RGUpLDOpt.itemIndex = 2;
  f.ActionConnectHostExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{f.Dir000 + "\nが見つかりません"});
  // The connect workflow ends connected all the same; the next upload finds no 000.csv to send.
  EXPECT_TRUE(f.Connected);
  EXPECT_EQ(f.Label2.fontColor, f.LabelColor);
  f.UploadOutputs();
  EXPECT_TRUE(client->puts.empty());
  EXPECT_FALSE(f.UploadedOnce);
  EXPECT_FALSE(f.Uploading);
  f.RemoteFileListV.selectedRows = {0};
  f.RemoteFileListVDblClick();  // a file: stays, and the missing folder greys the controls
  EXPECT_EQ(prompter.messages.size(), 2u);
  EXPECT_TRUE(f.Connected);  // the step itself ends connected
}

TEST_F(FormMainScriptedFtpTest, UploadOfAMissingLocalFileShowsItsPathThenTheStatus) {
  FormMain& f = Show();
  WriteAll(f.PureTextPath, "1\r\n");
  f.ActionConnectHostExecute();
  client->results["PutFile"].push_back({ftp::kFtpFileNotFound, ""});
  f.ActionUploadExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{f.PureTextPath + " が見つかりませんでした"});
  EXPECT_FALSE(f.UploadedOnce);  // nothing was sent: the automatic upload stays off
  client->results["PutFile"].push_back({ftp::kFtpSharingViolation, ""});
  f.ActionUploadExecute();
  // The listing after the upload wrote the count; the sharing report came before it.
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=0");
  EXPECT_EQ(client->puts.size(), 2u);
  EXPECT_EQ(client->puts[0], f.PureTextPath + ">zuntextpure.txt");
}

TEST_F(FormMainScriptedFtpTest, ColumnClicksSortAndKeepTheSelection) {
  FormMain& f = Show();
  client->listing = {Entry("b.csv", 10, false, 3), Entry("A.txt", 9, false, 1), Entry("dir", 4096, true, 2),
                     Entry("c.csv", 100, false, 2)};
  f.ActionConnectHostExecute();
  EXPECT_EQ(Captions(f), (std::vector<std::string>{"b.csv", "A.txt", "dir", "c.csv"}));
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=3 (Dir=1)");
  f.RemoteFileListV.selectedRows = {1};  // A.txt
  f.RemoteFileListVColumnClick(ftp::kColumnSize);
  EXPECT_EQ(Captions(f), (std::vector<std::string>{"dir", "A.txt", "b.csv", "c.csv"}));
  f.RemoteFileListVColumnClick(ftp::kColumnSize);
  EXPECT_EQ(Captions(f), (std::vector<std::string>{"c.csv", "b.csv", "A.txt", "dir"}));
  EXPECT_EQ(f.RemoteFileListV.selectedRows, std::vector<int>{2});
  f.RemoteFileListVColumnClick(ftp::kColumnName);  // first click on the name: descending
  EXPECT_EQ(Captions(f), (std::vector<std::string>{"dir", "c.csv", "b.csv", "A.txt"}));
  f.RemoteFileListVColumnClick(ftp::kColumnName);
  EXPECT_EQ(Captions(f), (std::vector<std::string>{"A.txt", "b.csv", "c.csv", "dir"}));
  EXPECT_EQ(f.RemoteFileListV.selectedRows, std::vector<int>{0});
  EXPECT_EQ(f.RemoteFileListV.rows[3].imageIndex, ftp::kFolderImage);
  EXPECT_EQ(f.RemoteFileListV.rows[3].cells[2], "0");
  EXPECT_EQ(f.RemoteSortColumn, ftp::kColumnName);
}

TEST_F(FormMainScriptedFtpTest, RemovingAFolderThatIsNotEmptyReportsCode145) {
  FormMain& f = Show();
  client->listing = {Entry("full", 4096, true), Entry("x.csv", 1)};
  f.ActionConnectHostExecute();
  client->results["RemoveDirectory"].push_back({ftp::kFtpDirNotEmpty, ""});
  f.RemoteFileListV.selectedRows = {0, 1};
  prompter.answers = {true};
  f.RemoteDeleteClick();
  EXPECT_TRUE(prompter.messages.empty());  // 145 is a status only
  // The folder shown after the deletions still counts as the listing before them.
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=1 (Dir=1)");
  EXPECT_TRUE(f.Connected);
  EXPECT_TRUE(f.RemoteFileListV.selectedRows.empty());
}

TEST_F(FormMainScriptedFtpTest, ClosingWithoutAConnectionKeepsTheRememberedFolder) {
  FormMain& f = Show();
  f.LastHDir = "/results";
  prompter.answers = {true};
  EXPECT_TRUE(f.CloseWindow());
  EXPECT_EQ(prompter.confirmations, std::vector<std::string>{"終了しますか ?"});
  EXPECT_EQ(f.LastHDir, "/results");
  EXPECT_EQ(client->logins, 0);
}

}  // namespace
}  // namespace zun
