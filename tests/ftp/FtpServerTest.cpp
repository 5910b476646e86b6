// The session and the libcurl client against a real FTP server on the loopback.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "FtpTestServer.h"
#include "TempDir.h"
#include "ftp/CurlFtpClient.h"
#include "ftp/FtpSession.h"
#include "ftp/RemoteBrowser.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::ftp {
namespace {

using test::ReadAll;
using test::WriteAll;
namespace fs = std::filesystem;

class FtpServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateFolder(root_));
    ASSERT_TRUE(CreateFolder(root_ + "/sub"));
    ASSERT_TRUE(CreateFolder(root_ + "/emptydir"));
    WriteAll(root_ + "/a.txt", "abc");
    WriteAll(root_ + "/b.csv", "1234567890");
    WriteAll(root_ + "/zero.txt", "");
    WriteAll(root_ + "/sub/inner.csv", "x");
    ASSERT_TRUE(server_.Start());
  }

  bool OpenSession(const std::string& password = "secret") {
    return session_.OpenInternet() && session_.Open(server_.Host(), "demo", password);
  }
  bool Has(const std::string& text) const {
    return std::find(statuses_.begin(), statuses_.end(), text) != statuses_.end();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& item : session_.Items()) out.push_back(item.Caption);
    std::sort(out.begin(), out.end());
    return out;
  }

  test::TempDir dir_;
  std::string root_ = dir_.File("root");
  test::FtpTestServer server_{root_, "demo", "secret", dir_.File("server.log")};
  CurlFtpClient client_{CurlTimeouts{5, 5, 5}};
  std::vector<std::string> statuses_, messages_;
  std::string shown_;  // ComboCurrDir's text
  bool connected_ = false;
  FtpSession session_{client_, FtpSessionHooks{
                                   [this](const std::string& s) { statuses_.push_back(s); },
                                   [this](const std::string& m) { messages_.push_back(m); },
                                   [this] {
                                     auto msg = [this](const std::string& m) { messages_.push_back(m); };
                                     return EnsureConnection(
                                         session_, {server_.Host(), "demo", "secret", shown_},
                                         [&] { return OpenInternetSession(session_, {}, msg); }, msg);
                                   },
                                   [this] { return shown_; },
                                   [this](bool c) { connected_ = c; },
                               }};
};

TEST_F(FtpServerTest, ConnectsAndListsFilesAndFoldersWithCounts) {
  utimbuf stamp{1078466828, 1078466828};  // 2004-03-05 06:07:08 UTC
  ASSERT_EQ(utime((root_ + "/a.txt").c_str(), &stamp), 0);
  ASSERT_TRUE(OpenSession());
  EXPECT_EQ(statuses_.back(), "<" + server_.Host() + ">へ接続しました");
  EXPECT_TRUE(Has("ｿｹｯﾄｱﾄﾞﾚｽ127.0.0.1に接続中"));
  EXPECT_TRUE(Has("ｿｹｯﾄｱﾄﾞﾚｽ127.0.0.1に接続完了"));
  EXPECT_TRUE(connected_);
  ASSERT_TRUE(session_.List());
  // The empty file is left out; folders have a size on this server and are listed.
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.csv", "emptydir", "sub"}));
  EXPECT_EQ(session_.RemoteFileCount(), 2);
  EXPECT_EQ(session_.RemoteDirCount(), 2);
  EXPECT_EQ(FolderCountStatus(session_.RemoteFileCount(), session_.RemoteDirCount()), "ﾌｧｲﾙ数=2 (Dir=2)");
  for (const auto& item : session_.Items()) {
    if (item.Caption == "a.txt") {
      EXPECT_EQ(item.Date, "2004/03/05 06:07.08");
      EXPECT_EQ(item.Size, "3");
      EXPECT_EQ(item.ImageIndex, kFileImage);
    }
    if (item.Caption == "sub") {
      EXPECT_EQ(item.Size, "0");
      EXPECT_EQ(item.ImageIndex, kFolderImage);
    }
  }
  std::string path;
  ASSERT_TRUE(session_.GetCurrentDirectory(path));
  EXPECT_EQ(path, "/");

  ASSERT_TRUE(session_.Open(server_.Host(), "demo", "secret"));
  EXPECT_EQ(statuses_.back(), "既に接続中です<" + server_.Host() + ">\n先にCloseしてください");
  session_.Close();
  EXPECT_EQ(statuses_.back(), "セッションを閉じました");
  EXPECT_FALSE(connected_);
  EXPECT_FALSE(session_.List());
  EXPECT_EQ(statuses_.back(), kStatusNotOpen);
}

