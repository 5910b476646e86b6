// The window and the host file: the password filled in at start, the host stored at close, and
// the host dialog with its answers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "FakePrompter.h"
#include "TempDir.h"
#include "app/FormMain.h"
#include "hosts/Ecypt.h"
#include "hosts/Hostlist.h"
#include "platform/Cp932.h"
#include "platform/Profile.h"

namespace zun {
namespace {

using test::FakePrompter;
using test::ReadAll;
using test::TempDir;
using test::WriteAll;

std::string Bytes(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return out;
}

// A record laid out by hand: used flag, then five zero-padded 80-byte fields.
std::string Record(std::string_view host, std::string_view user, std::string_view stored, std::string_view local = "",
                   std::string_view remote = "") {
  std::string r(401, '\0');
  r[0] = 1;
  r.replace(1, host.size(), host);
  r.replace(81, user.size(), user);
  r.replace(161, stored.size(), stored);
  r.replace(241, local.size(), local);
  r.replace(321, remote.size(), remote);
  return r;
}

class FormMainHosts : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir.File("bin").c_str(), 0777);
    exe = dir.File("bin/zuntexteditor");
    hostFile = dir.File("bin/zuntexteditor.H$$");
  }
  void Remember(const std::string& host, const std::string& user) {
    Profile ini(exe + ".INI");
    ini.WriteString("Params", "HostName", host);
    ini.WriteString("Params", "UserID", user);
    ASSERT_EQ(ini.Save(), SaveResult::Ok);
  }
  FormMain& Show() {
    FormMainOptions options;
    options.ExecutablePath = exe;
    options.CurrentDirectory = dir.Path();
    form = std::make_unique<FormMain>(prompter, options);
    form->FormShow();
    return *form;
  }
  HostTable Stored() {
    HostTable table;
    EXPECT_TRUE(LoadHostTable(table, hostFile, false).read);
    return table;
  }

  TempDir dir;
  FakePrompter prompter;
  std::string exe, hostFile;
  std::unique_ptr<FormMain> form;
};

TEST_F(FormMainHosts, HostFileSitsBesideTheSettingsFile) {
  FormMain& f = Show();
  EXPECT_EQ(f.HostFilePath(), hostFile);
  EXPECT_EQ(f.SettingsPath(), exe + ".INI");
}

