// zuntext-batch end to end: the files it writes, its exit codes and its messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "BatchRun.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using zun::test::ReadAll;
using zun::test::TempDir;
using zun::test::WriteAll;

using zun::test::BatchRun;
using zun::test::Quote;

BatchRun RunBatch(const std::string& args, const TempDir& dir) {
  return zun::test::RunCaptured(std::string(ZUN_BATCH_EXE) + " " + args, dir);
}

TEST(Batch, WritesEveryOutputAsExpected) {
  TempDir dir;
  const std::string data = std::string(ZUN_TEST_DATA_DIR) + "/basic";
  fs::copy_file(data + "/race.txt", dir.File("race.txt"));
  fs::copy_file(data + "/zuntext.flg", dir.File("zuntext.flg"));
  const BatchRun run = RunBatch("--grid " + Quote(dir.File("grid.csv")) + " " + Quote(dir.File("race.txt")) + " " +
                               Quote(dir.File("out/sub")),
                           dir);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "rows read 14, marked z 4, R 1, x 1, passages listed 5, files written 5\n");
  for (const char* name : {"zuntextpure.txt", "000/000.csv", "999/001.csv", "999/002.csv"})
    EXPECT_EQ(ReadAll(dir.File("out/sub/") + name), ReadAll(data + "/expected/" + name)) << name;
  EXPECT_EQ(ReadAll(dir.File("grid.csv")), ReadAll(data + "/expected/grid.csv"));
  EXPECT_FALSE(fs::exists(dir.File("out/sub/999/003.csv")));
}

TEST(Batch, NoCsvWritesOnlyThePureText) {
  TempDir dir;
  WriteAll(dir.File("race.txt"), "1,1,5,1,1000,1000,0\n");
  const BatchRun run = RunBatch("--no-csv " + Quote(dir.File("race.txt")) + " " + Quote(dir.File("out")), dir);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAll(dir.File("out/zuntextpure.txt")), "1,1,5,1,1000,1000,0\r\n\r\n");
  EXPECT_FALSE(fs::exists(dir.File("out/000/000.csv")));
}

TEST(Batch, TheFlagFileIsFoundBesideARelativeZunTextPath) {
  TempDir dir;
  fs::create_directory(dir.File("race"));
  WriteAll(dir.File("race/r.txt"), "1,1,5,2,1000,1000,0\n1,1,6,2,1000,1000,0\n");
  WriteAll(dir.File("race/zuntext.flg"), "1,1,1,5,2,1000,1000,0,x\n");
  const std::string command = "cd " + Quote(dir.Path()) + " && " + ZUN_BATCH_EXE + " race/r.txt out >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadAll(dir.File("out/zuntextpure.txt")), "1,1,6,2,1000,1000,0\r\n\r\n");
}

TEST(Batch, AMissingZunTextFileWritesNothing) {
  TempDir dir;
  const BatchRun run = RunBatch(Quote(dir.File("none.txt")) + " " + Quote(dir.File("out")), dir);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(dir.File("none.txt")), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir.File("out")));
}

TEST(Batch, AnOutputThatCannotBeWrittenIsNamed) {
  TempDir dir;
  WriteAll(dir.File("race.txt"), "1,1,5,1,1000,1000,0\n");
  WriteAll(dir.File("out"), "a file where the output folder should be");
  const BatchRun run = RunBatch(Quote(dir.File("race.txt")) + " " + Quote(dir.File("out")), dir);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(dir.File("out")), std::string::npos) << run.err;

  fs::create_directories(dir.File("out2/zuntextpure.txt"));  // a folder in the pure text's place
  const BatchRun run2 = RunBatch(Quote(dir.File("race.txt")) + " " + Quote(dir.File("out2")), dir);
  EXPECT_EQ(run2.exitCode, 1);
  EXPECT_NE(run2.err.find("zuntextpure.txt"), std::string::npos) << run2.err;
}

TEST(Batch, WrongArgumentsShowTheUsage) {
  TempDir dir;
  for (const char* args : {"", "one", "a b c", "--grid", "--bogus a b", "--grid g a"}) {
    const BatchRun run = RunBatch(args, dir);
    EXPECT_EQ(run.exitCode, 2) << args;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << args;
  }
}

TEST(Batch, ATooBigGridStillWritesThePureTextButNoRankingFiles) {
  TempDir dir;
  {
    std::ofstream out(dir.File("big.txt"), std::ios::binary);
    const std::string line = "1,1,5,2,1000,1000,0\n";
    for (int i = 0; i < 4999949; ++i) out << line;
  }
  WriteAll(dir.File("zuntext.flg"), "1,1,1,5,2,1000,1000,0,x\n");
  const BatchRun run = RunBatch(Quote(dir.File("big.txt")) + " " + Quote(dir.File("out")), dir);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("grid is too big!!!"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.File("out/000/000.csv")));
  // No flags were applied: all rows but the last are "z" (identical pairs), the last is written.
  EXPECT_EQ(ReadAll(dir.File("out/zuntextpure.txt")), "1,1,5,2,1000,1000,0\r\n\r\n");

  // That pure text lacks the flag file's marks, so it is not published (port 9 would refuse: exit 4).
  setenv("ZUNTEXT_FTP_PASSWORD", "secret", 1);
  const BatchRun upload = RunBatch(
      "--upload TXT --host 127.0.0.1:9 --user demo " + Quote(dir.File("big.txt")) + " " + Quote(dir.File("out")), dir);
  unsetenv("ZUNTEXT_FTP_PASSWORD");
  EXPECT_EQ(upload.exitCode, 3);
  EXPECT_NE(upload.err.find("nothing uploaded"), std::string::npos) << upload.err;
}

}  // namespace
