// Text-mode reading in 2,047-byte pieces, and whole-file replacement.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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

TEST(TextLineReader, SkippingCountsThePiecesThatReadingGives) {
  // Lines of every kind around the piece limit, with CRs anywhere, over more than one buffer.
  std::mt19937 random(7);
  std::string bytes;
  const char kinds[] = {'a', '\r', '\n'};
  while (bytes.size() < (size_t{3} << 20)) {
    const size_t size = random() % 4 == 0 ? 2040 + random() % 20 : random() % 60;
    for (size_t i = 0; i < size; ++i) bytes += random() % 50 == 0 ? kinds[random() % 2] : 'a';
    bytes += random() % 3 == 0 ? "\r\n" : "\n";
  }
  test::TempDir dir;
  test::WriteAll(dir.File("f"), bytes);
  TextLineReader reader;
  ASSERT_TRUE(reader.Open(dir.File("f")));
  std::vector<uint64_t> starts{0};
  std::string_view piece;
  while (reader.Next(piece)) starts.push_back(reader.Offset());
  for (size_t k = 0; k < starts.size(); k += 1 + random() % 3000) {
    SCOPED_TRACE(starts[k]);
    int pieces = 0;
    ASSERT_TRUE(reader.Open(dir.File("f")));
    ASSERT_TRUE(reader.SkipTo(starts[k], pieces));
    EXPECT_EQ(pieces, static_cast<int>(k));
    ASSERT_TRUE(reader.Next(piece) || k + 1 == starts.size());
    if (k + 1 < starts.size()) {
      EXPECT_EQ(reader.Offset(), starts[k + 1]);
    }
    // A byte where no piece starts, and one past the end, cannot be reached.
    if (k + 1 < starts.size() && starts[k + 1] > starts[k] + 1) {
      ASSERT_TRUE(reader.Open(dir.File("f")));
      EXPECT_FALSE(reader.SkipTo(starts[k] + 1, pieces));
    }
  }
  int pieces = 0;
  ASSERT_TRUE(reader.Open(dir.File("f")));
  EXPECT_FALSE(reader.SkipTo(bytes.size() + 1, pieces));
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

TEST(ReplaceFile, ExistingFileKeepsItsModeAndReadOnlyIsRefused) {
  test::TempDir dir;
  test::WriteAll(dir.File("shared.csv"), "old");
  chmod(dir.File("shared.csv").c_str(), 0640);
  ASSERT_EQ(ReplaceFile(dir.File("shared.csv"), "new"), SaveResult::Ok);
  struct stat st {};
  ASSERT_EQ(stat(dir.File("shared.csv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  chmod(dir.File("shared.csv").c_str(), 0444);
  EXPECT_EQ(ReplaceFile(dir.File("shared.csv"), "newer"), SaveResult::OpenFailed);
  EXPECT_EQ(SaveWholeText(dir.File("shared.csv"), "newer"), SaveResult::OpenFailed);
  EXPECT_EQ(test::ReadAll(dir.File("shared.csv")), "new");
  ASSERT_EQ(stat(dir.File("shared.csv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(ReplaceFile, AReaderOfTheOldFileKeepsItsBytesAndNoTemporaryFileStays) {
  test::TempDir dir;
  const std::string path = dir.File("000.csv");
  test::WriteAll(path, "old bytes");
  const int reader = open(path.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  for (const bool durable : {false, true}) {
    ASSERT_EQ(ReplaceFile(path, durable ? "durable" : "new bytes", durable), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(path), durable ? "durable" : "new bytes");
  }
  char seen[16] = {};
  EXPECT_EQ(pread(reader, seen, sizeof seen, 0), 9);
  EXPECT_STREQ(seen, "old bytes");
  close(reader);
  int files = 0;
  for (DIR* d = opendir(dir.Path().c_str()); d != nullptr;) {
    const dirent* e = readdir(d);
    if (e == nullptr) {
      closedir(d);
      break;
    }
    files += e->d_name[0] != '.';
    EXPECT_EQ(std::string(e->d_name).find(".tmp"), std::string::npos) << e->d_name;
  }
  EXPECT_EQ(files, 1);
}

TEST(FileWrittenAhead, OnlyTheRestIsWrittenWhenTheBeginningStayedElseTheWholeFile) {
  test::TempDir dir;
  const std::string path = dir.File("zuntextpure.txt"), other = dir.File("other.txt");
  const std::string first = "1,1,101\r\n1,1,102\r\n";
  const std::string grown = first + "1,1,103\r\n";
  const std::string rewritten = "2,2,201\r\n2,2,202\r\n2,2,203\r\n";
  {
    FileWrittenAhead ahead(1);  // after the texts: it may write from them until it is gone
    ASSERT_EQ(ahead.Replace(path, first, 0), SaveResult::Ok);  // nothing ahead yet
    ahead.WriteAhead(path, std::string_view(first).substr(0, 9));
    ASSERT_EQ(ahead.Replace(path, grown, 9), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(path), grown);

    // A change within what was written ahead (a mark on row 102): the bytes before it stay.
    ahead.WriteAhead(path, std::string_view(grown).substr(0, 18));
    const std::string marked = "1,1,101\r\n1,1,103\r\n";
    ASSERT_EQ(ahead.Replace(path, marked, 9), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(path), marked);
    // Nothing the same: what was written ahead is not used.
    ahead.WriteAhead(path, std::string_view(marked).substr(0, 9));
    ASSERT_EQ(ahead.Replace(path, rewritten, 0), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(path), rewritten);

    // The file written ahead was taken away (another program's sweep): the whole file is written.
    ahead.WriteAhead(path, std::string_view(grown).substr(0, 18));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      if (entry.path().filename().string().front() == '.') std::filesystem::remove(entry.path());
    ASSERT_EQ(ahead.Replace(path, grown, grown.size()), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(path), grown);
    ASSERT_EQ(ahead.Replace(path, rewritten, 0), SaveResult::Ok);

    // Another file takes nothing from this one's beginning.
    ahead.WriteAhead(path, std::string_view(rewritten).substr(0, 18));
    ASSERT_EQ(ahead.Replace(other, first, first.size()), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(other), first);
    EXPECT_EQ(test::ReadAll(path), rewritten);
    ahead.WriteAhead(path, std::string_view(rewritten).substr(0, 18));
  }
  {
    // A small beginning is not worth a file of its own.
    FileWrittenAhead small;
    small.WriteAhead(path, first);
    ASSERT_EQ(small.Replace(path, grown, grown.size()), SaveResult::Ok);
    EXPECT_EQ(test::ReadAll(path), grown);
    small.WriteAhead(path, grown);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  }
  // Gone with its writer: no temporary file stays behind.
  int files = 0;
  DIR* d = opendir(dir.Path().c_str());
  ASSERT_NE(d, nullptr);
  while (const dirent* e = readdir(d)) {
    files += e->d_name[0] != '.';
    EXPECT_EQ(std::string(e->d_name).find(".tmp"), std::string::npos) << e->d_name;
  }
  closedir(d);
  EXPECT_EQ(files, 2);
}

TEST(FileReplacement, ThePartsReplaceTheFileOnlyWhenFinished) {
  test::TempDir dir;
  const std::string path = dir.File("zuntextpure.txt");
  test::WriteAll(path, "old");
  {
    FileReplacement unfinished(path);
    unfinished.Append("given up");
  }
  EXPECT_EQ(test::ReadAll(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary file

  FileReplacement file(path);
  file.Append("1,1,");
  file.Append("");
  file.Append("101\r\n");
  EXPECT_EQ(test::ReadAll(path), "old");
  ASSERT_EQ(file.Finish(), SaveResult::Ok);
  EXPECT_EQ(test::ReadAll(path), "1,1,101\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  chmod(path.c_str(), 0444);
  FileReplacement refused(path);
  refused.Append("new");
  EXPECT_EQ(refused.Finish(), SaveResult::OpenFailed);
  EXPECT_EQ(FileReplacement(dir.File("missing/x.txt")).Finish(), SaveResult::OpenFailed);
  EXPECT_EQ(test::ReadAll(path), "1,1,101\r\n");
}

TEST(ReplaceFile, SymbolicLinkStaysALinkAndItsTargetIsReplaced) {
  test::TempDir dir;
  mkdir(dir.File("web").c_str(), 0755);
  test::WriteAll(dir.File("web/000.csv"), "old");
  ASSERT_EQ(symlink("web/000.csv", dir.File("000.csv").c_str()), 0);  // relative link
  ASSERT_EQ(symlink(dir.File("000.csv").c_str(), dir.File("chain.csv").c_str()), 0);  // link to a link
  ASSERT_EQ(ReplaceFile(dir.File("chain.csv"), "new"), SaveResult::Ok);
  struct stat st {};
  ASSERT_EQ(lstat(dir.File("chain.csv").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat(dir.File("000.csv").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::ReadAll(dir.File("web/000.csv")), "new");

  ASSERT_EQ(symlink("web/later.csv", dir.File("dangling.csv").c_str()), 0);
  ASSERT_EQ(ReplaceFile(dir.File("dangling.csv"), "made"), SaveResult::Ok);
  EXPECT_EQ(test::ReadAll(dir.File("web/later.csv")), "made");

  ASSERT_EQ(symlink("loop", dir.File("loop").c_str()), 0);
  EXPECT_EQ(ReplaceFile(dir.File("loop"), "x"), SaveResult::OpenFailed);
}

TEST(ReplaceFile, RemovesOnlyOurOwnStaleTemporaryFiles) {
  test::TempDir dir;
  const char* stale[] = {".zuntextpure.txt.4242.7.tmp", ".001.csv.1.0.tmp"};
  const char* kept[] = {".zuntextpure.txt.tmp", "notes.1.2.tmp", ".x.1.a.tmp", ".zuntextpure.txt.9.9.tmp.bak"};
  for (const char* name : stale) test::WriteAll(dir.File(name), "torn");
  for (const char* name : kept) test::WriteAll(dir.File(name), "mine");
  test::WriteAll(dir.File(".fresh.csv.5.5.tmp"), "another program's save in progress");
  const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  for (const char* name : stale) utimensat(AT_FDCWD, dir.File(name).c_str(), old, 0);
  for (const char* name : kept) utimensat(AT_FDCWD, dir.File(name).c_str(), old, 0);

  ASSERT_EQ(ReplaceFile(dir.File("zuntextpure.txt"), "text"), SaveResult::Ok);
  for (const char* name : stale) EXPECT_NE(access(dir.File(name).c_str(), F_OK), 0) << name;
  for (const char* name : kept) EXPECT_EQ(access(dir.File(name).c_str(), F_OK), 0) << name;
  EXPECT_EQ(access(dir.File(".fresh.csv.5.5.tmp").c_str(), F_OK), 0);

  // Beside an output that is a link to another folder, as well as beside its target.
  mkdir(dir.File("web").c_str(), 0755);
  ASSERT_EQ(symlink("web/000.csv", dir.File("000.csv").c_str()), 0);
  for (const char* name : {"web/.000.csv.77.2.tmp"}) {
    test::WriteAll(dir.File(name), "torn");
    utimensat(AT_FDCWD, dir.File(name).c_str(), old, 0);
  }
  test::TempDir other;  // a folder not swept yet
  ASSERT_EQ(symlink(dir.File("000.csv").c_str(), other.File("000.csv").c_str()), 0);
  test::WriteAll(other.File(".000.csv.77.3.tmp"), "torn");
  utimensat(AT_FDCWD, other.File(".000.csv.77.3.tmp").c_str(), old, 0);
  ASSERT_EQ(ReplaceFile(other.File("000.csv"), "ranks"), SaveResult::Ok);
  EXPECT_NE(access(other.File(".000.csv.77.3.tmp").c_str(), F_OK), 0);
  EXPECT_NE(access(dir.File("web/.000.csv.77.2.tmp").c_str(), F_OK), 0);
  EXPECT_EQ(test::ReadAll(dir.File("web/000.csv")), "ranks");
}

}  // namespace
}  // namespace zun
