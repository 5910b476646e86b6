// Publishing against real servers on the loopback: what a visitor of the site can see, servers
// that stop answering or die mid-pass, Shift-JIS servers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "FtpTestServer.h"
#include "TempDir.h"
#include "ftp/CurlFtpClient.h"
#include "ftp/FtpSession.h"
#include "ftp/ServerProbe.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun::ftp {
namespace {

using test::FtpServerKind;
using test::ReadAll;
using test::WriteAll;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    if (IsTemporaryName(e.path().filename().string())) out.push_back(e.path().filename().string());
  return out;
}

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateFolder(root_));
    ASSERT_TRUE(CreateFolder(local_));
  }
  bool Open(FtpServerKind kind, const std::string& scheme = "") {
    host_ = scheme + "127.0.0.1";
    if (!server_.Start(kind)) return false;
    host_ += ":" + std::to_string(server_.Port());
    return session_.OpenInternet() && session_.Open(host_, "demo", "secret");
  }
  // One pass as the window and the converter run it: the reconnect step, then the files.
  UploadPassResult Pass(const std::vector<std::string>& names) {
    auto msg = [this](const std::string& m) { messages_.push_back(m); };
    EnsureConnection(session_, {host_, "demo", "secret", shown_}, [&] { return OpenInternetSession(session_, {}, msg); },
                     msg);
    UploadPlan plan;
    plan.Kind = UploadKind::UncheckedEntries;
    for (const auto& n : names) plan.Files.push_back({local_ + "/" + n, n});
    return SendUploadPlan(session_, plan);
  }
  bool Has(const std::string& text) const {
    return std::find(statuses_.begin(), statuses_.end(), text) != statuses_.end();
  }
  std::vector<std::string> MakeFiles(int count, const std::string& text) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
      names.push_back(Format("%03d.csv", i));
      WriteAll(local_ + "/" + names.back(), text + names.back());
    }
    return names;
  }

  test::TempDir dir_;
  std::string root_ = dir_.File("root");
  std::string local_ = dir_.File("local");
  test::FtpTestServer server_{root_, "demo", "secret", dir_.File("server.log")};
  std::string host_;
  CurlFtpClient client_{CurlTimeouts{3, 3, 3}};
  std::vector<std::string> statuses_, messages_;
  std::string shown_ = "/";
  FtpSession session_{client_, FtpSessionHooks{[this](const std::string& s) { statuses_.push_back(s); },
                                               [this](const std::string& m) { messages_.push_back(m); },
                                               {},
                                               [this] { return shown_; },
                                               {}}};
};

TEST_F(PublishTest, AVisitorSeesTheOldFileOrTheNewNeverATornOrEmptyOne) {
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  const std::string versions[2] = {std::string(300000, 'a') + "\r\n", std::string(200000, 'b') + "\r\n"};
  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, bad{0};
  std::thread poller([&] {
    while (!done) {
      std::ifstream in(root_ + "/zuntextpure.txt", std::ios::binary);
      if (!in) continue;
      std::stringstream text;
      text << in.rdbuf();
      ++reads;
      if (text.str() != versions[0] && text.str() != versions[1]) ++bad;
    }
  });
  // At least 40 passes, and more on a slow machine until the visitor has looked often enough;
  // the last one sends the second version.
  for (int i = 0; i < 40 || (reads <= 40 && i < 400) || i % 2 == 1; ++i) {
    WriteAll(local_ + "/zuntextpure.txt", versions[i % 2]);
    const UploadPassResult r = Pass({"zuntextpure.txt"});
    ASSERT_EQ(r.Sent, 1) << r.ConnectionFailure.message;
  }
  done = true;
  poller.join();
  EXPECT_GT(reads, 40);
  EXPECT_EQ(bad, 0) << "of " << reads << " reads";
  EXPECT_EQ(ReadAll(root_ + "/zuntextpure.txt"), versions[1]);
  EXPECT_TRUE(Leftovers(root_).empty());
  EXPECT_TRUE(Has("300002ﾊﾞｲﾄ ｱｯﾌﾟﾛｰﾄﾞ完了"));
}

