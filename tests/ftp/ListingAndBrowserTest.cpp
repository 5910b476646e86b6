// Listings as servers send them, and the remote browser's sorting and decisions.
#include <gtest/gtest.h>

#include "ftp/CurlFtpClient.h"
#include "ftp/ListParser.h"
#include "ftp/RemoteBrowser.h"
#include "ftp/UploadWorkflow.h"
#include "platform/Cp932.h"

namespace zun::ftp {
namespace {

const FtpTime kNow{2024, 3, 10, 12, 0, 0};

TEST(ListParserTest, UnixListing) {
  const char* text =
      "total 12\r\n"
      "drwxr-xr-x   2 demo     demo         4096 Mar 05 06:07 sub\r\n"
      "-rw-r--r--   1 demo     demo           10 Dec 24 23:59 b.csv\r\n"
      "-rw-r--r--   1 demo     demo          123 Feb 29  2004 with two  blanks.txt\r\n"
      "-rw-r--r-- 1 owner 5000000000 Jan  1 00:00 nogroup.bin\r\n"
      "lrwxrwxrwx   1 demo     demo           11 Mar 01 10:00 link -> target.txt\r\n"
      "drwxr-xr-x   2 demo     demo         4096 Mar 05 06:07 .\r\n";
  auto e = ParseListListing(text, kNow);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].name, "sub");
  EXPECT_TRUE(e[0].isFolder);
  EXPECT_EQ(e[0].size, 4096u);
  EXPECT_EQ(e[0].modified, (FtpTime{2024, 3, 5, 6, 7, 0}));
  EXPECT_EQ(e[1].modified.year, 2023);  // December is ahead of March: last year
  EXPECT_EQ(e[2].name, "with two  blanks.txt");
  EXPECT_EQ(e[2].modified, (FtpTime{2004, 2, 29, 0, 0, 0}));
  EXPECT_EQ(e[3].name, "nogroup.bin");
  EXPECT_EQ(e[3].size, 5000000000ULL);
  EXPECT_EQ(e[4].name, "link");
  EXPECT_FALSE(e[4].isFolder);
  EXPECT_EQ(e[5].name, ".");
}

TEST(ListParserTest, DosListing) {
  const char* text =
      "03-05-04  06:07AM       <DIR>          sub folder\r\n"
      "12-31-99  12:15PM                 1234 a.txt\r\n"
      "01-02-2010  12:01AM                  7 midnight.csv\r\n"
      "garbage line\r\n";
  auto e = ParseListListing(text, kNow);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].name, "sub folder");
  EXPECT_TRUE(e[0].isFolder);
  EXPECT_EQ(e[0].size, 0u);
  EXPECT_EQ(e[0].modified, (FtpTime{2004, 3, 5, 6, 7, 0}));
  EXPECT_EQ(e[1].modified, (FtpTime{1999, 12, 31, 12, 15, 0}));
  EXPECT_EQ(e[1].size, 1234u);
  EXPECT_EQ(e[2].modified, (FtpTime{2010, 1, 2, 0, 1, 0}));
}

TEST(ListParserTest, MlsdListing) {
  const char* text =
      "type=cdir;modify=20240101000000; /pub\r\n"
      "type=pdir;modify=20240101000000; ..\r\n"
      "Type=File;Size=3;Modify=20040305060708.123; a b.txt\r\n"
      "modify=20240305060708;perm=el;size=4096;type=dir;unique=1; sub\r\n"
      "no facts here\r\n"
      "type=file;size=1;modify=00002023885761; odd clock\r\n";
  auto e = ParseMlsdListing(text);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[2].modified, FtpTime{});  // month 20, hour 88: no date at all
  EXPECT_EQ(e[0].name, "a b.txt");
  EXPECT_FALSE(e[0].isFolder);
  EXPECT_EQ(e[0].size, 3u);
  EXPECT_EQ(e[0].modified, (FtpTime{2004, 3, 5, 6, 7, 8}));
  EXPECT_TRUE(e[1].isFolder);
}

