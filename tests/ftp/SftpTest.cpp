// sftp:// hosts against OpenSSH's sshd on the loopback: publishing, the remote browser's
// operations, host keys and the logins users get wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SshTestServer.h"
#include "TempDir.h"
#include "ftp/FtpSession.h"
#include "ftp/HostClient.h"
#include "ftp/KnownHosts.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::ftp {
namespace {

using test::ReadAll;
using test::SshTestServer;
using test::WriteAll;
namespace fs = std::filesystem;

class SftpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateFolder(local_));
    if (!server_.Start()) GTEST_SKIP() << server_.Why();
    known_ = server_.KnownHostsFile();
    client_.SetSshSettings({"", known_, nullptr});
  }
  bool Open(const std::string& password = SshTestServer::kPassword) {
    return session_.OpenInternet() && session_.Open(server_.Host(), SshTestServer::kUser, password);
  }
  UploadPassResult Pass(const std::vector<std::string>& names) {
    auto msg = [this](const std::string& m) { messages_.push_back(m); };
    EnsureConnection(session_, {server_.Host(), SshTestServer::kUser, SshTestServer::kPassword, root_},
                     [&] { return OpenInternetSession(session_, {}, msg); }, msg);
    UploadPlan plan;
    plan.Kind = UploadKind::UncheckedEntries;
    for (const auto& n : names) plan.Files.push_back({local_ + "/" + n, n});
    return SendUploadPlan(session_, plan);
  }
  bool Has(const std::string& text) const {
    return std::find(statuses_.begin(), statuses_.end(), text) != statuses_.end();
  }
  std::string AllMessages() const {
    std::string all;
    for (const auto& m : messages_) all += m + "\n";
    return all;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const RemoteItem& item : session_.Items()) names.push_back(item.Name);
    return names;
  }

  test::TempDir dir_;
  std::string root_ = dir_.File("root");
  std::string local_ = dir_.File("local");
  SshTestServer server_{dir_.Path(), root_};
  std::string known_;
  HostClient client_{CurlTimeouts{5, 5, 5}};
  std::vector<std::string> statuses_, messages_;
  FtpSession session_{client_, FtpSessionHooks{[this](const std::string& s) { statuses_.push_back(s); },
                                               [this](const std::string& m) { messages_.push_back(m); },
                                               {},
                                               [this] { return root_; },
                                               {}}};
};

TEST_F(SftpTest, PassesOfFiftyFilesReplaceEveryFileWholeOnOneLogin) {
  ASSERT_TRUE(Open()) << AllMessages();
  std::string home;
  ASSERT_TRUE(session_.GetCurrentDirectory(home));
  EXPECT_EQ(home, root_);
  std::vector<std::string> names;
  for (int round = 0; round < 2; ++round) {
    names.clear();
    for (int i = 1; i <= 50; ++i) {
      names.push_back(Format("%03d.csv", i));
      WriteAll(local_ + "/" + names.back(), std::string(100 * i + round, 'a' + round) + names.back());
    }
    const UploadPassResult r = Pass(names);
    ASSERT_EQ(r.Sent, 50) << r.ConnectionFailure.message << AllMessages();
  }
  for (const auto& n : names) EXPECT_EQ(ReadAll(root_ + "/" + n), ReadAll(local_ + "/" + n)) << n;
  for (const auto& e : fs::directory_iterator(root_)) EXPECT_FALSE(IsTemporaryName(e.path().filename().string()));
  ASSERT_TRUE(session_.List());
  EXPECT_EQ(Names().size(), 50u);
  for (const RemoteItem& item : session_.Items())
    EXPECT_EQ(item.Size, std::to_string(ReadAll(local_ + "/" + item.Name).size())) << item.Name;
  EXPECT_TRUE(Has(Format("%dﾊﾞｲﾄ ｱｯﾌﾟﾛｰﾄﾞ完了", static_cast<int>(ReadAll(local_ + "/050.csv").size()))));
  EXPECT_EQ(client_.LoginCount(), 1);
  EXPECT_EQ(server_.Logins(), 1);
}

