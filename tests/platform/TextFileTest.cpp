// Text-mode reading in 2,047-byte pieces, and whole-file replacement.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "platform/TextFile.h"
#include "platform/TextLineReader.h"

namespace zun {
namespace {

std::vector<std::string> Pieces(const std::string& bytes) {
  test::TempDir dir;
  test::WriteAll(dir.File("f"), bytes);
  TextLineReader reader;
  EXPECT_TRUE(reader.Open(dir.File("f")));
  std::vector<std::string> pieces;
  std::string_view piece;
  while (reader.Next(piece)) pieces.emplace_back(piece);
  return pieces;
}

TEST(TextLineReader, CrLfAndLfLinesReadAlike) {
  EXPECT_EQ(Pieces("a\r\nb\nc"), (std::vector<std::string>{"a\n", "b\n", "c"}));
  EXPECT_EQ(Pieces("a\rb\r\r\n"), (std::vector<std::string>{"a\rb\r\n"}));  // only the CR before LF goes
  EXPECT_TRUE(Pieces("").empty());
}

TEST(TextLineReader, LongLinesArriveInPiecesOf2047Bytes) {
  const std::string line2046(2046, 'a');
  EXPECT_EQ(Pieces(line2046 + "\r\nz\n"), (std::vector<std::string>{line2046 + "\n", "z\n"}));
  const std::string line2047(2047, 'b');
  EXPECT_EQ(Pieces(line2047 + "\r\n"), (std::vector<std::string>{line2047, "\n"}));
  const std::string line5000(5000, 'c');
  const auto pieces = Pieces(line5000 + "\n");
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].size(), 2047u);
  EXPECT_EQ(pieces[1].size(), 2047u);
  EXPECT_EQ(pieces[2], std::string(906, 'c') + "\n");
}

TEST(TextLineReader, PiecesAcrossTheReadBufferBoundary) {
  // Lines that straddle the reader's 1 MiB chunks come out whole and in order.
  std::string bytes;
  for (int i = 0; i < 120000; ++i) bytes += std::to_string(i) + "\r\n";
  const auto pieces = Pieces(bytes);
  ASSERT_EQ(pieces.size(), 120000u);
  for (int i = 0; i < 120000; i += 997) ASSERT_EQ(pieces[i], std::to_string(i) + "\n");
}

TEST(TextLineReader, MissingFileOrFolderDoesNotOpen) {
  test::TempDir dir;
  TextLineReader reader;
  EXPECT_FALSE(reader.Open(dir.File("none")));
  EXPECT_FALSE(reader.Open(dir.Path()));
}

TEST(WholeTextSave, WritesCrLfAndOneFinalLineBreak) {
  test::TempDir dir;
  EXPECT_EQ(SaveWholeText(dir.File("t"), "a\nb\n"), SaveResult::Ok);
  EXPECT_EQ(test::ReadAll(dir.File("t")), "a\r\nb\r\n\r\n");
  EXPECT_EQ(SaveWholeText(dir.File("t"), ""), SaveResult::Ok);
  EXPECT_EQ(test::ReadAll(dir.File("t")), "\r\n");
}

TEST(WholeTextSave, MissingFolderIsAnOpenFailureAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  EXPECT_EQ(SaveWholeText(dir.File("no/such/t"), "x"), SaveResult::OpenFailed);
  EXPECT_EQ(SaveWholeText(dir.Path(), "x"), SaveResult::OpenFailed);  // a folder is no file
}

TEST(ReplaceFile, KeepsTheOldFileWhenTheNewOneCannotBeWritten) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  test::TempDir dir;
  test::WriteAll(dir.File("keep"), "old");
  chmod(dir.Path().c_str(), 0500);
  EXPECT_EQ(ReplaceFile(dir.File("keep"), "new"), SaveResult::OpenFailed);
  chmod(dir.Path().c_str(), 0700);
  EXPECT_EQ(test::ReadAll(dir.File("keep")), "old");
}

TEST(ReplaceFile, NewFileGetsTheGivenMode) {
  test::TempDir dir;
  ASSERT_EQ(ReplaceFile(dir.File("secret"), "pw", true, 0600), SaveResult::Ok);
  struct stat st {};
  ASSERT_EQ(stat(dir.File("secret").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(test::ReadAll(dir.File("secret")), "pw");
}

}  // namespace
}  // namespace zun