TEST(RemotePathTest, HostPortPathsAndPwdReplies) {
  std::string host;
  int port = 0;
  EXPECT_TRUE(SplitHostPort("ftp.example.org", host, port));
  EXPECT_EQ(port, 21);
  EXPECT_TRUE(SplitHostPort(" 127.0.0.1:2121 ", host, port));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 2121);
  EXPECT_TRUE(SplitHostPort("[::1]:990", host, port));
  EXPECT_EQ(host, "::1");
  EXPECT_FALSE(SplitHostPort("host:", host, port));
  EXPECT_FALSE(SplitHostPort("host:70000", host, port));
  EXPECT_FALSE(SplitHostPort("host:2x", host, port));

  EXPECT_EQ(NormalizeRemotePath("/a/b/../c/./d/"), "/a/c/d");
  EXPECT_EQ(NormalizeRemotePath("/../.."), "/");
  EXPECT_EQ(PathOfPwdReply("257 \"/a \"\"q\"\"\" is the current directory."), "/a \"q\"");
  EXPECT_EQ(PathOfPwdReply("257 no quotes"), "");
  EXPECT_TRUE(FeaturesOfferUtf8("211-Features:\n MLST type*;\n UTF8\n211 End"));
  EXPECT_FALSE(FeaturesOfferUtf8("211-Features:\n UTF8X\n211 End"));
  int64_t size = 0;
  EXPECT_TRUE(SizeOfReply("213 5000000000", size));
  EXPECT_EQ(size, 5000000000);
  EXPECT_FALSE(SizeOfReply("213 ", size));

  // A reply of several lines ends at the line with its code and a blank; lines between may start
  // with other digits.
  FtpReplyReader reader;
  int code = 0;
  std::string text;
  EXPECT_FALSE(reader.Feed("HTTP-like header\r\n", code, text));
  EXPECT_FALSE(reader.Feed("211-Features:\r\n", code, text));
  EXPECT_FALSE(reader.Feed("200 not the end\r\n", code, text));
  EXPECT_FALSE(reader.Feed("211-still not\r\n", code, text));
  ASSERT_TRUE(reader.Feed("211 End\r\n", code, text));
  EXPECT_EQ(code, 211);
  EXPECT_EQ(text, "211-Features:\n200 not the end\n211-still not\n211 End");
  ASSERT_TRUE(reader.Feed("226\n", code, text));
  EXPECT_EQ(text, "226");
}

TEST(RemoteNameTest, ServerBytesAreShownDecodedAndTemporaryNamesKnown) {
  EXPECT_EQ(DisplayRemoteName("results/000.csv"), "results/000.csv");
  EXPECT_EQ(DisplayRemoteName("/大会/結果"), "/大会/結果");
  EXPECT_EQ(DisplayRemoteName("/\x91\xe5\x89\xef/\x8c\x8b\x89\xca"), "/大会/結果");  // Shift-JIS bytes
  EXPECT_EQ(DisplayRemoteName("\xc0\xaf"), Utf8FromCp932("\xc0\xaf"));  // an overlong form is no UTF-8
  EXPECT_EQ(DisplayRemoteName("\xe6\x97"), Utf8FromCp932("\xe6\x97"));  // cut short

  EXPECT_EQ(TemporaryNameFor("001.csv"), ".zunpart-001.csv");
  EXPECT_EQ(TemporaryNameFor("/pub/001.csv"), "/pub/.zunpart-001.csv");
  EXPECT_TRUE(IsTemporaryName(TemporaryNameFor("zuntextpure.txt")));
  EXPECT_FALSE(IsTemporaryName("zuntextpure.txt"));
}

TEST(RemotePathTest, FtpsHostsAndTheirPorts) {
  FtpHostSpec spec;
  ASSERT_TRUE(ParseFtpHost("ftps://example.jp", spec));
  EXPECT_EQ(spec.name, "example.jp");
  EXPECT_EQ(spec.port, 21);
  EXPECT_TRUE(spec.tls);
  ASSERT_TRUE(ParseFtpHost(" FTPS://example.jp:2121/ ", spec));
  EXPECT_EQ(spec.port, 2121);
  EXPECT_TRUE(spec.tls);
  ASSERT_TRUE(ParseFtpHost("ftp://[::1]:990", spec));
  EXPECT_EQ(spec.name, "::1");
  EXPECT_FALSE(spec.tls);
  ASSERT_TRUE(ParseFtpHost("example.jp", spec));
  EXPECT_FALSE(spec.tls) << "a plain host stays plain FTP";
  EXPECT_FALSE(ParseFtpHost("ftps://", spec));
  EXPECT_FALSE(ParseFtpHost("sftp://example.jp", spec));
  std::string host;
  int port = 0;
  ASSERT_TRUE(SplitHostPort("ftps://example.jp:990", host, port));
  EXPECT_EQ(host, "example.jp");
  EXPECT_EQ(port, 990);
}

RemoteItem Item(std::string name, std::string date, std::string size, int image = kFileImage) {
  return {name, std::move(date), std::move(size), image, name};
}
std::vector<std::string> Captions(const std::vector<RemoteItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.Caption);
  return out;
}

