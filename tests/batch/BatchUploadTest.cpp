// zuntext-batch --upload against a real FTP server on the loopback.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "FtpTestServer.h"
#include "TempDir.h"
#include "platform/Text.h"

namespace {

namespace fs = std::filesystem;
using zun::test::ReadAll;
using zun::test::TempDir;
using zun::test::WriteAll;

using zun::test::BatchRun;
using zun::test::Quote;

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

class BatchUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ + "/pub");
    const std::string data = std::string(ZUN_TEST_DATA_DIR) + "/basic";
    fs::copy_file(data + "/race.txt", dir_.File("race.txt"));
    fs::copy_file(data + "/zuntext.flg", dir_.File("zuntext.flg"));
    ASSERT_TRUE(server_.Start());
  }

  // `password` empty: the variable is not set at all.
  BatchRun Run(const std::string& args, const std::string& password = "secret") {
    std::string command = "unset ZUNTEXT_FTP_PASSWORD; ";
    if (!password.empty()) command += "ZUNTEXT_FTP_PASSWORD=" + Quote(password) + " ";
    command += std::string(ZUN_BATCH_EXE) + " " + args + " " + Quote(dir_.File("race.txt")) + " " + Quote(out_);
    return zun::test::RunCaptured(command, dir_);
  }
  std::string Upload(const std::string& mode, const std::string& extra = "") const {
    return "--upload " + mode + " --host " + server_.Host() + " --user demo " + extra;
  }
  int Logins() const { return Count(ReadAll(log_), "logged in."); }

  TempDir dir_;
  std::string root_ = dir_.File("root");
  std::string out_ = dir_.File("out");
  std::string log_ = dir_.File("server.log");
  zun::test::FtpTestServer server_{root_, "demo", "secret", log_};
};

TEST_F(BatchUploadTest, EachModeSendsItsFilesByteForByte) {
  const BatchRun txt = Run(Upload("TXT"));
  ASSERT_EQ(txt.exitCode, 0) << txt.err;
  EXPECT_EQ(txt.out, "rows read 14, marked z 4, R 1, x 1, passages listed 5, files written 4\n");
  EXPECT_EQ(ReadAll(root_ + "/zuntextpure.txt"), ReadAll(out_ + "/zuntextpure.txt"));
  EXPECT_FALSE(fs::exists(root_ + "/000.csv"));
  for (const char* status : {"InternetOpen成功", "へ接続しました", "ﾊﾞｲﾄ ｱｯﾌﾟﾛｰﾄﾞ完了", "ﾌｧｲﾙ数=1 (Dir=1)",
                             "セッションを閉じました"})
    EXPECT_NE(txt.err.find(status), std::string::npos) << status << "\n" << txt.err;

  const BatchRun overall = Run(Upload("000"));
  ASSERT_EQ(overall.exitCode, 0) << overall.err;
  EXPECT_EQ(ReadAll(root_ + "/000.csv"), ReadAll(out_ + "/000/000.csv"));
  EXPECT_FALSE(fs::exists(root_ + "/001.csv"));

  const BatchRun counts = Run(Upload("999"));
  ASSERT_EQ(counts.exitCode, 0) << counts.err;
  for (const char* name : {"001.csv", "002.csv"})
    EXPECT_EQ(ReadAll(root_ + "/" + name), ReadAll(out_ + "/999/" + name)) << name;
  EXPECT_EQ(Logins(), 3);
}

