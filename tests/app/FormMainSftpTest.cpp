// The window publishing to an sftp:// host: OpenSSH's sshd on the loopback, the operator's
// first contact with its key, uploads by hand and the cycle's passes on one login.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "FakePrompter.h"
#include "SshTestServer.h"
#include "TempDir.h"
#include "app/FormMain.h"
#include "ftp/HostClient.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Text.h"

namespace zun {
namespace {

using test::ReadAll;
using test::SshTestServer;
using test::WriteAll;

void Append(const std::string& path, const std::string& line) {
  std::ofstream out(path, std::ios::app | std::ios::binary);
  out << line;
}

class FormMainSftpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir.File("bin").c_str(), 0777);
    mkdir(dir.File("race").c_str(), 0777);
    mkdir(dir.File("home").c_str(), 0700);
    ASSERT_TRUE(CreateFolder(root) && CreateFolder(root + "/site"));
    WriteAll(root + "/a.txt", "abc");
    if (!server.Start()) GTEST_SKIP() << server.Why();
    // The window remembers keys in the user's own known_hosts: here a fresh home.
    const char* home = std::getenv("HOME");
    savedHome = home ? home : "";
    setenv("HOME", dir.File("home").c_str(), 1);
  }
  void TearDown() override { setenv("HOME", savedHome.c_str(), 1); }

  std::unique_ptr<FormMain> Show() {
    FormMainOptions options{dir.File("bin/zuntexteditor"), {}, dir.Path(),
                            [] { return std::make_unique<ftp::HostClient>(ftp::CurlTimeouts{5, 5, 5}); }, nullptr};
    auto form = std::make_unique<FormMain>(prompter, std::move(options));
    form->FormShow();
    return form;
  }
  FormMain& ShowAndOpen() {
    WriteAll(race, "1,1,123,1,1000000,1000000,90000000\n1,1,124,1,1100000,1100000,90100000\n");
    form = Show();
    prompter.files.push_back(race);
    form->ActionOpenZunTextExecute();
    form->EHost.text = server.Host();
    form->EUserId.text = SshTestServer::kUser;
    form->EPassword.text = SshTestServer::kPassword;
    form->EHostChange();
    return *form;
  }
  std::string KnownHosts() const { return dir.File("home/.ssh/known_hosts"); }

  test::TempDir dir;
  std::string root = dir.File("root");
  std::string race = dir.File("race/zuntext.txt");
  SshTestServer server{dir.Path(), root};
  std::string savedHome;
  test::FakePrompter prompter;
  std::unique_ptr<FormMain> form;
};