TEST_F(FtpServerTest, EntersFoldersGoesUpAndRemembersFoldersEvenEmpty) {
  ASSERT_TRUE(OpenSession());
  ASSERT_TRUE(session_.SetCurrentDirectory("sub"));
  EXPECT_EQ(statuses_.back(), "FtpSetCurrentDirectory");
  ASSERT_TRUE(session_.List());
  EXPECT_EQ(Names(), std::vector<std::string>{"inner.csv"});
  EXPECT_EQ(FolderCountStatus(session_.RemoteFileCount(), session_.RemoteDirCount()), "ﾌｧｲﾙ数=1");
  shown_ = "/SUB";
  EXPECT_TRUE(session_.IsAtShownFolder());  // ASCII case does not matter
  session_.SetCurrentDirectory("..");
  std::string path;
  ASSERT_TRUE(session_.GetCurrentDirectory(path));
  EXPECT_EQ(path, "/");

  ASSERT_TRUE(session_.SetCurrentDirectory("emptydir"));
  session_.List();
  EXPECT_EQ(statuses_.back(), kStatusEmptyFolder);
  EXPECT_TRUE(session_.Items().empty());
  session_.SetCurrentDirectory("/");

  // An empty folder exists; a missing one is never swapped for the login folder.
  std::string remembered = "/emptydir";
  EXPECT_TRUE(EnterRememberedFolder(session_, remembered));
  session_.GetCurrentDirectory(path);
  EXPECT_EQ(path, "/emptydir");
  EXPECT_EQ(session_.UnavailableFolder(), "");
  remembered = "/nothere";
  EXPECT_FALSE(EnterRememberedFolder(session_, remembered));
  EXPECT_EQ(session_.UnavailableFolder(), "/nothere");
  EXPECT_TRUE(messages_.empty());
  // Still in the login folder, which must not receive what was meant for the other.
  WriteAll(dir_.File("zuntextpure.txt"), "1");
  UploadPlan plan{UploadKind::SingleFile, {{dir_.File("zuntextpure.txt"), "zuntextpure.txt"}}};
  const UploadPassResult r = SendUploadPlan(session_, plan);
  EXPECT_EQ(r.ConnectionFailure.code, kFtpFolderUnavailable);
  EXPECT_EQ(r.ConnectionFailure.message, "/nothere\nﾘﾓｰﾄﾌｫﾙﾀﾞに入れません。ｱｯﾌﾟﾛｰﾄﾞしませんでした。");
  EXPECT_FALSE(FileExists(root_ + "/zuntextpure.txt"));
  remembered = "/sub";
  EXPECT_TRUE(EnterRememberedFolder(session_, remembered));
  session_.GetCurrentDirectory(path);
  EXPECT_EQ(path, "/sub");
  EXPECT_EQ(session_.UnavailableFolder(), "");
  remembered = "  ";
  EnterRememberedFolder(session_, remembered);
  EXPECT_EQ(remembered, "");
}

