// zuntext-batch publishing over FTPS to vsftpd, ProFTPD and Pure-FTPd: every mode, --watch on one
// login, and the failures a user meets (exit 4, nothing sent).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "BatchRun.h"
#include "SecureFtpServer.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using zun::test::BatchRun;
using zun::test::CertKind;
using zun::test::Quote;
using zun::test::ReadAll;
using zun::test::SecureFtpServer;
using zun::test::SecureServerKind;
using zun::test::TempDir;

class FtpsBatchTest : public ::testing::TestWithParam<SecureServerKind> {
 protected:
  void SetUp() override {
    if (!SecureFtpServer::Installed(GetParam())) GTEST_SKIP() << "not installed: run scripts/install-deps";
    fs::create_directories(root_ + "/pub");
    const std::string data = std::string(ZUN_TEST_DATA_DIR) + "/basic";
    fs::copy_file(data + "/race.txt", race_);
    fs::copy_file(data + "/zuntext.flg", dir_.File("zuntext.flg"));
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  std::string UploadArgs(const std::string& mode, bool withCa = true) const {
    return "--upload " + mode + " --host " + server_.Url() + " --user " + SecureFtpServer::User() +
           " --remote-dir pub" + (withCa ? " --ca-file " + Quote(server_.CaFile()) : "");
  }
  BatchRun Run(const std::string& args, const std::string& password = SecureFtpServer::Password()) {
    return zun::test::RunCaptured("ZUNTEXT_FTP_PASSWORD=" + Quote(password) + " " + ZUN_BATCH_EXE + " " + args + " " +
                                      Quote(race_) + " " + Quote(out_),
                                  dir_);
  }
  void StartWatch(const std::string& mode) {
    std::vector<std::string> args = {ZUN_BATCH_EXE,  "--watch",   "--upload", mode, "--host", server_.Url(), "--user",
                                     SecureFtpServer::User(), "--remote-dir", "pub", "--ca-file", server_.CaFile(),
                                     race_,          out_};
    pid_ = zun::test::SpawnCaptured(args, err_, SecureFtpServer::Password());
    ASSERT_GT(pid_, 0);
  }
  static bool WaitFor(const std::string& path, const std::string& part) {
    for (int i = 0; i < 600; ++i) {
      if (ReadAll(path).find(part) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  TempDir dir_;
  std::string race_ = dir_.File("race.txt");
  std::string out_ = dir_.File("out");
  std::string err_ = dir_.File("watch.err");
  std::string root_ = dir_.File("root");
  SecureFtpServer server_{GetParam(), root_, dir_.File("server")};
  pid_t pid_ = -1;
};

TEST_P(FtpsBatchTest, EveryModePublishesAndWatchKeepsOneLogin) {
  ASSERT_TRUE(server_.Start());
  for (const char* mode : {"TXT", "000", "999"}) {
    const BatchRun run = Run(UploadArgs(mode));
    ASSERT_EQ(run.exitCode, 0) << mode << "\n" << run.err;
  }
  EXPECT_EQ(ReadAll(root_ + "/pub/zuntextpure.txt"), ReadAll(out_ + "/zuntextpure.txt"));
  EXPECT_EQ(ReadAll(root_ + "/pub/000.csv"), ReadAll(out_ + "/000/000.csv"));
  int csv = 0;
  for (const auto& e : fs::directory_iterator(out_ + "/999")) {
    EXPECT_EQ(ReadAll(root_ + "/pub/" + e.path().filename().string()), ReadAll(e.path())) << e.path();
    ++csv;
  }
  EXPECT_GT(csv, 1);

  const int before = server_.LoginCount();
  StartWatch("TXT");
  const std::string remote = root_ + "/pub/zuntextpure.txt";
  for (int k = 0; k < 4; ++k) {
    const std::string line = "1,1,16" + std::to_string(k) + ",1,1900000,1900000,91900000";
    std::ofstream(race_, std::ios::app | std::ios::binary) << line << "\n";
    ASSERT_TRUE(WaitFor(remote, line + "\r\n")) << ReadAll(err_);
  }
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadAll(err_);
  if (before >= 0) {
    EXPECT_EQ(server_.LoginCount(), before + 1) << server_.Log();
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpsBatchTest, ::testing::ValuesIn(SecureFtpServer::All()),
                         [](const auto& info) { return std::string(SecureFtpServer::Name(info.param)); });

class FtpsBatchRefusalTest : public FtpsBatchTest {};

TEST_P(FtpsBatchRefusalTest, ACertificateOrPasswordThatFailsEndsWithExitFourAndSendsNothing) {
  ASSERT_TRUE(server_.Start(CertKind::Expired));
  BatchRun run = Run(UploadArgs("TXT"));
  EXPECT_EQ(run.exitCode, 4) << run.err;
  EXPECT_NE(run.err.find("ｻｰﾊﾞｰ証明書を確認できません"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("expired"), std::string::npos) << run.err;

  ASSERT_TRUE(server_.Start());
  run = Run(UploadArgs("TXT", false));  // the system's store knows no such certificate
  EXPECT_EQ(run.exitCode, 4) << run.err;
  run = Run(UploadArgs("TXT"), "wrong");
  EXPECT_EQ(run.exitCode, 4) << run.err;
  EXPECT_NE(run.err.find("530"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(root_ + "/pub/zuntextpure.txt"));
}

INSTANTIATE_TEST_SUITE_P(Vsftpd, FtpsBatchRefusalTest, ::testing::Values(SecureServerKind::Vsftpd),
                         [](const auto& info) { return std::string(SecureFtpServer::Name(info.param)); });

}  // namespace
