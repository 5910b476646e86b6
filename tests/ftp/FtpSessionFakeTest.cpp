// The session's reports for codes a real server does not produce, through a scripted client.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

#include "ftp/AtomicPublish.h"
#include "ftp/FtpSession.h"
#include "ftp/UploadWorkflow.h"

namespace zun::ftp {
namespace {

class FakeFtpClient final : public FtpClient {
 public:
  std::map<std::string, std::deque<FtpError>> results;  // per operation, used up in order; then ok
  std::vector<std::string> calls;
  std::vector<FtpEntry> listing;
  std::string cwd = "/";
  bool connected = false;
  std::vector<std::string> paths;  // the remote paths of the publishing steps and deletes, in order
  int64_t localSize = 7, heldSize = 7;

  FtpError Next(const std::string& op) {
    calls.push_back(op);
    auto& q = results[op];
    if (q.empty()) return {};
    FtpError e = q.front();
    q.pop_front();
    return e;
  }
  void SetNoticeHandler(FtpNoticeFn) override {}
  FtpError Initialize() override { return Next("Initialize"); }
  FtpError Connect(const std::string&, const std::string&, const std::string&) override {
    FtpError e = Next("Connect");
    connected = e.ok();
    return e;
  }
  FtpError Disconnect() override {
    connected = false;
    return Next("Disconnect");
  }
  bool IsConnected() const override { return connected; }
  FtpError List(const std::string&, std::vector<FtpEntry>& entries) override {
    entries = listing;
    return Next("List");
  }
  FtpError PutFile(const std::string&, const std::string&) override { return Next("PutFile"); }
  FtpError StoreFile(const std::string&, const std::string& path, int64_t& sent) override {
    paths.push_back(path);
    FtpError e = Next("StoreFile");
    sent = e.ok() ? localSize : -1;
    return e;
  }
  FtpError RemoteSize(const std::string& path, int64_t& size) override {
    paths.push_back(path);
    size = heldSize;
    return Next("RemoteSize");
  }
  FtpError RenameOver(const std::string& from, const std::string& to) override {
    paths.push_back(from + ">" + to);
    return Next("RenameOver");
  }
  FtpError DeleteFile(const std::string& name) override {
    paths.push_back(name);
    return Next("DeleteFile");
  }
  FtpError CreateDirectory(const std::string&) override { return Next("CreateDirectory"); }
  FtpError RemoveDirectory(const std::string&) override { return Next("RemoveDirectory"); }
  FtpError Rename(const std::string&, const std::string&) override { return Next("Rename"); }
  FtpError ChangeDirectory(const std::string& path) override {
    FtpError e = Next("ChangeDirectory");
    if (e.ok()) cwd = path;
    return e;
  }
  FtpError CurrentDirectory(std::string& path) override {
    path = cwd;
    return Next("CurrentDirectory");
  }
  int LoginCount() const override { return 0; }
};

class FtpSessionFakeTest : public ::testing::Test {
 protected:
  void Open() {
    ASSERT_TRUE(session_.Open("host", "u", "p"));
    statuses_.clear();
    client_.calls.clear();
  }
  void Fail(const std::string& op, int code, std::string message = {}) {
    client_.results[op].push_back(FtpError{code, std::move(message)});
  }