TEST_F(FtpServerTest, UploadsInTheThreeModes) {
  const std::string out = dir_.File("out");
  ASSERT_TRUE(CreateFolder(out) && CreateFolder(out + "/999") && CreateFolder(out + "/000"));
  WriteAll(out + "/zuntextpure.txt", "1,2,3\r\n");
  WriteAll(out + "/000/000.csv", "overall");
  std::vector<UploadEntry> entries;
  for (int i = 1; i <= 60; ++i) {
    const std::string name = Format("%03d.csv", i);
    WriteAll(out + "/999/" + name, name);
    entries.push_back({name, false});
  }
  entries[0].Checked = true;  // 001 is skipped, 002..051 go
  ASSERT_TRUE(OpenSession());
  ASSERT_TRUE(session_.SetCurrentDirectory("sub"));

  auto txt = UploadSourceForMode(UploadMode::PureText, out, out + "/999", out + "/000");
  UploadPlan plan = PlanUpload(UploadMode::PureText, txt->UploadDir, *txt->UploadFilePath, entries, -1);
  EXPECT_EQ(SendUploadPlan(session_, plan).Sent, 1);
  EXPECT_EQ(ReadAll(root_ + "/sub/zuntextpure.txt"), "1,2,3\r\n");  // binary: bytes unchanged
  EXPECT_TRUE(Has("7ﾊﾞｲﾄ ｱｯﾌﾟﾛｰﾄﾞ完了"));

  auto overall = UploadSourceForMode(UploadMode::OverallRanking, out, out + "/999", out + "/000");
  EXPECT_EQ(SendUploadPlan(session_, PlanUpload(UploadMode::OverallRanking, overall->UploadDir, *overall->UploadFilePath, entries, -1)).Sent, 1);
  EXPECT_EQ(ReadAll(root_ + "/sub/000.csv"), "overall");

  plan = PlanUpload(UploadMode::CountRankings, out + "/999", "", entries, -1);
  ASSERT_EQ(plan.Kind, UploadKind::UncheckedEntries);
  const UploadPassResult fifty = SendUploadPlan(session_, plan);
  EXPECT_EQ(fifty.Sent, 50);
  EXPECT_EQ(fifty.Deferred, 9);
  EXPECT_FALSE(FileExists(root_ + "/sub/001.csv"));
  EXPECT_EQ(ReadAll(root_ + "/sub/051.csv"), "051.csv");
  EXPECT_FALSE(FileExists(root_ + "/sub/052.csv"));

  plan = PlanUpload(UploadMode::CountRankings, out + "/999", "", entries, 0);  // selected, although checked
  EXPECT_EQ(SendUploadPlan(session_, plan).Sent, 1);
  EXPECT_TRUE(FileExists(root_ + "/sub/001.csv"));
  EXPECT_EQ(client_.LoginCount(), 1);
}

TEST_F(FtpServerTest, NamesWithBlanksSignsAndJapaneseTravelIntact) {
  const std::string local = dir_.File("local");
  ASSERT_TRUE(CreateFolder(local));
  for (std::string name : {"a b#1%2.csv", "日本語.txt"}) {
    WriteAll(local + "/" + name, name);
    ASSERT_TRUE(OpenSession());
    session_.PutFile(local + "/" + name, name);
    EXPECT_TRUE(session_.LastError().ok()) << session_.LastError().message;
    EXPECT_EQ(ReadAll(root_ + "/" + name), name);
  }
  session_.CreateDirectory("new folder");
  ASSERT_TRUE(session_.SetCurrentDirectory("new folder"));
  std::string path;
  session_.GetCurrentDirectory(path);
  EXPECT_EQ(path, "/new folder");
}