TEST(RemoteBrowserTest, ColumnClicksSortAndFlipTheirOwnDirection) {
  std::vector<RemoteItem> items = {Item("b.csv", "2024/03/05 06:07.08", "10"),
                                   Item("A.csv", "2023/12/31 23:59.59", "9"),
                                   Item("dir", "2024/01/01 00:00.00", "0", kFolderImage),
                                   Item("c.csv", "2024/03/05 06:07.09", "x")};
  RemoteSortState state = InitialRemoteSortState();
  SortRemoteItemsByColumn(items, state, kColumnSize);  // first click on size: ascending
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"dir", "c.csv", "A.csv", "b.csv"}));
  SortRemoteItemsByColumn(items, state, kColumnSize);
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"b.csv", "A.csv", "dir", "c.csv"}));
  SortRemoteItemsByColumn(items, state, kColumnName);  // first click on name: descending
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"dir", "c.csv", "b.csv", "A.csv"}));
  SortRemoteItemsByColumn(items, state, kColumnName);
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"A.csv", "b.csv", "c.csv", "dir"}));
  SortRemoteItemsByColumn(items, state, kColumnDate);
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"c.csv", "b.csv", "dir", "A.csv"}));
  EXPECT_EQ(state.RemoteSortColumn, kColumnDate);

  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_GT(CompareText("a_", "ab"), 0);  // folded to capitals, so "_" comes after the letters
  EXPECT_GT(CompareText("\xE6\x97\xA5", "z"), 0);  // bytes above ASCII sort as bytes
}

TEST(RemoteBrowserTest, FoldersHistoryAndDialogDecisions) {
  std::vector<RemoteItem> items = {Item("a.csv", "", "1"), Item("sub", "", "0", kFolderImage),
                                   Item("", "", "0", kFolderImage)};
  EXPECT_EQ(FolderToEnter(items, {1}), "sub");
  EXPECT_EQ(FolderToEnter(items, {1, 0}), std::nullopt);  // the first selected is a file
  EXPECT_EQ(FolderToEnter(items, {}), std::nullopt);
  EXPECT_EQ(FolderToEnter(items, {2}), std::nullopt);
  EXPECT_FALSE(CanGoUp(" / "));
  EXPECT_TRUE(CanGoUp("/sub"));

  std::vector<std::string> history;
  AddFolderHistory(history, "/sub");
  AddFolderHistory(history, "/");
  AddFolderHistory(history, "/sub");
  AddFolderHistory(history, "/SUB");
  EXPECT_EQ(history, (std::vector<std::string>{"/sub", "/", "/SUB"}));

  EXPECT_EQ(FolderToCreate("   "), std::nullopt);
  EXPECT_EQ(FolderToCreate(" new "), " new ");  // sent as typed
  EXPECT_FALSE(CanRename(true, 2));
  EXPECT_FALSE(CanRename(false, 1));
  EXPECT_EQ(RenameTarget("a.csv", "a.csv"), std::nullopt);
  EXPECT_EQ(RenameTarget("a.csv", "  "), std::nullopt);
  EXPECT_EQ(RenameTarget("a.csv", "b.csv "), "b.csv ");
  EXPECT_FALSE(CanDelete(false, true, 1));
  EXPECT_FALSE(CanDelete(true, true, 0));
}

TEST(UploadPlanTest, NineNineNineModeTakesTheUncheckedEntriesFiftyPutsAPass) {
  std::vector<UploadEntry> entries;
  for (int i = 0; i < 60; ++i) entries.push_back({" " + std::to_string(100 + i) + ".csv ", i % 7 == 0});
  entries.push_back({"   ", false});
  UploadPlan plan = PlanUpload(UploadMode::CountRankings, "/out/999", "", entries, -1);
  ASSERT_EQ(plan.Kind, UploadKind::UncheckedEntries);
  ASSERT_EQ(plan.Files.size(), 51u);  // 9 checked, one blank
  EXPECT_EQ(plan.MaxPuts, 50u);
  EXPECT_EQ(plan.Files[0], (UploadFile{"/out/999/101.csv", "101.csv"}));

  for (auto& e : entries) e.Checked = true;
  EXPECT_EQ(PlanUpload(UploadMode::CountRankings, "/out/999", "", entries, -1).Kind, UploadKind::Nothing);
  plan = PlanUpload(UploadMode::CountRankings, "/out/999", "", entries, 3);
  EXPECT_EQ(plan.Kind, UploadKind::SelectedEntry);
  EXPECT_EQ(plan.Files, (std::vector<UploadFile>{{"/out/999/103.csv", "103.csv"}}));
  EXPECT_EQ(PlanUpload(UploadMode::PureText, "/nowhere", "/nowhere/zuntextpure.txt", entries, -1).Kind, UploadKind::Nothing);
  EXPECT_EQ(PlanUpload(UploadMode::None, "/out", "/out/x", entries, -1).Kind, UploadKind::Nothing);
  EXPECT_FALSE(UploadSourceForMode(UploadMode::None, "/t", "/9", "/0").has_value());
  EXPECT_EQ(UploadSourceForMode(UploadMode::OverallRanking, "/t", "/9", "/0")->UploadFilePath, "/0/000.csv");
  EXPECT_EQ(FolderCountStatus(3, 0), "ﾌｧｲﾙ数=3");
  EXPECT_EQ(MissingConnectInput("h", " ", ""), "パスワードを入力して下さい。");
}

}  // namespace
}  // namespace zun::ftp
