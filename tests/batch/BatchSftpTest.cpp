// zuntext-batch --upload to an sftp:// host: OpenSSH's sshd on the loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "BatchRun.h"
#include "SshTestServer.h"
#include "TempDir.h"
#include "platform/Text.h"

namespace {

namespace fs = std::filesystem;
using zun::test::BatchRun;
using zun::test::Quote;
using zun::test::ReadAll;
using zun::test::SshTestServer;
using zun::test::TempDir;
using zun::test::WriteAll;

class BatchSftpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string race;
    for (int lap = 1; lap <= 50; ++lap) {
      const int ms = 1000000 + lap * 60000;
      race += Format("1,1,101,%d,%d,%d,%d\n", lap, ms, ms, 90000000 + ms);
    }
    WriteAll(dir_.File("race.txt"), race);
    fs::create_directories(home_);
    fs::create_directories(root_ + "/pub");
    if (!server_.Start()) GTEST_SKIP() << server_.Why();
  }
  static std::string Format(const char* f, int a, int b, int c, int d) { return zun::Format(f, a, b, c, d); }

  // HOME is a fresh folder: the user's own known_hosts holds nothing.
  BatchRun Run(const std::string& args, const std::string& password = SshTestServer::kPassword) {
    std::string command = "HOME=" + Quote(home_) + " ZUNTEXT_FTP_PASSWORD=" + Quote(password) + " " +
                          std::string(ZUN_BATCH_EXE) + " " + args + " " + Quote(dir_.File("race.txt")) + " " +
                          Quote(out_);
    return zun::test::RunCaptured(command, dir_);
  }
  std::string Upload(const std::string& mode, const std::string& extra = "") const {
    return "--upload " + mode + " --host " + server_.Host() + " --user " + SshTestServer::kUser +
           " --remote-dir pub " + extra;
  }

  TempDir dir_;
  std::string root_ = dir_.File("root");
  std::string out_ = dir_.File("out");
  std::string home_ = dir_.File("home");
  SshTestServer server_{dir_.Path(), root_};
};

TEST_F(BatchSftpTest, EachModeSendsItsFilesOverOneLoginEach) {
  const std::string known = "--known-hosts " + Quote(server_.KnownHostsFile());
  const BatchRun counts = Run(Upload("999", known));
  ASSERT_EQ(counts.exitCode, 0) << counts.err;
  for (int lap = 1; lap <= 50; ++lap) {
    const std::string name = zun::Format("/%03d.csv", lap);
    EXPECT_EQ(ReadAll(root_ + "/pub" + name), ReadAll(out_ + "/999" + name)) << name;
  }
  EXPECT_NE(counts.err.find("50 of 50 files sent to " + root_ + "/pub"), std::string::npos) << counts.err;
  const BatchRun txt = Run(Upload("TXT", known));
  ASSERT_EQ(txt.exitCode, 0) << txt.err;
  EXPECT_EQ(ReadAll(root_ + "/pub/zuntextpure.txt"), ReadAll(out_ + "/zuntextpure.txt"));
  const BatchRun overall = Run(Upload("000", known));
  ASSERT_EQ(overall.exitCode, 0) << overall.err;
  EXPECT_EQ(ReadAll(root_ + "/pub/000.csv"), ReadAll(out_ + "/000/000.csv"));
  EXPECT_EQ(server_.Logins(), 3);
  for (const auto& e : fs::directory_iterator(root_ + "/pub"))
    EXPECT_EQ(e.path().filename().string().rfind(".zunpart-", 0), std::string::npos);
}

TEST_F(BatchSftpTest, AKeyNotInTheFilesGivenIsRefusedWithItsFingerprint) {
  const BatchRun run = Run(Upload("TXT"));
  EXPECT_EQ(run.exitCode, 4) << run.err;
  EXPECT_NE(run.err.find(server_.Fingerprint()), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(root_ + "/pub/zuntextpure.txt"));
  EXPECT_FALSE(fs::exists(home_ + "/.ssh/known_hosts"));
  EXPECT_EQ(server_.Logins(), 0);
  // The user's own file is the default.
  fs::create_directories(home_ + "/.ssh");
  fs::copy_file(server_.KnownHostsFile(), home_ + "/.ssh/known_hosts");
  EXPECT_EQ(Run(Upload("TXT")).exitCode, 0);
}

TEST_F(BatchSftpTest, KeyLoginTakesThePassphraseFromTheEnvironment) {
  const std::string key = server_.MakeClientKey("id_test", "phrase of key");
  const std::string known = "--known-hosts " + Quote(server_.KnownHostsFile());
  const BatchRun good = Run(Upload("TXT", known + " --key-file " + Quote(key)), "phrase of key");
  ASSERT_EQ(good.exitCode, 0) << good.err;
  EXPECT_EQ(ReadAll(root_ + "/pub/zuntextpure.txt"), ReadAll(out_ + "/zuntextpure.txt"));

  fs::remove(root_ + "/pub/zuntextpure.txt");
  const BatchRun unreadable = Run(Upload("TXT", known + " --key-file " + Quote(key + ".gone")), "");
  EXPECT_EQ(unreadable.exitCode, 4) << unreadable.err;
  EXPECT_NE(unreadable.err.find("を読めません"), std::string::npos) << unreadable.err;
  const BatchRun wrong = Run(Upload("TXT", known), "wrong");
  EXPECT_EQ(wrong.exitCode, 4) << wrong.err;
  EXPECT_NE(wrong.err.find("ﾊﾟｽﾜｰﾄﾞが違います"), std::string::npos) << wrong.err;
  EXPECT_FALSE(fs::exists(root_ + "/pub/zuntextpure.txt"));
  EXPECT_EQ(server_.Logins(), 1);
}

}  // namespace