TEST_F(FtpServerTest, CreatesRemovesRenamesAndDeletes) {
  ASSERT_TRUE(OpenSession());
  session_.CreateDirectory("sub");
  EXPECT_EQ(statuses_.back(), kStatusFolderExists);
  EXPECT_TRUE(messages_.empty());
  session_.CreateDirectory("made");
  EXPECT_TRUE(DirectoryExists(root_ + "/made"));

  EXPECT_FALSE(session_.RemoveDirectory("sub"));
  EXPECT_EQ(statuses_.back(), "FtpRemoveDirectory失敗: 12003\n ");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].substr(0, 4), "550 ");
  EXPECT_TRUE(DirectoryExists(root_ + "/sub"));
  EXPECT_TRUE(session_.RemoveDirectory("made"));
  EXPECT_EQ(statuses_.back(), "FtpRemoveDirectory");

  EXPECT_TRUE(session_.RenameFile("a.txt", "c.txt"));
  EXPECT_EQ(statuses_.back(), "FtpRenameFile");
  EXPECT_EQ(ReadAll(root_ + "/c.txt"), "abc");
  EXPECT_FALSE(session_.RenameFile("missing.txt", "d.txt"));
  EXPECT_EQ(statuses_.back(), "FtpRenameFile失敗: 12003\n ");
  EXPECT_TRUE(session_.RenameFile("emptydir", "renamed"));  // folders too
  EXPECT_TRUE(DirectoryExists(root_ + "/renamed"));

  EXPECT_FALSE(session_.DeleteFile("nothing.txt"));
  EXPECT_EQ(statuses_.back(), "FtpDeleteFile失敗: 12003\n ");

  // A selection of two files, an empty folder and a full one: the full one stays.
  ASSERT_TRUE(session_.List());
  std::vector<int> all;
  for (size_t i = 0; i < session_.Items().size(); ++i) all.push_back(static_cast<int>(i));
  const std::vector<RemoteItem> items = session_.Items();
  EXPECT_EQ(DeleteSelectedRemote(session_, items, all), 3);
  session_.List();
  EXPECT_EQ(Names(), std::vector<std::string>{"sub"});
  EXPECT_TRUE(FileExists(root_ + "/zero.txt"));  // never listed, so never deleted
}

TEST_F(FtpServerTest, RefusesNamesWithLineBreaks) {
  ASSERT_TRUE(OpenSession());
  const std::string local = dir_.File("x.csv");
  WriteAll(local, "x");
  session_.PutFile(local, "x.csv\r\nDELE a.txt");
  EXPECT_EQ(statuses_.back(), kStatusLineBreakRefused);
  EXPECT_FALSE(session_.RenameFile("a.txt", "b\nDELE b.csv"));
  session_.CreateDirectory("n\r\nRMD sub");
  EXPECT_EQ(statuses_.back(), kStatusLineBreakRefused);
  EXPECT_FALSE(session_.DeleteFile("a.txt\nx"));
  // The client refuses on its own as well.
  EXPECT_EQ(client_.DeleteFile("a.txt\r\nDELE b.csv").code, kFtpInvalidParameter);
  EXPECT_TRUE(FileExists(root_ + "/a.txt"));
  EXPECT_TRUE(FileExists(root_ + "/b.csv"));
  EXPECT_TRUE(DirectoryExists(root_ + "/sub"));
}

TEST_F(FtpServerTest, WrongPasswordAndUnknownHostAreRefused) {
  EXPECT_FALSE(OpenSession("wrong"));
  EXPECT_TRUE(Has("InternetConnect失敗: 12015\n "));
  EXPECT_EQ(statuses_.back(), "セッションを閉じました。");
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back().substr(0, 4), "530 ");
  EXPECT_FALSE(session_.IsOpen());
  EXPECT_FALSE(connected_);
  EXPECT_EQ(client_.LoginCount(), 0);

  EXPECT_FALSE(session_.Open("127.0.0.1:1", "demo", "secret"));
  EXPECT_TRUE(Has("InternetConnect失敗: 12029\n "));
  EXPECT_FALSE(session_.Open("host.invalid", "demo", "secret"));
  EXPECT_TRUE(Has("InternetConnect失敗: 12007\n "));
}

