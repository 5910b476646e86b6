// zuntext-batch --watch as a process: it follows the file, ends on SIGTERM with 0, and keeps one
// FTP login for the whole run.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BatchRun.h"
#include "FtpTestServer.h"
#include "SshTestServer.h"
#include "TempDir.h"
#include "platform/Text.h"
#include "results/ResultGrid.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using zun::test::ReadAll;
using zun::test::TempDir;

// Polls `done` for up to a minute (the machine may be busy).
template <typename Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 600; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

bool Contains(const std::string& path, const std::string& part) {
  return ReadAll(path).find(part) != std::string::npos;
}

class WatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(std::string(ZUN_TEST_DATA_DIR) + "/basic/race.txt", race_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  void Start(std::vector<std::string> extra) {
    std::vector<std::string> args = {ZUN_BATCH_EXE, "--watch"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(race_);
    args.push_back(out_);
    pid_ = zun::test::SpawnCaptured(args, err_, "secret");
    ASSERT_GT(pid_, 0);
  }

  // SIGTERM, then the exit code (-1 when it did not exit normally within a minute).
  int Stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
    pid_ = -1;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Append(const std::string& text) {
    std::ofstream file(race_, std::ios::app | std::ios::binary);
    file << text;
  }

  TempDir dir_;
  std::string race_ = dir_.File("race.txt");
  std::string out_ = dir_.File("out");
  std::string err_ = dir_.File("stderr");
  std::string root_ = dir_.File("root");
  pid_t pid_ = -1;
};

TEST_F(WatchTest, AppendedReadingsReachTheOutputsAndSigtermEndsWithZero) {
  Start({});
  const std::string pure = out_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "rows 14, loaded whole"); })) << ReadAll(err_);
  EXPECT_TRUE(Contains(pure, "1,1,101,1,1000500,1000000,91000500\r\n"));

  Append("1,1,150,1,1900000,1900000,91900000\n");
  ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,150,1,1900000,1900000,91900000\r\n"); })) << ReadAll(err_);
  EXPECT_TRUE(WaitFor([&] { return Contains(out_ + "/000/000.csv", ",150,1900,"); }));
  // A reading written in two parts is taken whole.
  Append("1,1,151,1,19100");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Append("00,1910000,91910000\n");
  ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,151,1,1910000,1910000,91910000\r\n"); })) << ReadAll(err_);
  // A file gone for a moment publishes nothing; the file put back is followed again.
  const std::string kept = race_ + ".kept";
  fs::rename(race_, kept);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_TRUE(Contains(pure, "1,1,151,1,1910000,1910000,91910000\r\n"));
  fs::rename(kept, race_);
  Append("1,1,152,1,1920000,1920000,91920000\n");
  ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,152,1,1920000,1920000,91920000\r\n"); })) << ReadAll(err_);
  // Nor does a file written anew that is caught empty.
  const std::string whole = ReadAll(race_);
  std::ofstream(race_, std::ios::trunc).flush();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_TRUE(Contains(pure, "1,1,152,1,1920000,1920000,91920000\r\n"));
  std::ofstream(race_, std::ios::binary) << whole << "1,1,153,1,1930000,1930000,91930000\n";
  ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,153,1,1930000,1930000,91930000\r\n"); })) << ReadAll(err_);

  EXPECT_EQ(Stop(), 0);
  const std::string err = ReadAll(err_);
  EXPECT_NE(err.find("appended lines read"), std::string::npos) << err;
}

// Without its marks a race at the row limit would publish the readings declared invalid: the
// outputs last written stay as they were.
// A reading reaches the outputs soon after it is written, with no change after it: woken by the
// kernel's notice within a second, and where the folder gives none (a network share) by the look
// once a second within two. The best of three readings counts: the machine may be busy.
TEST_F(WatchTest, AReadingIsPublishedOnTheNoticeOfItsChangeOrByTheLookOnTheClock) {
  const std::string pure = out_ + "/zuntextpure.txt";
  for (const bool notices : {true, false}) {
    SCOPED_TRACE(notices ? "inotify" : "poll");
    if (!notices) setenv("ZUNTEXT_NO_INOTIFY", "1", 1);
    Start({});
    unsetenv("ZUNTEXT_NO_INOTIFY");
    ASSERT_TRUE(WaitFor([&] { return Contains(err_, "loaded whole"); })) << ReadAll(err_);
    double best = 1e9;
    for (int k = 0; k < 3; ++k) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300 + 170 * k));
      const std::string reading = "1,1," + std::to_string(160 + k) + ",1,1950000,1950000,9195000" + std::to_string(k);
      const auto written = std::chrono::steady_clock::now();
      Append(reading + "\n");
      ASSERT_TRUE(WaitFor([&] { return Contains(pure, reading + "\r\n"); })) << ReadAll(err_);
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - written).count());
    }
    EXPECT_LT(best, notices ? 1.0 : 2.0);
    EXPECT_EQ(Contains(err_, "ms after the change"), notices) << ReadAll(err_);

    // A half line holds back only itself: the whole line written with it is published.
    Append("1,1,170,1,1960000,1960000,91960000\n1,1,171,1,19700");
    ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,170,1,1960000,1960000,91960000\r\n"); })) << ReadAll(err_);
    EXPECT_FALSE(Contains(pure, ",171,"));
    Append("00,1970000,91970000\n");
    ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,171,1,1970000,1970000,91970000\r\n"); })) << ReadAll(err_);
    EXPECT_EQ(Stop(), 0);
    fs::copy_file(std::string(ZUN_TEST_DATA_DIR) + "/basic/race.txt", race_, fs::copy_options::overwrite_existing);
  }
}