TEST_F(BatchUploadTest, TheRemoteFolderIsEnteredEvenWhileItIsEmpty) {
  const BatchRun run = Run(Upload("txt", "--remote-dir pub"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAll(root_ + "/pub/zuntextpure.txt"), ReadAll(out_ + "/zuntextpure.txt"));
  EXPECT_FALSE(fs::exists(root_ + "/zuntextpure.txt"));
  EXPECT_NE(run.err.find("sent to /pub"), std::string::npos) << run.err;

  // A folder that is not there: nothing goes anywhere, and the folder is named.
  const BatchRun missing = Run(Upload("000", "--remote-dir=nowhere"));
  EXPECT_EQ(missing.exitCode, 5) << missing.err;
  EXPECT_NE(missing.err.find("remote folder nowhere cannot be entered"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(root_ + "/000.csv"));
}

TEST_F(BatchUploadTest, The999FolderGoesInListOrderAtMostFiftyWithOneLogin) {
  // Earlier files in the folder count too; the order ignores the case of the names.
  fs::create_directories(out_ + "/999");
  for (int i = 0; i < 60; ++i) WriteAll(out_ + zun::Format(i % 2 ? "/999/X%02d.csv" : "/999/x%02d.csv", i), "old");
  WriteAll(out_ + "/999/notes.txt", "not a csv");
  const BatchRun run = Run(Upload("999", "--remote-dir pub"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAll(root_ + "/pub/001.csv"), ReadAll(out_ + "/999/001.csv"));
  EXPECT_EQ(ReadAll(root_ + "/pub/002.csv"), ReadAll(out_ + "/999/002.csv"));
  for (int i = 0; i < 60; ++i) {
    const std::string name = zun::Format(i % 2 ? "X%02d.csv" : "x%02d.csv", i);
    EXPECT_EQ(fs::exists(root_ + "/pub/" + name), i < 48) << name;
  }
  EXPECT_FALSE(fs::exists(root_ + "/pub/notes.txt"));
  EXPECT_NE(run.err.find("50 of 50 files sent"), std::string::npos) << run.err;
  EXPECT_EQ(Logins(), 1);
}

TEST_F(BatchUploadTest, NoLoginIsExitFourAndAFailedFileIsExitFive) {
  const BatchRun wrong = Run(Upload("TXT"), "not-the-password");
  EXPECT_EQ(wrong.exitCode, 4);
  EXPECT_NE(wrong.err.find("InternetConnect失敗: 12015"), std::string::npos) << wrong.err;
  EXPECT_NE(wrong.err.find("ﾎｽﾄがｵｰﾌﾟﾝできませんでした。"), std::string::npos) << wrong.err;
  EXPECT_TRUE(fs::exists(out_ + "/zuntextpure.txt"));  // the outputs come first
  EXPECT_FALSE(fs::exists(root_ + "/zuntextpure.txt"));

  const std::string host = server_.Host();
  server_.Stop();
  const BatchRun noServer = Run("--upload TXT --host " + host + " --user demo");
  EXPECT_EQ(noServer.exitCode, 4) << noServer.err;
  ASSERT_TRUE(server_.Start());

  // A folder where the file should go: the server refuses the one file.
  fs::create_directories(root_ + "/pub/000.csv/inside");
  const BatchRun refused = Run(Upload("000", "--remote-dir pub"));
  EXPECT_EQ(refused.exitCode, 5);
  EXPECT_NE(refused.err.find("FtpPutFile失敗"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("0 of 1 files sent"), std::string::npos) << refused.err;
}

TEST_F(BatchUploadTest, BadUploadArgumentsAreUsageAndWriteNothing) {
  const std::string host = server_.Host();
  const std::vector<std::string> bad = {
      "--upload TXT --user demo",                                   // no host
      "--upload TXT --host " + host,                                // no user
      "--upload CSV --host " + host + " --user demo",               // no such mode
      "--upload --host " + host + " --user demo",                   // mode missing
      "--host " + host + " --user demo",                            // no --upload
      "--upload TXT --host 127.0.0.1:port --user demo",             // bad port
      "--upload TXT --host " + host + " --user demo --password x",  // never on the command line
      "--no-csv --upload 999 --host " + host + " --user demo",      // no CSV files of this run
  };
  for (const std::string& args : bad) {
    const BatchRun run = Run(args);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << args;
    EXPECT_NE(run.err.find("ZUNTEXT_FTP_PASSWORD"), std::string::npos) << args;
  }
  const BatchRun noPassword = Run(Upload("TXT"), "");
  EXPECT_EQ(noPassword.exitCode, 2);
  EXPECT_NE(noPassword.err.find("パスワードを入力して下さい。"), std::string::npos) << noPassword.err;
  EXPECT_FALSE(fs::exists(out_));
  EXPECT_EQ(Logins(), 0);
}

}  // namespace