TEST_F(FtpServerTest, ServerStoppedAndStartedAgainIsReconnected) {
  ASSERT_TRUE(OpenSession());
  ASSERT_TRUE(session_.SetCurrentDirectory("sub"));
  shown_ = "/sub";
  const int port = server_.Port();
  server_.Stop();

  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(EnsureConnection(session_, {server_.Host(), "demo", "secret", shown_},
                                [&] { return session_.OpenInternet(); },
                                [&](const std::string& m) { messages_.push_back(m); }));
  EXPECT_EQ(messages_.back(), kHostOpenFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

  ASSERT_TRUE(server_.Start(port));
  ASSERT_TRUE(OpenSession());  // the window's connect again, then every later step reconnects itself
  session_.SetCurrentDirectory("/sub");
  server_.Stop();
  ASSERT_TRUE(server_.Start(port));
  const std::string local = dir_.File("again.csv");
  WriteAll(local, "again");
  EXPECT_TRUE(EnsureConnection(session_, {server_.Host(), "demo", "secret", shown_},
                               [&] { return session_.OpenInternet(); }, {}));
  session_.PutFile(local, "again.csv");
  EXPECT_EQ(ReadAll(root_ + "/sub/again.csv"), "again");
}

TEST_F(FtpServerTest, FolderChangeReconnectsThroughEnsureConnection) {
  ASSERT_TRUE(OpenSession());
  ASSERT_TRUE(session_.SetCurrentDirectory("sub"));
  shown_ = "/sub";
  const int port = server_.Port();
  server_.Stop();
  ASSERT_TRUE(server_.Start(port));
  session_.SetCurrentDirectory("/emptydir");
  std::string path;
  ASSERT_TRUE(session_.GetCurrentDirectory(path));
  EXPECT_EQ(path, "/emptydir");
}

TEST_F(FtpServerTest, OneLoginServesManyOperations) {
  const std::string local = dir_.File("r.csv");
  WriteAll(local, "r");
  ASSERT_TRUE(OpenSession());
  shown_ = "/";
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(EnsureConnection(session_, {server_.Host(), "demo", "secret", shown_}, {}, {}));
    session_.PutFile(local, "r.csv");
    session_.List();
  }
  EXPECT_EQ(client_.LoginCount(), 1);
}

TEST_F(FtpServerTest, ServerWithoutMlsdIsListedWithList) {
  utimbuf stamp{1078466828, 1078466828};  // 2004-03-05 06:07:08 UTC, more than half a year ago
  ASSERT_EQ(utime((root_ + "/a.txt").c_str(), &stamp), 0);
  ASSERT_TRUE(server_.Start(0, true));
  ASSERT_TRUE(OpenSession());
  ASSERT_TRUE(session_.List());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.csv", "emptydir", "sub"}));
  for (const auto& item : session_.Items()) {
    if (item.Caption == "a.txt") {
      EXPECT_EQ(item.Date, "2004/03/05 00:00.00");  // LIST gives the year only
    }
  }
  EXPECT_TRUE(session_.Exists("/sub"));
  EXPECT_FALSE(session_.Exists("/a.txt"));  // a file is no folder to enter
  EXPECT_TRUE(session_.Exists("/emptydir"));
  EXPECT_FALSE(session_.Exists("/missing"));
  ASSERT_TRUE(session_.SetCurrentDirectory("sub"));
  session_.List();
  EXPECT_EQ(Names(), std::vector<std::string>{"inner.csv"});
}

TEST(FtpTimeoutTest, SilentServerEndsTheConnectInTime) {
  // A socket that accepts connections (the kernel does) but never sends a greeting.
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(s, 4), 0);
  socklen_t len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  CurlFtpClient client{CurlTimeouts{2, 2, 2}};
  auto start = std::chrono::steady_clock::now();
  FtpError e = client.Connect("127.0.0.1:" + std::to_string(ntohs(addr.sin_port)), "u", "p");
  EXPECT_EQ(e.code, kFtpTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));
  close(s);
}

}  // namespace
}  // namespace zun::ftp