TEST_F(WatchTest, ARaceThatReachesTheRowLimitKeepsItsLastOutputs) {
  std::ofstream(dir_.File("zuntext.flg"), std::ios::binary) << "1,1,1,101,1,1000500,1000000,91000500,x\n";
  Start({});
  const std::string pure = out_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "rows 14, loaded whole"); })) << ReadAll(err_);
  const std::string published = ReadAll(pure);
  ASSERT_EQ(published.find("1,1,101,1,1000500"), std::string::npos);
  std::string filler;
  for (int row = 15; row < zun::kGridRowLimit; ++row) filler += "1\n";
  Append(filler);
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "grid is too big!!!"); })) << ReadAll(err_);
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, ", 0 files written, nothing sent"); })) << ReadAll(err_);
  EXPECT_EQ(ReadAll(pure), published);
  EXPECT_EQ(Stop(), 0);
  // Nor does a run started on it write them.
  Start({});
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, ", 0 files written, nothing sent"); })) << ReadAll(err_);
  EXPECT_EQ(ReadAll(pure), published);
  EXPECT_EQ(Stop(), 0);
}

TEST_F(WatchTest, OutputsThatCouldNotBeWrittenAreWrittenOnceTheFolderIsBack) {
  Start({});
  const std::string pure = out_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "rows 14, loaded whole"); })) << ReadAll(err_);
  // The output folder goes away, and the last reading comes meanwhile.
  const std::string away = out_ + ".away";
  fs::rename(out_, away);
  std::ofstream(out_).put('\n');
  Append("1,1,150,1,1900000,1900000,91900000\n");
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "(a file could not be written)"); })) << ReadAll(err_);
  fs::remove(out_);
  fs::rename(away, out_);
  // No reading follows: the reading reaches the outputs all the same.
  ASSERT_TRUE(WaitFor([&] { return Contains(pure, "1,1,150,1,1900000,1900000,91900000\r\n"); })) << ReadAll(err_);
  EXPECT_TRUE(WaitFor([&] { return Contains(out_ + "/000/000.csv", ",150,1900,"); }));
  EXPECT_EQ(Stop(), 0);
}

TEST_F(WatchTest, AFlagFileThatCannotBeReadHoldsTheCycleRatherThanPublishTheMarkedReadings) {
  zun::test::FtpTestServer server(root_, "demo", "secret", dir_.File("server.log"));
  ASSERT_TRUE(server.Start());
  const std::string flags = dir_.File("zuntext.flg");
  const std::string marked = "1,1,101,1,1000500,1000000,91000500";
  fs::create_directory(flags);  // there, but no file to read
  Start({"--upload", "TXT", "--host", server.Host(), "--user", "demo"});
  const std::string pure = out_ + "/zuntextpure.txt";
  const std::string remote = root_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "cannot read flag file"); })) << ReadAll(err_);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(fs::exists(pure));
  EXPECT_FALSE(fs::exists(remote));

  // The flag file comes: the race is published without the reading it marks. Each change of the
  // flag file is one exchange of names, as a timing office's tools replace it: a moment with no
  // flag file at all would rightly be loaded without marks.
  const auto exchange = [](const std::string& a, const std::string& b) {
    ASSERT_EQ(renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE), 0) << std::strerror(errno);
  };
  zun::test::WriteAll(flags + ".new", "1," + marked + ",x\n");
  exchange(flags + ".new", flags);
  fs::remove(flags + ".new");
  ASSERT_TRUE(WaitFor([&] { return Contains(remote, "1,1,102,1,1000950"); })) << ReadAll(err_);
  EXPECT_FALSE(Contains(remote, marked));

  // It goes unreadable in the race: readings wait for it rather than go out with the mark dropped.
  fs::create_directory(flags + ".kept");
  exchange(flags + ".kept", flags);
  Append("1,1,150,1,1900000,1900000,91900000\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_FALSE(Contains(pure, "1,1,150,1"));
  exchange(flags + ".kept", flags);
  fs::remove(flags + ".kept");
  ASSERT_TRUE(WaitFor([&] { return Contains(remote, "1,1,150,1,1900000,1900000,91900000\r\n"); })) << ReadAll(err_);
  EXPECT_FALSE(Contains(remote, marked));
  EXPECT_FALSE(Contains(pure, marked));
  EXPECT_EQ(Stop(), 0);
}