  FakeFtpClient client_;
  std::vector<std::string> statuses_, messages_;
  int reconnects_ = 0;
  std::string shown_ = "/";
  FtpSession session_{client_, FtpSessionHooks{
                                   [this](const std::string& s) { statuses_.push_back(s); },
                                   [this](const std::string& m) { messages_.push_back(m); },
                                   [this] {
                                     ++reconnects_;
                                     return EnsureConnection(session_, {"host", "u", "p", shown_}, {}, {});
                                   },
                                   [this] { return shown_; },
                                   {},
                               }};
};

TEST_F(FtpSessionFakeTest, LocalFileErrorsShowTheirBoxesBeforeTheStatus) {
  Open();
  Fail("PutFile", kFtpFileNotFound);
  session_.PutFile("/out/999/001.csv", "001.csv");
  EXPECT_EQ(messages_, std::vector<std::string>{"/out/999/001.csv が見つかりませんでした"});
  EXPECT_EQ(statuses_.back(), "FtpPutFile失敗: 2\n ");

  messages_.clear();
  Fail("PutFile", kFtpInvalidParameter);
  session_.PutFile("/out/a.csv", "a.csv");
  EXPECT_EQ(messages_, (std::vector<std::string>{"ﾊﾟﾗﾒｰﾀが間違っています。", "/out/a.csv:a.csv"}));
  EXPECT_EQ(statuses_.back(), "FtpPutFile失敗: 87\n ");
  EXPECT_EQ(session_.LastError().code, kFtpInvalidParameter);
}

TEST_F(FtpSessionFakeTest, InUseAndNotEmptyHaveTheirOwnTextsAndNoBox) {
  Open();
  Fail("PutFile", kFtpSharingViolation, "ignored");
  session_.PutFile("/a", "a");
  EXPECT_EQ(statuses_.back(), "他のﾌﾟﾛｾｽがﾌｧｲﾙを使用中: 32");
  Fail("RemoveDirectory", kFtpDirNotEmpty, "ignored");
  EXPECT_FALSE(session_.RemoveDirectory("full"));
  EXPECT_EQ(statuses_.back(), "ﾌｫﾙﾀﾞが空でない: 145");
  EXPECT_TRUE(messages_.empty());

  Fail("CreateDirectory", kFtpServerError, "550 exists");
  session_.CreateDirectory("x");
  EXPECT_EQ(statuses_.back(), kStatusFolderExists);
  Fail("CreateDirectory", kFtpTimeout, "timed out");
  session_.CreateDirectory("x");
  EXPECT_EQ(statuses_.back(), "FtpCreateDirectory失敗: 12002\n ");
  EXPECT_EQ(messages_, std::vector<std::string>{"timed out"});
}

TEST_F(FtpSessionFakeTest, ListingSkipsDotsAndEmptyEntries) {
  Open();
  client_.listing = {{".", true, {}, 4096}, {"..", true, {}, 4096}};
  EXPECT_TRUE(session_.List());
  EXPECT_TRUE(session_.Items().empty());
  EXPECT_TRUE(statuses_.empty());  // not "empty": the server did list something

  client_.listing = {};
  session_.List();
  EXPECT_EQ(statuses_.back(), kStatusEmptyFolder);

  client_.listing = {{"zero.txt", false, {}, 0},
                     {"nosize", true, {}, 0},
                     {"big.bin", false, {2004, 3, 5, 6, 7, 8}, 5000000000ULL},
                     {"dir", true, {}, 512}};
  session_.List();
  ASSERT_EQ(session_.Items().size(), 2u);
  EXPECT_EQ(session_.Items()[0], (RemoteItem{"big.bin", "2004/03/05 06:07.08", "5000000000", kFileImage, "big.bin"}));
  EXPECT_EQ(session_.Items()[1].Size, "0");
  EXPECT_EQ(session_.RemoteFileCount(), 1);
  EXPECT_EQ(session_.RemoteDirCount(), 1);

  Fail("List", kFtpConnectionAborted, "gone");
  EXPECT_TRUE(session_.List());
  EXPECT_EQ(statuses_.back(), "FindFirst失敗: 12030\n ");
  EXPECT_TRUE(session_.Items().empty());
}

TEST_F(FtpSessionFakeTest, ClosedSessionTouchesNoClient) {
  EXPECT_FALSE(session_.List());
  EXPECT_TRUE(session_.PutFile("/a", "a"));
  EXPECT_TRUE(session_.DeleteFile("a"));
  EXPECT_TRUE(session_.CreateDirectory("a"));
  EXPECT_TRUE(session_.RemoveDirectory("a"));
  EXPECT_FALSE(session_.SetCurrentDirectory("a"));
  EXPECT_TRUE(session_.RenameFile("a", "b"));
  std::string path;
  EXPECT_FALSE(session_.GetCurrentDirectory(path));
  EXPECT_FALSE(session_.IsAtShownFolder());
  EXPECT_TRUE(session_.Close());
  EXPECT_EQ(statuses_, std::vector<std::string>(10, kStatusNotOpen));
  EXPECT_FALSE(session_.Exists("/a"));
  EXPECT_TRUE(client_.calls.empty());
}

TEST_F(FtpSessionFakeTest, FailedFolderChangeReconnectsOnceAndEnds) {
  Open();
  shown_ = "/elsewhere";  // the reconnect cannot find the shown folder either
  for (int i = 0; i < 4; ++i) Fail("ChangeDirectory", kFtpServerError, "550 no");
  EXPECT_TRUE(session_.SetCurrentDirectory("/gone"));
  EXPECT_EQ(reconnects_, 1);
  // change, reconnect (PWD, close, open, shown folder without a further reconnect), the retry
  EXPECT_EQ(client_.calls, (std::vector<std::string>{"ChangeDirectory", "CurrentDirectory", "Disconnect", "Connect",
                                                     "ChangeDirectory", "ChangeDirectory"}));
  EXPECT_EQ(statuses_.back(), "FtpSetCurrentDirectory失敗: 12003\n ");

  client_.calls.clear();
  shown_ = "/";
  Fail("CurrentDirectory", kFtpConnectionAborted, "gone");
  Fail("CurrentDirectory", kFtpConnectionAborted, "gone");
  std::string path;
  EXPECT_TRUE(session_.GetCurrentDirectory(path));  // the reconnect's PWD fails too: reopened, then retried
  EXPECT_EQ(reconnects_, 2);
  EXPECT_EQ(client_.calls, (std::vector<std::string>{"CurrentDirectory", "CurrentDirectory", "Disconnect", "Connect",
                                                     "ChangeDirectory", "CurrentDirectory"}));
  EXPECT_EQ(path, "/");
}

TEST_F(FtpSessionFakeTest, APassEndsAtTheFirstLostConnectionAndGathersRefusals) {
  Open();
  UploadPlan plan;
  plan.Kind = UploadKind::UncheckedEntries;
  for (const char* name : {"001.csv", "002.csv", "003.csv", "004.csv", "005.csv"})
    plan.Files.push_back({std::string("/out/") + name, name});
  Fail("PutFile", kFtpOk);
  Fail("PutFile", kFtpServerError, "550 Permission denied.");
  Fail("PutFile", kFtpOk);
  Fail("PutFile", kFtpConnectionAborted, "Connection reset");
  UploadPassResult r = SendUploadPlan(session_, plan);
  EXPECT_EQ(r.Sent, 2);
  EXPECT_EQ(r.Refused, std::vector<std::string>{"002.csv: 550 Permission denied."});
  EXPECT_EQ(r.ConnectionFailure.code, kFtpConnectionAborted);
  EXPECT_EQ(std::count(client_.calls.begin(), client_.calls.end(), "PutFile"), 4) << "005 is not tried";
  EXPECT_TRUE(messages_.empty());
  // Outside a pass the session shows its boxes again.
  Fail("PutFile", kFtpServerError, "550 again");
  session_.PutFile("/out/a", "a");
  EXPECT_EQ(messages_, std::vector<std::string>{"550 again"});

  // A folder that could not be entered stops the pass before any file.
  messages_.clear();
  client_.calls.clear();
  session_.MarkFolderUnavailable("/結果");
  r = SendUploadPlan(session_, plan);
  EXPECT_EQ(r.Sent, 0);
  EXPECT_EQ(r.ConnectionFailure.code, kFtpFolderUnavailable);
  EXPECT_EQ(r.ConnectionFailure.message, RemoteFolderFailedText("/結果"));
  EXPECT_NE(r.ConnectionFailure.message.find("/結果"), std::string::npos);
  EXPECT_TRUE(client_.calls.empty());

  session_.Close();
  r = SendUploadPlan(session_, plan);
  EXPECT_EQ(r.ConnectionFailure.code, kFtpIncorrectHandleState);
}

TEST_F(FtpSessionFakeTest, ReconnectStepAsksATimedOutServerOnlyOnce) {
  Open();
  shown_ = "/pub";
  Fail("CurrentDirectory", kFtpTimeout, "Operation timed out");
  EXPECT_FALSE(EnsureConnection(session_, {"host", "u", "p", shown_}, {}, {}));
  EXPECT_EQ(client_.calls, (std::vector<std::string>{"CurrentDirectory", "Disconnect"}));
  EXPECT_FALSE(session_.IsOpen());
  EXPECT_TRUE(messages_.empty());

  // The next pass opens again and enters the folder in use; one that is gone is marked.
  client_.calls.clear();
  Fail("ChangeDirectory", kFtpServerError, "550 No such directory.");
  EXPECT_TRUE(EnsureConnection(session_, {"host", "u", "p", shown_}, {}, {}));
  EXPECT_EQ(client_.calls, (std::vector<std::string>{"Connect", "ChangeDirectory"}));
  EXPECT_EQ(session_.UnavailableFolder(), "/pub");
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(session_.SetCurrentDirectory("/"));
  EXPECT_EQ(session_.UnavailableFolder(), "");
}

// The temporary name, the size check and the rename, and which failures leave the temporary
// for the session to remove later.
TEST(AtomicPublishTest, StoresUnderTheTemporaryNameChecksAndRenames) {
  FakeFtpClient client;
  const auto publish = [&client] {
    client.calls.clear();
    client.paths.clear();
    return PublishThroughTemporary(client, "/out/a.csv", "a.csv");
  };
  EXPECT_EQ(publish().code, kFtpIncorrectHandleState);
  EXPECT_TRUE(client.calls.empty());
  client.connected = true;

  EXPECT_TRUE(publish().ok());
  EXPECT_EQ(client.calls, (std::vector<std::string>{"StoreFile", "RemoteSize", "RenameOver"}));
  EXPECT_EQ(client.paths,
            (std::vector<std::string>{".zunpart-a.csv", ".zunpart-a.csv", ".zunpart-a.csv>a.csv"}));

  client.heldSize = 3;  // the server holds less than was sent
  FtpError e = publish();
  EXPECT_EQ(e.code, kFtpServerError);
  EXPECT_NE(e.message.find("7"), std::string::npos) << e.message;
  EXPECT_EQ(client.calls, (std::vector<std::string>{"StoreFile", "RemoteSize", "DeleteFile"}));
  EXPECT_EQ(client.paths.back(), ".zunpart-a.csv");
  client.heldSize = 7;

  client.results["RenameOver"].push_back({kFtpServerError, "553 Not allowed."});
  EXPECT_EQ(publish().message, "553 Not allowed.");
  EXPECT_EQ(client.calls.back(), "DeleteFile");

  // A lost connection leaves the temporary; a local file that cannot be opened sends nothing.
  for (int code : {kFtpConnectionAborted, kFtpTimeout, kFtpFileNotFound, kFtpAccessDenied}) {
    client.results["StoreFile"].push_back({code, ""});
    EXPECT_EQ(publish().code, code);
    EXPECT_EQ(client.calls, std::vector<std::string>{"StoreFile"}) << code;
  }
  client.results["RemoteSize"].push_back({kFtpTimeout, ""});
  EXPECT_EQ(publish().code, kFtpTimeout);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"StoreFile", "RemoteSize"}));

  EXPECT_EQ(PublishThroughTemporary(client, "/out/a.csv", "a\r\nDELE b").code, kFtpInvalidParameter);
  EXPECT_EQ(PublishThroughTemporary(client, "/out/a.csv", "dir/").code, kFtpInvalidParameter);
}

}  // namespace
}  // namespace zun::ftp