TEST_F(SftpTest, TheRemoteBrowsersOperationsWorkAsOverFtp) {
  WriteAll(root_ + "/old name.txt", "x");
  ASSERT_TRUE(Open());
  ASSERT_TRUE(session_.List());
  EXPECT_EQ(Names(), std::vector<std::string>{"old name.txt"});
  session_.CreateDirectory("race 2026");
  EXPECT_TRUE(fs::is_directory(root_ + "/race 2026"));
  session_.CreateDirectory("race 2026");
  EXPECT_TRUE(Has(kStatusFolderExists));
  EXPECT_TRUE(session_.RenameFile("old name.txt", "race 2026/new \"name\".txt"));
  EXPECT_EQ(ReadAll(root_ + "/race 2026/new \"name\".txt"), "x");
  EXPECT_FALSE(session_.RemoveDirectory("race 2026"));  // not empty
  EXPECT_TRUE(fs::exists(root_ + "/race 2026"));

  session_.SetCurrentDirectory("race 2026");
  std::string path;
  ASSERT_TRUE(session_.GetCurrentDirectory(path));
  EXPECT_EQ(path, root_ + "/race 2026");
  ASSERT_TRUE(session_.List());
  EXPECT_EQ(Names(), std::vector<std::string>{"new \"name\".txt"});
  EXPECT_TRUE(session_.DeleteFile("new \"name\".txt"));
  ASSERT_TRUE(session_.List());
  EXPECT_TRUE(Has(kStatusEmptyFolder));
  session_.SetCurrentDirectory("..");
  EXPECT_TRUE(session_.RemoveDirectory("race 2026"));
  EXPECT_FALSE(fs::exists(root_ + "/race 2026"));

  EXPECT_FALSE(session_.Exists("gone"));
  WriteAll(root_ + "/plain", "x");
  EXPECT_FALSE(session_.Exists("plain"));
  EXPECT_TRUE(session_.Exists(root_));
  session_.SetCurrentDirectory("gone");
  EXPECT_FALSE(session_.LastError().ok());
  ASSERT_TRUE(session_.GetCurrentDirectory(path));
  EXPECT_EQ(path, root_);
  EXPECT_EQ(server_.Logins(), 1);
}

TEST_F(SftpTest, AnUnknownHostKeyIsAskedAboutOnceAndRememberedOnlyOnYes) {
  const std::string file = dir_.File("user_known_hosts");
  WriteAll(file, "# mine\nother.example ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIOMqqnkVzrm0SdG6UOoqKLsabgH5C9okWi0dh2l9GKJl");
  std::vector<std::string> asked;
  bool answer = false;
  client_.SetSshSettings({"", file, [&](const std::string& host, const std::string& fingerprint) {
                            asked.push_back(host + " " + fingerprint);
                            return answer;
                          }});
  EXPECT_FALSE(Open());
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], server_.Host() + " " + server_.Fingerprint());
  EXPECT_NE(AllMessages().find(server_.Fingerprint()), std::string::npos) << AllMessages();
  EXPECT_EQ(ReadAll(file).find(std::to_string(server_.Port())), std::string::npos);
  EXPECT_EQ(server_.Logins(), 0);

  answer = true;
  ASSERT_TRUE(Open()) << AllMessages();
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(ReadAll(file).rfind("# mine\nother.example ", 0), 0u);
  EXPECT_NE(ReadAll(file).find("\n[127.0.0.1]:" + std::to_string(server_.Port()) + " ssh-ed25519 "), std::string::npos);
  session_.Close();
  ASSERT_TRUE(Open());
  EXPECT_EQ(asked.size(), 2u);  // known now
}

TEST_F(SftpTest, WithoutSomeoneToAskAnUnknownKeyIsRefusedWithItsFingerprint) {
  client_.SetSshSettings({"", dir_.File("empty_known_hosts"), nullptr});
  EXPECT_FALSE(Open());
  EXPECT_NE(AllMessages().find(server_.Fingerprint()), std::string::npos) << AllMessages();
  EXPECT_NE(AllMessages().find("known_hosts にありません"), std::string::npos);
  EXPECT_EQ(server_.Logins(), 0);
}