TEST_F(WatchTest, UploadKeepsOneLoginForTheWholeRun) {
  zun::test::FtpTestServer server(root_, "demo", "secret", dir_.File("server.log"));
  ASSERT_TRUE(server.Start());
  Start({"--upload", "TXT", "--host", server.Host(), "--user", "demo"});
  const std::string remote = root_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(remote, "1,1,101,1,1000500"); })) << ReadAll(err_);
  for (int k = 0; k < 2; ++k) {
    const std::string line = "1,1,16" + std::to_string(k) + ",1,1900000,1900000,91900000\n";
    Append(line);
    ASSERT_TRUE(WaitFor([&] { return Contains(remote, line.substr(0, line.size() - 1) + "\r\n"); })) << ReadAll(err_);
  }
  EXPECT_EQ(Stop(), 0);
  const std::string log = ReadAll(dir_.File("server.log"));
  size_t logins = 0;
  for (size_t at = log.find("logged in."); at != std::string::npos; at = log.find("logged in.", at + 1)) ++logins;
  EXPECT_EQ(logins, 1u) << log;
  EXPECT_NE(ReadAll(err_).find("1 of 1 files sent"), std::string::npos) << ReadAll(err_);
}

TEST_F(WatchTest, OverSftpReadingsGoOutOnOneLoginAndAnUnknownKeyEndsTheRun) {
  zun::test::SshTestServer server(dir_.Path(), root_);
  if (!server.Start()) GTEST_SKIP() << server.Why();
  // Key login; the passphrase is the environment's "secret".
  const std::string key = server.MakeClientKey("id_watch", "secret");
  Start({"--upload", "TXT", "--host", server.Host(), "--user", zun::test::SshTestServer::kUser, "--key-file", key,
         "--known-hosts", dir_.File("nothing")});
  EXPECT_TRUE(WaitFor([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }));
  pid_ = -1;
  EXPECT_NE(ReadAll(err_).find(server.Fingerprint()), std::string::npos) << ReadAll(err_);

  Start({"--upload", "TXT", "--host", server.Host(), "--user", zun::test::SshTestServer::kUser, "--key-file", key,
         "--known-hosts", server.KnownHostsFile()});
  const std::string remote = root_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(remote, "1,1,101,1,1000500"); })) << ReadAll(err_);
  for (int k = 0; k < 6; ++k) {
    const std::string line = "1,1,16" + std::to_string(k) + ",1,1900000,1900000,91900000\n";
    Append(line);
    ASSERT_TRUE(WaitFor([&] { return Contains(remote, line.substr(0, line.size() - 1) + "\r\n"); })) << ReadAll(err_);
    std::this_thread::sleep_for(std::chrono::milliseconds(k * 300));
  }
  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(server.Logins(), 1) << ReadAll(dir_.File("sshd.log"));
}

TEST_F(WatchTest, CountFilesPastAPassesLimitFollowWithoutANewReading) {
  std::string race;
  for (int lap = 1; lap <= 60; ++lap) {
    const int ms = 1000000 + lap * 60000;
    race += "1,1,101," + std::to_string(lap) + "," + std::to_string(ms) + "," + std::to_string(ms) + "," +
            std::to_string(90000000 + ms) + "\n";
  }
  zun::test::WriteAll(race_, race);
  zun::test::FtpTestServer server(root_, "demo", "secret", dir_.File("server.log"));
  ASSERT_TRUE(server.Start());
  Start({"--upload", "999", "--host", server.Host(), "--user", "demo"});
  ASSERT_TRUE(WaitFor([&] { return fs::exists(root_ + "/050.csv"); })) << ReadAll(err_);
  EXPECT_TRUE(WaitFor([&] { return fs::exists(root_ + "/060.csv"); })) << ReadAll(err_);
  EXPECT_EQ(Stop(), 0);
  for (int lap = 1; lap <= 60; ++lap) {
    const std::string name = zun::Format("/%03d.csv", lap);
    EXPECT_EQ(ReadAll(root_ + name), ReadAll(out_ + "/999" + name)) << name;
  }
  EXPECT_NE(ReadAll(err_).find("50 of 50 files sent, 10 for the next pass"), std::string::npos) << ReadAll(err_);
}