TEST_F(FormMainSftpTest, FirstContactAsksOnceThenUploadsByHandAndTheCycleGoOutOnOneLogin) {
  FormMain& f = ShowAndOpen();
  prompter.answers = {false};
  f.ActionConnectHostExecute();
  EXPECT_FALSE(f.Connected);
  ASSERT_EQ(prompter.confirmations.size(), 1u);
  EXPECT_NE(prompter.confirmations[0].find(server.Host()), std::string::npos) << prompter.confirmations[0];
  EXPECT_NE(prompter.confirmations[0].find(server.Fingerprint()), std::string::npos) << prompter.confirmations[0];
  EXPECT_FALSE(std::ifstream(KnownHosts()).good());
  EXPECT_EQ(server.Logins(), 0);

  prompter.Clear();
  prompter.answers = {true};
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected) << (prompter.messages.empty() ? "" : prompter.messages.back());
  EXPECT_EQ(prompter.confirmations.size(), 1u);
  EXPECT_NE(ReadAll(KnownHosts()).find("[127.0.0.1]:" + std::to_string(server.Port()) + " ssh-ed25519 "),
            std::string::npos);
  EXPECT_EQ(f.ComboCurrDir.text, root);
  EXPECT_EQ(f.StatusBar1.items[2], "ﾌｧｲﾙ数=1 (Dir=1)");

  f.ActionDisconnectHostExecute();
  f.HostEdited = false;
  f.LastHDir = root + "/site";
  f.ActionConnectHostExecute();
  ASSERT_EQ(f.ComboCurrDir.text, root + "/site");
  f.ActionPutCleanTextExecute();
  f.ActionUploadExecute();
  const std::string remote = root + "/site/zuntextpure.txt";
  EXPECT_NE(ReadAll(remote).find("1,1,124,1"), std::string::npos);
  EXPECT_TRUE(prompter.messages.empty()) << prompter.messages[0];

  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();
  for (int i = 0; i < 5; ++i) {
    Append(race, Format("1,2,%d,1,1500000,1500000,90500000\n", 300 + i));
    f.Timer1Timer();
    EXPECT_NE(ReadAll(remote).find(Format("1,2,%d,1", 300 + i)), std::string::npos)
        << i << " " << f.StatusBar1.items[2] << " | " << f.Publish.lastUploadSummary;
  }
  EXPECT_TRUE(f.Publish.lastUploadOk);
  EXPECT_EQ(server.Logins(), 2);  // the first connect and the one into the folder
  EXPECT_TRUE(prompter.messages.empty());

  // The host list keeps the scheme as it was typed.
  f.CBAuto.checked = false;
  f.CBAutoClick();
  f.ActionDisconnectHostExecute();
  auto again = Show();
  bool found = false;
  for (const HostEntry& e : again->Hosts.entries) found = found || e.hostName == server.Host();
  EXPECT_TRUE(found);
}

TEST_F(FormMainSftpTest, AKeyChangedUnderTheCycleTurnsItRedWithoutABoxAndIsRefusedByHandInOne) {
  FormMain& f = ShowAndOpen();
  prompter.answers = {true};
  f.ActionConnectHostExecute();
  ASSERT_TRUE(f.Connected);
  f.ActionPutCleanTextExecute();
  f.ActionUploadExecute();
  f.CBAuto.checked = f.CBPure.checked = f.CBFtp.checked = true;
  f.CBAutoClick();
  f.Timer1Timer();
  ASSERT_TRUE(f.Publish.lastUploadOk);
  const int logins = server.Logins();
  const std::string known = ReadAll(KnownHosts());

  // Another server answers on the same address with another key.
  server.Stop();
  server.RenewHostKey();
  ASSERT_TRUE(server.Start(true, server.Port()));
  prompter.Clear();
  for (int i = 0; i < 3; ++i) {
    Append(race, Format("1,2,%d,1,1500000,1500000,90500000\n", 300 + i));
    f.Timer1Timer();
  }
  EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0];
  EXPECT_TRUE(f.Publish.failing());
  EXPECT_EQ(f.Cycle.level, CycleLevel::Failing);
  EXPECT_EQ(server.Logins(), logins);
  EXPECT_NE(f.Publish.lastServerReply.find("なりすまし"), std::string::npos) << f.Publish.lastServerReply;
  EXPECT_NE(f.Cycle.text.find("なりすまし"), std::string::npos) << f.Cycle.text;

  // The operator connects anew: one box says why, and nothing is asked.
  f.CBAuto.checked = false;
  f.CBAutoClick();
  f.ActionDisconnectHostExecute();
  prompter.answers = {true};
  f.ActionConnectHostExecute();
  EXPECT_FALSE(f.Connected);
  EXPECT_TRUE(prompter.confirmations.empty()) << "a changed key is never asked about";
  ASSERT_EQ(prompter.messages.size(), 2u);
  EXPECT_EQ(prompter.messages[1], ftp::kHostOpenFailed);
  EXPECT_NE(prompter.messages[0].find("なりすまし"), std::string::npos) << prompter.messages[0];
  EXPECT_NE(prompter.messages[0].find(server.Fingerprint()), std::string::npos);
  EXPECT_EQ(server.Logins(), logins);
  EXPECT_EQ(ReadAll(KnownHosts()), known);
}

}  // namespace
}  // namespace zun