TEST_F(SftpTest, AChangedHostKeyIsRefusedAsAPossibleImpostorWithNothingSent) {
  server_.Stop();
  server_.RenewHostKey();
  ASSERT_TRUE(server_.Start());
  // known_ still holds the old key for this host and port.
  std::string text = ReadAll(known_);
  text.replace(text.find("]:") + 2, text.find(' ') - text.find("]:") - 2, std::to_string(server_.Port()));
  WriteAll(known_, text);
  int asked = 0;
  client_.SetSshSettings({"", known_, [&](const std::string&, const std::string&) { return ++asked > 0; }});
  EXPECT_FALSE(Open());
  EXPECT_EQ(asked, 0);
  EXPECT_NE(AllMessages().find("なりすまし"), std::string::npos) << AllMessages();
  EXPECT_NE(AllMessages().find(server_.Fingerprint()), std::string::npos);
  EXPECT_EQ(server_.Logins(), 0);
  EXPECT_EQ(ReadAll(known_), text);
}

TEST_F(SftpTest, LoginsUsersGetWrongSayWhatIsWrong) {
  EXPECT_FALSE(Open("wrong"));
  EXPECT_NE(AllMessages().find("ﾊﾟｽﾜｰﾄﾞが違います"), std::string::npos) << AllMessages();

  messages_.clear();
  client_.SetSshSettings({dir_.File("no_such_key"), known_, nullptr});
  EXPECT_FALSE(Open(""));
  EXPECT_NE(AllMessages().find("を読めません"), std::string::npos) << AllMessages();

  const std::string locked = server_.MakeClientKey("locked_key", "key phrase");
  messages_.clear();
  client_.SetSshSettings({locked, known_, nullptr});
  EXPECT_FALSE(Open(""));
  EXPECT_NE(AllMessages().find("ﾊﾟｽﾌﾚｰｽﾞが必要です"), std::string::npos) << AllMessages();
  messages_.clear();
  EXPECT_FALSE(Open("not the phrase"));
  EXPECT_NE(AllMessages().find("ﾊﾟｽﾌﾚｰｽﾞが違う"), std::string::npos) << AllMessages();
  EXPECT_EQ(server_.Logins(), 0);
  ASSERT_TRUE(Open("key phrase")) << AllMessages();
  session_.Close();

  const std::string stranger = dir_.File("stranger_key");
  ASSERT_EQ(std::system(("ssh-keygen -q -t ed25519 -N '' -f " + stranger).c_str()), 0);
  messages_.clear();
  client_.SetSshSettings({stranger, known_, nullptr});
  EXPECT_FALSE(Open(""));
  EXPECT_NE(AllMessages().find("鍵 " + stranger + " を受け付けません"), std::string::npos) << AllMessages();

  server_.Stop();
  ASSERT_TRUE(server_.Start(/*passwordLogin=*/false));
  known_ = server_.KnownHostsFile();
  client_.SetSshSettings({"", known_, nullptr});
  messages_.clear();
  EXPECT_FALSE(Open());
  EXPECT_NE(AllMessages().find("ﾊﾟｽﾜｰﾄﾞでのﾛｸﾞｲﾝを受け付けません"), std::string::npos) << AllMessages();
  const std::string key = server_.MakeClientKey("plain_key", "");
  client_.SetSshSettings({key, known_, nullptr});
  ASSERT_TRUE(Open("")) << AllMessages();
  WriteAll(local_ + "/a.txt", "abc");
  EXPECT_EQ(Pass({"a.txt"}).Sent, 1);
  EXPECT_EQ(ReadAll(root_ + "/a.txt"), "abc");
}