TEST_F(WatchTest, AFileTheServerRefusedIsSentAgainWithoutANewReading) {
  zun::test::FtpTestServer server(root_, "demo", "secret", dir_.File("server.log"));
  ASSERT_TRUE(server.Start());
  const std::string remote = root_ + "/zuntextpure.txt";
  fs::create_directories(remote);  // the server cannot put the file in its place
  Start({"--upload", "TXT", "--host", server.Host(), "--user", "demo"});
  ASSERT_TRUE(WaitFor([&] { return ReadAll(err_).find("(a file was refused)") != std::string::npos; }))
      << ReadAll(err_);
  fs::remove(remote);
  EXPECT_TRUE(WaitFor([&] { return Contains(remote, "1,1,101,1,1000500"); })) << ReadAll(err_);
  EXPECT_EQ(Stop(), 0);
}

TEST_F(WatchTest, AFailedPassIsSentAgainAfterTheLastReading) {
  zun::test::FtpTestServer server(root_, "demo", "secret", dir_.File("server.log"));
  ASSERT_TRUE(server.Start());
  const int port = server.Port();
  Start({"--upload", "TXT", "--host", server.Host(), "--user", "demo"});
  const std::string remote = root_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(remote, "1,1,101,1,1000500"); })) << ReadAll(err_);
  server.Stop();
  // The last reading of the race comes while the server is away.
  Append("1,1,170,1,1900000,1900000,91900000\n");
  // It is tried again, but not every second.
  const auto failedAt = [&] {
    std::vector<int> seconds;
    std::istringstream lines(ReadAll(err_));
    for (std::string line; std::getline(lines, line);) {
      int h = 0, m = 0, sec = 0;
      if (line.find("(the connection failed)") == std::string::npos) continue;
      if (std::sscanf(line.c_str(), "%d:%d:%d", &h, &m, &sec) == 3) seconds.push_back(h * 3600 + m * 60 + sec);
    }
    return seconds;
  };
  ASSERT_TRUE(WaitFor([&] { return failedAt().size() >= 2; })) << ReadAll(err_);
  const std::vector<int> failed = failedAt();
  EXPECT_GE((failed[1] - failed[0] + 86400) % 86400, 4) << ReadAll(err_);
  ASSERT_TRUE(server.Start(port));
  EXPECT_TRUE(WaitFor([&] { return Contains(remote, "1,1,170,1,1900000,1900000,91900000\r\n"); })) << ReadAll(err_);
  EXPECT_EQ(Stop(), 0);
  EXPECT_NE(ReadAll(err_).find("nothing changed, 0 files written, 1 of 1 files sent"), std::string::npos)
      << ReadAll(err_);
}

TEST_F(WatchTest, ASilentServerHoldsTheCycleForOneTimeoutOnly) {
  zun::test::FtpTestServer server(root_, "demo", "secret", dir_.File("server.log"));
  ASSERT_TRUE(server.Start());
  Start({"--upload", "TXT", "--host", server.Host(), "--user", "demo"});
  const std::string remote = root_ + "/zuntextpure.txt";
  const std::string pure = out_ + "/zuntextpure.txt";
  ASSERT_TRUE(WaitFor([&] { return Contains(remote, "1,1,101,1,1000500"); })) << ReadAll(err_);
  server.Pause();
  Append("1,1,170,1,1900000,1900000,91900000\n");
  // The first pass waits out the timeout; the readings after it are written at once.
  ASSERT_TRUE(WaitFor([&] { return Contains(err_, "(the connection failed)"); })) << ReadAll(err_);
  for (int i = 1; i <= 2; ++i) {
    const std::string line = "1,1,17" + std::to_string(i) + ",1,1900000,1900000,91900000";
    Append(line + "\n");
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return Contains(pure, line + "\r\n"); })) << ReadAll(err_);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(4)) << ReadAll(err_);
  }
  EXPECT_TRUE(Contains(err_, "(waiting for the server to answer)")) << ReadAll(err_);
  server.Resume();
  EXPECT_TRUE(WaitFor([&] { return Contains(remote, "1,1,172,1,1900000,1900000,91900000\r\n"); })) << ReadAll(err_);
  EXPECT_EQ(Stop(), 0);
}

}  // namespace