TEST_F(PublishTest, TheCyclesPassesSendOnlyWhatTheServerDoesNotHoldYet) {
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  const auto names = MakeFiles(3, "lap ");
  UploadPlan plan;
  plan.Kind = UploadKind::UncheckedEntries;
  for (const auto& n : names) plan.Files.push_back({local_ + "/" + n, n});
  SentFiles sent;
  const auto pass = [&](bool onlyChanged) {
    const UploadPassResult r = SendUploadPlan(session_, plan, sent, onlyChanged);
    EXPECT_TRUE(r.ConnectionFailure.ok()) << r.ConnectionFailure.message;
    EXPECT_TRUE(session_.List());  // as the window and the converter do after each pass
    return std::make_pair(r.Sent, r.Unchanged);
  };
  EXPECT_EQ(pass(true), std::make_pair(3, 0));
  EXPECT_EQ(pass(true), std::make_pair(0, 3));
  EXPECT_EQ(pass(false), std::make_pair(3, 0)) << "a pass by hand sends everything";

  // New bytes of the same size, a file rewritten with its old bytes, a file gone from the server.
  WriteAll(local_ + "/002.csv", "LAP 002.csv");
  WriteAll(local_ + "/003.csv", "lap 003.csv");
  fs::remove(root_ + "/001.csv");
  EXPECT_EQ(pass(true), std::make_pair(1, 2)) << "the listing has not seen the removal yet";
  EXPECT_EQ(ReadAll(root_ + "/002.csv"), "LAP 002.csv");
  EXPECT_EQ(pass(true), std::make_pair(1, 2));
  EXPECT_EQ(ReadAll(root_ + "/001.csv"), "lap 001.csv");

  // Another login may find anything on the server.
  session_.Close();
  ASSERT_TRUE(session_.Open(host_, "demo", "secret"));
  EXPECT_EQ(pass(true), std::make_pair(3, 0));

  // A large file is sent every time: its bytes are not read twice a pass.
  WriteAll(local_ + "/001.csv", std::string(kUnchangedCheckBytes + 1, 'x'));
  EXPECT_EQ(pass(true), std::make_pair(1, 2));
  EXPECT_EQ(pass(true), std::make_pair(1, 2));
}

TEST_F(PublishTest, RefusedFileIsNotedWithTheReplyAndTheOthersGo) {
  ASSERT_TRUE(CreateFolder(root_ + "/002.csv"));  // the server cannot put a file in its place
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  const auto names = MakeFiles(3, "new ");
  const UploadPassResult r = Pass(names);
  EXPECT_EQ(r.Sent, 2);
  ASSERT_EQ(r.Refused.size(), 1u);
  EXPECT_EQ(r.Refused[0].rfind("002.csv: 550", 0), 0u) << r.Refused[0];
  EXPECT_TRUE(r.ConnectionFailure.ok());
  EXPECT_TRUE(messages_.empty()) << "one message for the pass is the caller's";
  EXPECT_EQ(ReadAll(root_ + "/003.csv"), "new 003.csv");
  EXPECT_TRUE(Leftovers(root_).empty());
}

TEST_F(PublishTest, AServerRefusingEveryStoreGivesOnePassWithoutBoxes) {
  ASSERT_TRUE(CreateFolder(root_ + "/readonly"));
  ASSERT_TRUE(Open(FtpServerKind::ListOnly));
  ASSERT_TRUE(session_.SetCurrentDirectory("/readonly"));
  shown_ = "/readonly";
  const auto names = MakeFiles(50, "x");
  const auto t0 = Clock::now();
  const UploadPassResult r = Pass(names);
  EXPECT_LT(Seconds(Clock::now() - t0), 10.0);
  EXPECT_EQ(r.Sent, 0);
  EXPECT_EQ(r.Refused.size(), 50u);
  EXPECT_TRUE(r.ConnectionFailure.ok()) << r.ConnectionFailure.message;
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(fs::is_empty(root_ + "/readonly"));
}