TEST(KnownHostsTest, HashedAndPatternLinesMatchAsOpenSshsOwnTools) {
  test::TempDir dir;
  const std::string key = dir.File("k");
  ASSERT_EQ(std::system(("ssh-keygen -q -t ed25519 -N '' -f " + key).c_str()), 0);
  std::string pub = ReadAll(key + ".pub");
  const std::string type = pub.substr(0, pub.find(' '));
  const std::string base64 = pub.substr(type.size() + 1, pub.find(' ', type.size() + 1) - type.size() - 1);
  std::string blob;
  ASSERT_TRUE(Base64Decode(base64, blob));
  EXPECT_EQ(KeyTypeOf(blob), "ssh-ed25519");
  const std::string file = dir.File("known_hosts");
  WriteAll(file, "[127.0.0.1]:2222 " + type + " " + base64 + "\nrace.example,10.0.0.* " + type + " " + base64 + "\n");
  ASSERT_EQ(std::system(("ssh-keygen -q -H -f " + file + " >/dev/null 2>&1").c_str()), 0);
  const std::string hashed = ReadAll(file);
  ASSERT_EQ(hashed.find("127.0.0.1"), std::string::npos);
  EXPECT_EQ(CheckHostKey(hashed, "127.0.0.1", 2222, blob), HostKeyStatus::Known);
  EXPECT_EQ(CheckHostKey(hashed, "127.0.0.1", 22, blob), HostKeyStatus::Unknown);
  EXPECT_EQ(CheckHostKey(hashed, "race.example", 22, blob), HostKeyStatus::Known);
  EXPECT_EQ(CheckHostKey(hashed, "10.0.0.7", 22, blob), HostKeyStatus::Known);  // patterns stay plain
  std::string other = blob;
  other.back() ^= 1;
  EXPECT_EQ(CheckHostKey(hashed, "127.0.0.1", 2222, other), HostKeyStatus::Changed);
  EXPECT_EQ(CheckHostKey("@revoked * " + type + " " + base64 + "\n" + hashed, "127.0.0.1", 2222, blob),
            HostKeyStatus::Changed);
  EXPECT_EQ(CheckHostKey("!race.example,*.example " + type + " " + base64, "race.example", 22, blob),
            HostKeyStatus::Unknown);
  EXPECT_EQ(LinesForHost(hashed, "127.0.0.1", 2222), "[127.0.0.1]:2222 " + type + " " + base64 + "\n");

  // The fingerprint as ssh-keygen -l prints it.
  ASSERT_EQ(std::system(("ssh-keygen -l -E sha256 -f " + key + ".pub > " + dir.File("fp")).c_str()), 0);
  EXPECT_NE(ReadAll(dir.File("fp")).find(KeyFingerprint(blob) + " "), std::string::npos);
}

TEST(SftpHostTest, TheHostFieldNamesPortAndScheme) {
  SftpHostSpec spec;
  ASSERT_TRUE(ParseSftpHost(" SFTP://results.example ", spec));
  EXPECT_EQ(spec.name, "results.example");
  EXPECT_EQ(spec.port, 22);
  ASSERT_TRUE(ParseSftpHost("sftp://127.0.0.1:2222/", spec));
  EXPECT_EQ(spec.port, 2222);
  ASSERT_TRUE(ParseSftpHost("sftp://[::1]", spec));
  EXPECT_EQ(spec.name, "::1");
  EXPECT_EQ(spec.port, 22);
  ASSERT_TRUE(ParseSftpHost("sftp://[::1]:21", spec));
  EXPECT_EQ(spec.port, 21);
  EXPECT_FALSE(ParseSftpHost("sftp://", spec));
  EXPECT_FALSE(ParseSftpHost("sftp://host/dir", spec));
  EXPECT_FALSE(ParseSftpHost("sftp://ftp://host", spec));
  EXPECT_FALSE(ParseSftpHost("sftp://user@host", spec));
  EXPECT_FALSE(ParseSftpHost("ftp://host", spec));
  EXPECT_TRUE(HostFieldValid("sftp://host:2222"));
  EXPECT_TRUE(HostFieldValid("ftps://host"));
  EXPECT_FALSE(HostFieldValid("sftp://host:99999"));
}

}  // namespace
}  // namespace zun::ftp