TEST_F(FormMainHosts, HostFileOfTheWorkedValuesGivesItsPasswordsBack) {
  const std::string pasu = "\x83\x70\x83\x58";  // パス in CP932
  WriteAll(hostFile, Record("ftp.a.jp", "u1", Bytes("9f0bc9de135e7fbc44")) +
                         Record("ftp.a.jp", "u2", Bytes("9c59d9df01452cd8")) +
                         Record("ftp.b.jp", "u3", Bytes("6c1a39f564")) + Record("ftp.b.jp", "u4", Bytes("8e")));
  const struct {
    const char* user;
    std::string password;  // UTF-8, as the edit shows it
  } cases[] = {{"u1", "password"}, {"u2", "s3cret!"}, {"u3", "パス"}, {"u4", "aj"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user);
    Remember(c.user == std::string("u1") || c.user == std::string("u2") ? "ftp.a.jp" : "ftp.b.jp", c.user);
    FormMain& f = Show();
    EXPECT_EQ(f.EPassword.text, c.password);
    EXPECT_TRUE(f.HostEdited);
  }
  EXPECT_EQ(Utf8FromCp932(DecipherPassword(Bytes("6c1a39f564"))), "パス");
  EXPECT_EQ(EncipherPassword(pasu), Bytes("6c1a39f564"));
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainHosts, PasswordIsFilledInOnlyForTheExactHostAndAGivenUser) {
  WriteAll(hostFile, Record("Host", "op", Bytes("9f0bc9de135e7fbc44")) + Record("blank", "", Bytes("9f0bc9de135e7fbc44")));

  Remember("Host", "op");
  FormMain& found = Show();
  EXPECT_EQ(found.CipheredPassword, Bytes("9f0bc9de135e7fbc44"));
  EXPECT_EQ(found.EPassword.text, "password");
  EXPECT_TRUE(found.HostEdited);

  for (const auto& [host, user] : {std::pair{"host", "op"}, std::pair{"Host", "OP"}, std::pair{"blank", ""}}) {
    SCOPED_TRACE(std::string(host) + "/" + user);
    Remember(host, user);
    FormMain& f = Show();
    EXPECT_EQ(f.CipheredPassword, "");
    EXPECT_EQ(f.EPassword.text, "");
    EXPECT_FALSE(f.HostEdited);
  }
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainHosts, ClosingStoresTheHostAndTheSettingsKeepNoPassword) {
  FormMain& f = Show();
  f.EHost.text = "ホスト.jp";
  f.EUserId.text = "op";
  f.EPassword.text = "password";
  f.LastLDir = "/home/op/TXT";
  f.LastHDir = "/www/results";
  f.FormClose();

  const std::string bytes = ReadAll(hostFile);
  ASSERT_EQ(bytes.size(), 401u);
  EXPECT_EQ(bytes, Record(Cp932FromUtf8("ホスト.jp"), "op", Bytes("9f0bc9de135e7fbc44"), "/home/op/TXT", "/www/results"));
  struct stat st {};
  ASSERT_EQ(stat(hostFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(f.CipheredPassword, Bytes("9f0bc9de135e7fbc44"));
  EXPECT_EQ(ReadAll(exe + ".INI").find("password"), std::string::npos);
  EXPECT_TRUE(prompter.messages.empty());

  // The next start finds it again; a second close updates the entry instead of adding one.
  FormMain& again = Show();
  EXPECT_EQ(again.EHost.text, "ホスト.jp");
  EXPECT_EQ(again.EPassword.text, "password");
  again.EPassword.text = "s3cret!";
  again.LastHDir = "/www/other";
  again.FormClose();
  const HostTable table = Stored();
  EXPECT_EQ(table.UsedCount(), 1);
  EXPECT_EQ(table.entries[0].password, Bytes("9c59d9df01452cd8"));
  EXPECT_EQ(table.entries[0].remoteDir, "/www/other");
}

TEST_F(FormMainHosts, ClosingWithoutAHostOrWithATooLongFieldStoresNothing) {
  FormMain& f = Show();
  f.EHost.text = "  ";
  f.FormClose();
  EXPECT_FALSE(FileExists(hostFile));

  WriteAll(hostFile, Record("kept", "u", Bytes("8e")));
  FormMain& g = Show();
  g.EHost.text = "h";
  g.LastHDir = "/" + std::string(79, 'x');
  g.FormClose();
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_NE(prompter.messages[0].find("リモートフォルダ"), std::string::npos);
  EXPECT_EQ(ReadAll(hostFile), Record("kept", "u", Bytes("8e")));
}

TEST_F(FormMainHosts, SavingTheSettingsEnciphersThePassword) {
  FormMain& f = Show();
  f.EPassword.text = "s3cret!";
  EXPECT_TRUE(f.SaveSettings());
  EXPECT_EQ(f.CipheredPassword, Bytes("9c59d9df01452cd8"));
  EXPECT_EQ(ReadAll(exe + ".INI").find("s3cret"), std::string::npos);
}

TEST_F(FormMainHosts, HostDialogIsRefusedWhileConnected) {
  WriteAll(hostFile, Record("h", "u", Bytes("8e")));
  FormMain& f = Show();
  f.Connected = true;
  f.OpenHostListExecute();
  EXPECT_EQ(prompter.hostDialogs, 0);
  EXPECT_EQ(prompter.messages, std::vector<std::string>{kMsgHostListWhileConnected});
}

TEST_F(FormMainHosts, ChoosingAHostFillsTheFiveFields) {
  WriteAll(hostFile, Record("one.jp", "u1", Bytes("9f0bc9de135e7fbc44"), "/l1", "/r1") +
                         Record("two.jp", "u2", Bytes("6c1a39f564"), "/l2", "/r2"));
  const std::string before = ReadAll(hostFile);
  FormMain& f = Show();
  ASSERT_FALSE(f.HostEdited);
  prompter.onHostDialog = [](HostForm& form) {
    EXPECT_EQ(form.Tag(), -1);
    EXPECT_EQ(form.DeleteTag(), -1);
    form.ButtonSetClick(1, [](const std::string&) { return true; });
  };
  f.OpenHostListExecute();

  EXPECT_EQ(prompter.hostDialogs, 1);
  ASSERT_EQ(prompter.hostDialogRows.size(), 2u);
  EXPECT_EQ(prompter.hostDialogRows[0].host, "one.jp");
  EXPECT_EQ(prompter.hostDialogRows[1].user, "u2");
  EXPECT_EQ(f.EHost.text, "two.jp");
  EXPECT_EQ(f.EUserId.text, "u2");
  EXPECT_EQ(f.EPassword.text, "パス");
  EXPECT_EQ(f.LastLDir, "/l2");
  EXPECT_EQ(f.LastHDir, "/r2");
  EXPECT_TRUE(f.HostEdited);
  EXPECT_EQ(ReadAll(hostFile), before);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(FormMainHosts, ClosingTheDialogChangesNothing) {
  WriteAll(hostFile, Record("one.jp", "u1", Bytes("8e")));
  Remember("one.jp", "u1");
  FormMain& f = Show();
  f.HostEdited = false;
  f.OpenHostListExecute();  // the fake closes it by its title bar
  EXPECT_EQ(prompter.hostDialogs, 1);
  EXPECT_EQ(f.EHost.text, "one.jp");
  EXPECT_EQ(f.EPassword.text, "aj");
  EXPECT_FALSE(f.HostEdited);
  EXPECT_EQ(ReadAll(hostFile), Record("one.jp", "u1", Bytes("8e")));
}

TEST_F(FormMainHosts, DeletingInTheDialog) {
  WriteAll(hostFile, Record("one.jp", "u1", Bytes("8e")) + Record("two.jp", "u2", Bytes("8e")));
  Remember("two.jp", "u2");
  FormMain& f = Show();
  int row = 1;
  prompter.onHostDialog = [&row](HostForm& form) { form.ButtonDeleteClick(row, [](const std::string&) { return true; }); };

  // The host in the edits is in use, even without a connection.
  f.OpenHostListExecute();
  EXPECT_EQ(prompter.messages, std::vector<std::string>{kMsgHostInUse});
  EXPECT_EQ(Stored().UsedCount(), 2);

  row = 0;
  f.OpenHostListExecute();
  EXPECT_EQ(ReadAll(hostFile), Record("two.jp", "u2", Bytes("8e")));

  // The only host left really goes once the edits name another one.
  f.EHost.text = "other";
  f.OpenHostListExecute();
  EXPECT_TRUE(FileExists(hostFile));
  EXPECT_EQ(ReadAll(hostFile), "");
  EXPECT_EQ(f.EHost.text, "other");
  EXPECT_EQ(prompter.messages.size(), 1u);
}

}  // namespace
}  // namespace zun