TEST_F(PublishTest, AHungServerCostsOneTimeoutAPassAndPublishingResumes) {
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  const auto names = MakeFiles(50, "x");
  server_.Pause();
  auto t0 = Clock::now();
  UploadPassResult r = Pass(names);
  const double first = Seconds(Clock::now() - t0);
  EXPECT_EQ(r.Sent, 0);
  EXPECT_EQ(r.ConnectionFailure.code, kFtpTimeout);
  EXPECT_LT(first, 8.0) << "the timeout is 3 s";
  EXPECT_TRUE(messages_.empty());

  t0 = Clock::now();
  r = Pass(names);  // a fresh connection that is never greeted
  EXPECT_LT(Seconds(Clock::now() - t0), 8.0);
  EXPECT_TRUE(IsConnectionFailure(r.ConnectionFailure.code)) << r.ConnectionFailure.code;
  EXPECT_EQ(messages_, std::vector<std::string>{kHostOpenFailed});

  server_.Resume();
  r = Pass(names);
  EXPECT_EQ(r.Sent, 50) << r.ConnectionFailure.message;
  EXPECT_EQ(ReadAll(root_ + "/050.csv"), "x050.csv");
}

TEST_F(PublishTest, AProbeHearsOnlyAServerThatGreets) {
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  EXPECT_TRUE(ServerGreets(host_, 3));
  EXPECT_TRUE(ServerGreets("ftp://" + host_ + "/", 3));
  server_.Pause();
  auto t0 = Clock::now();
  EXPECT_FALSE(ServerGreets(host_, 1));
  EXPECT_LT(Seconds(Clock::now() - t0), 3.0);

  // A probe started into the silence hears the greeting once the server wakes up.
  ServerProbe probe;
  probe.Start(host_, 5);
  EXPECT_EQ(probe.Poll(), ServerProbe::Result::Waiting);
  server_.Resume();
  t0 = Clock::now();
  while (probe.Poll() == ServerProbe::Result::Waiting && Seconds(Clock::now() - t0) < 8)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(probe.Poll(), ServerProbe::Result::Answered);

  server_.Stop();
  EXPECT_FALSE(ServerGreets(host_, 3)) << "nobody listens";
  probe.Start(host_, 3);
  probe.Clear();
  EXPECT_EQ(probe.Poll(), ServerProbe::Result::None);
}

TEST_F(PublishTest, TheCyclesProbesComeEveryFewSecondsEvenAfterTheClockIsSetBack) {
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  ServerProbe probe;
  EXPECT_FALSE(probe.Answered(host_, 1000));  // the first ask starts a probe
  const auto t0 = Clock::now();
  while (probe.Poll() == ServerProbe::Result::Waiting && Seconds(Clock::now() - t0) < 8)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(probe.Answered(host_, 1001));
  EXPECT_FALSE(probe.Answered(host_, 1002));
  EXPECT_EQ(probe.Poll(), ServerProbe::Result::None) << "too soon after the last one";
  // A clock set back an hour does not keep the next probe waiting for that hour.
  EXPECT_FALSE(probe.Answered(host_, 1000 - 3600));
  EXPECT_NE(probe.Poll(), ServerProbe::Result::None);
}

TEST_F(PublishTest, AWindowCanRepaintWhileAPassWaitsForAServer) {
  ASSERT_TRUE(Open(FtpServerKind::Standard));
  WriteAll(local_ + "/000.csv", "ranking");
  int calls = 0;
  client_.SetWaitHook([&calls] { ++calls; });
  server_.Pause();
  const UploadPassResult r = Pass({"000.csv"});
  server_.Resume();
  client_.SetWaitHook(nullptr);
  EXPECT_EQ(r.Sent, 0);
  EXPECT_GE(calls, 20) << "a 3 s timeout, a call every 40 ms";
}

TEST_F(PublishTest, AServerKilledMidFileKeepsTheOldFileAndTheNextPassClearsUp) {
  ASSERT_TRUE(Open(FtpServerKind::Throttled));
  const int port = server_.Port();
  WriteAll(root_ + "/010.csv", "old");
  WriteAll(local_ + "/010.csv", std::string(2 * 1024 * 1024, 'n'));
  WriteAll(local_ + "/011.csv", "small");
  std::thread killer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    server_.Kill();
  });
  const auto t0 = Clock::now();
  UploadPassResult r = Pass({"010.csv", "011.csv"});
  killer.join();
  EXPECT_LT(Seconds(Clock::now() - t0), 8.0);
  EXPECT_EQ(r.Sent, 0);
  EXPECT_TRUE(IsConnectionFailure(r.ConnectionFailure.code)) << r.ConnectionFailure.code;
  EXPECT_EQ(ReadAll(root_ + "/010.csv"), "old");
  EXPECT_FALSE(FileExists(root_ + "/011.csv")) << "the pass ends at the lost connection";
  ASSERT_EQ(Leftovers(root_), std::vector<std::string>{".zunpart-010.csv"});

  ASSERT_TRUE(server_.Start(FtpServerKind::Standard, port));
  r = Pass({"011.csv"});
  EXPECT_EQ(r.Sent, 1) << r.ConnectionFailure.message;
  EXPECT_TRUE(Leftovers(root_).empty());
  EXPECT_EQ(ReadAll(root_ + "/010.csv"), "old");
}

TEST_F(PublishTest, ShiftJisServerNamesTravelAsTheServersBytes) {
  ASSERT_TRUE(CreateFolder(root_ + "/日本語"));
  WriteAll(root_ + "/日本語/結果.csv", "r");
  WriteAll(root_ + "/.zunpart-old.csv", "");  // left by a crash before its first byte
  ASSERT_TRUE(Open(FtpServerKind::Cp932));
  ASSERT_TRUE(session_.List());
  const std::string folderBytes = Cp932FromUtf8("日本語");
  ASSERT_EQ(session_.Items().size(), 1u) << "temporary files are never listed";
  EXPECT_EQ(session_.Items()[0].Caption, "日本語");
  EXPECT_EQ(session_.Items()[0].Name, folderBytes);

  // A host file written for this server holds the folder in these bytes.
  std::string remembered = "/" + folderBytes;
  ASSERT_TRUE(EnterRememberedFolder(session_, remembered));
  std::string path;
  ASSERT_TRUE(session_.GetCurrentDirectory(path));
  EXPECT_EQ(path, "/" + folderBytes);
  shown_ = path;

  // No SIZE (the listing checks the size) and no rename over an existing file.
  for (const char* text : {"first", "second"}) {
    WriteAll(local_ + "/001.csv", text);
    const UploadPassResult r = Pass({"001.csv"});
    EXPECT_EQ(r.Sent, 1) << (r.Refused.empty() ? r.ConnectionFailure.message : r.Refused[0]);
  }
  EXPECT_EQ(ReadAll(root_ + "/日本語/001.csv"), "second");
  ASSERT_TRUE(session_.List());
  std::vector<std::string> captions;
  for (const auto& item : session_.Items()) captions.push_back(item.Caption);
  std::sort(captions.begin(), captions.end());
  EXPECT_EQ(captions, (std::vector<std::string>{"001.csv", "結果.csv"}));
  EXPECT_TRUE(Leftovers(root_ + "/日本語").empty());
  EXPECT_TRUE(Leftovers(root_).empty()) << "the one the first listing saw is gone too";

  // A folder the operator types goes in the server's bytes too.
  std::vector<std::string> names{path};
  for (const auto& item : session_.Items()) names.push_back(item.Name);
  ASSERT_TRUE(ServerSpeaksCp932(names));
  session_.CreateDirectory(NameForServer("速報", true));
  EXPECT_TRUE(DirectoryExists(root_ + "/日本語/速報"));
}

TEST(RemoteNameTest, TypedNamesFollowTheServersEncoding) {
  EXPECT_FALSE(ServerSpeaksCp932({"/results", "000.csv", "結果"}));  // ASCII tells nothing; UTF-8 is UTF-8
  EXPECT_TRUE(ServerSpeaksCp932({"/results", "\x8c\x8b\x89\xca"}));
  EXPECT_EQ(NameForServer("結果", false), "結果");
  EXPECT_EQ(NameForServer("結果", true), "\x8c\x8b\x89\xca");
  EXPECT_EQ(NameForServer("😀", true), "😀");  // no CP932 form: sent as typed
}

}  // namespace
}  // namespace zun::ftp
