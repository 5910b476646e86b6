#include "hosts/Hostlist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "TempDir.h"
#include "hosts/Ecypt.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace zun {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

// A record built byte by byte as the host file lays it out.
std::string Record(std::string_view host, std::string_view user, std::string_view password,
                   std::string_view local, std::string_view remote) {
  std::string r(401, '\0');
  r[0] = 1;
  r.replace(1, host.size(), host);
  r.replace(81, user.size(), user);
  r.replace(161, password.size(), password);
  r.replace(241, local.size(), local);
  r.replace(321, remote.size(), remote);
  return r;
}

HostFields Fields(std::string host, std::string user, std::string password = "pw", std::string local = "/l",
                  std::string remote = "/r") {
  return {std::move(host), std::move(user), std::move(password), std::move(local), std::move(remote)};
}

const HostConfirm kYes = [](const std::string&) { return true; };
const HostConfirm kNo = [](const std::string&) { return false; };

class Hostlist : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("zuntexteditor.H$$");
  HostTable table;
};

TEST_F(Hostlist, ReadsARecordWrittenByHand) {
  std::string first = Record("ftp.example.jp", "runner", EncipherPassword("password"), "/home/op/TXT", "/www/res");
  first.replace(1 + 15, 5, "JUNK!");  // bytes after a field's zero carry no meaning
  const std::string hostCp932 = "\x83\x7a\x83\x58\x83\x67";  // ホスト
  WriteAll(path, first + Record(hostCp932, "u2", EncipherPassword("\x83\x70\x83\x58"), "", ""));

  ASSERT_TRUE(LoadHostTable(table, path, false).read);
  EXPECT_EQ(table.UsedCount(), 2);
  const HostEntry& e = table.entries[0];
  EXPECT_EQ(e.hostName, "ftp.example.jp");
  EXPECT_EQ(e.userName, "runner");
  EXPECT_EQ(e.localDir, "/home/op/TXT");
  EXPECT_EQ(e.remoteDir, "/www/res");
  EXPECT_EQ(DecipherPassword(e.password), "password");

  const HostFields second = FieldsOfEntry(table.entries[1]);
  EXPECT_EQ(second.host, "ホスト");
  EXPECT_EQ(second.password, "パス");
}

TEST_F(Hostlist, RemoteFolderKeepsTheServersBytes) {
  // Written for a Shift-JIS server: the folder's bytes go back to it unchanged.
  const std::string sjisFolder = "/\x8c\x8b\x89\xca";  // /結果
  WriteAll(path, Record("h", "u", EncipherPassword("pw"), "/l", sjisFolder));
  ASSERT_TRUE(LoadHostTable(table, path, false).read);
  EXPECT_EQ(FieldsOfEntry(table.entries[0]).lastHDir, sjisFolder);

  // A UTF-8 server's folder, with a character Shift-JIS lacks, is remembered as well.
  const std::string utf8Folder = "/r\xc3\xa9sultats/\xe2\x82\xac";
  const RememberHostResult stored = RememberCurrentHost(table, path, Fields("h", "u", "pw", "/l", utf8Folder));
  EXPECT_EQ(stored.store.outcome, HostStore::Updated) << stored.store.message;
  ASSERT_TRUE(LoadHostTable(table, path, false).read);
  EXPECT_EQ(table.entries[0].remoteDir, utf8Folder);
  EXPECT_EQ(FieldsOfEntry(table.entries[0]).lastHDir, utf8Folder);
}

TEST_F(Hostlist, AHostWithItsSchemeComesBackAsSaved) {
  const std::string host = "ftps://results.example.jp:2121";
  ASSERT_EQ(RememberCurrentHost(table, path, Fields(host, "u")).store.outcome, HostStore::Added);
  HostTable loaded;
  ASSERT_TRUE(LoadHostTable(loaded, path, false).read);
  EXPECT_EQ(FieldsOfEntry(loaded.entries[0]).host, host);
  EXPECT_EQ(ReadAll(path).substr(1, host.size() + 1), host + '\0');
  // The same host without its scheme is another host.
  EXPECT_EQ(StoreCurrentHost(loaded, Fields("results.example.jp:2121", "u")).outcome, HostStore::Added);
}

TEST_F(Hostlist, WritesTheRecordLayout) {
  WriteAll(path, "old");
  chmod(path.c_str(), 0644);
  const HostStoreResult store = StoreCurrentHost(table, Fields("ホスト", "user", "password", "/l/dir", "/r/dir"));
  ASSERT_EQ(store.outcome, HostStore::Added);
  EXPECT_EQ(store.cipheredPassword, EncipherPassword("password"));
  ASSERT_EQ(SaveHostTable(table, path).outcome, HostSave::Written);

  const std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes, Record("\x83\x7a\x83\x58\x83\x67", "user", "\x9f\x0b\xc9\xde\x13\x5e\x7f\xbc\x44", "/l/dir", "/r/dir"));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Hostlist, ThirtyOneRecordsReadAsThirtyAndPartialRecordIgnored) {
  std::string bytes;
  for (int i = 0; i < 31; ++i) bytes += Record("host" + std::to_string(i), "u", "", "", "");
  WriteAll(path, bytes);
  ASSERT_TRUE(LoadHostTable(table, path, false).read);
  EXPECT_EQ(table.UsedCount(), 30);
  EXPECT_EQ(table.entries[29].hostName, "host29");
  ASSERT_EQ(SaveHostTable(table, path).outcome, HostSave::Written);
  EXPECT_EQ(ReadAll(path), bytes.substr(0, 30 * 401));

  WriteAll(path, Record("a", "u", "", "", "") + Record("b", "u", "", "", "").substr(0, 400));
  ASSERT_TRUE(LoadHostTable(table, path, false).read);
  EXPECT_EQ(table.UsedCount(), 1);
}

TEST_F(Hostlist, ThirtyFirstHostShowsTheLimit) {
  for (int i = 0; i < 30; ++i) {
    ASSERT_EQ(StoreCurrentHost(table, Fields("h" + std::to_string(i), "u")).outcome, HostStore::Added);
  }
  ASSERT_EQ(SaveHostTable(table, path).outcome, HostSave::Written);
  const std::string before = ReadAll(path);

  const RememberHostResult r = RememberCurrentHost(table, path, Fields("new", "u"));
  EXPECT_EQ(r.store.outcome, HostStore::Full);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], "登録できるホストは 30 個までです。\n不要なホストを削除して下さい。");
  EXPECT_EQ(ReadAll(path), before);

  // A stored host can still be updated when the table is full.
  EXPECT_EQ(StoreCurrentHost(table, Fields("h7", "u", "other")).outcome, HostStore::Updated);
}

TEST_F(Hostlist, MatchingIsByExactBytes) {
  EXPECT_EQ(StoreCurrentHost(table, Fields("Host", "u")).outcome, HostStore::Added);
  EXPECT_EQ(StoreCurrentHost(table, Fields("host", "u")).outcome, HostStore::Added);
  EXPECT_EQ(StoreCurrentHost(table, Fields("host", "v")).outcome, HostStore::Added);
  EXPECT_EQ(StoreCurrentHost(table, Fields("host ", "v")).outcome, HostStore::Added);
  const HostStoreResult again = StoreCurrentHost(table, Fields("host", "u", "new", "/l2", "/r2"));
  EXPECT_EQ(again.outcome, HostStore::Updated);
  EXPECT_EQ(again.slot, 1);
  EXPECT_EQ(table.UsedCount(), 4);
  EXPECT_EQ(table.entries[1].remoteDir, "/r2");
  EXPECT_EQ(DecipherPassword(table.entries[1].password), "new");
}

TEST_F(Hostlist, BlankHostStoresNothing) {
  const RememberHostResult r = RememberCurrentHost(table, path, Fields("  ", "u"));
  EXPECT_EQ(r.store.outcome, HostStore::Blank);
  EXPECT_FALSE(r.store.cipheredPassword.has_value());
  EXPECT_TRUE(r.messages.empty());
  EXPECT_FALSE(FileExists(path));
}

TEST_F(Hostlist, OverLongFieldsAreRefusedNotCut) {
  const std::string ok79(79, 'x');
  const std::string long80(80, 'x');
  // Lengths count the bytes in the file: 40 two-byte characters are 80 bytes there (120 in UTF-8).
  std::string kanji27, kanji40;
  for (int i = 0; i < 27; ++i) kanji27 += "あ";
  for (int i = 0; i < 40; ++i) kanji40 += "あ";
  EXPECT_EQ(StoreCurrentHost(table, Fields(ok79, ok79, std::string(78, 'p'), ok79, ok79)).outcome, HostStore::Added);

  struct Case {
    HostFields fields;
    const char* name;
    int limit;
  } cases[] = {
      {Fields(long80, "u"), "ホスト名", 79},
      {Fields("h", long80), "ユーザー名", 79},
      {Fields("h", "u", std::string(79, 'p')), "パスワード", 78},
      {Fields("h", "u", "pw", long80), "ローカルフォルダ", 79},
      {Fields("h", "u", "pw", "/l", long80), "リモートフォルダ", 79},
      {Fields(kanji40, "u"), "ホスト名", 79},
  };
  for (const Case& c : cases) {
    const HostStoreResult r = StoreCurrentHost(table, c.fields);
    EXPECT_EQ(r.outcome, HostStore::Refused) << c.name;
    EXPECT_EQ(r.message, std::string(c.name) + "が長すぎるため、ホストを登録できませんでした。\n" + c.name + "は " +
                             std::to_string(c.limit) + " バイトまでです。");
  }
  EXPECT_EQ(table.UsedCount(), 1);
  EXPECT_EQ(StoreCurrentHost(table, Fields(kanji27, "u")).outcome, HostStore::Added);

  const HostStoreResult odd = StoreCurrentHost(table, Fields("h", "u", "pw", "/home/\xF0\x9F\x98\x80"));
  EXPECT_EQ(odd.outcome, HostStore::Refused);
  EXPECT_EQ(odd.message, "ローカルフォルダに Shift-JIS で表せない文字があるため、\nホストを登録できませんでした。");
}

TEST_F(Hostlist, NoFileAtAll) {
  const HostLoadResult load = LoadHostTable(table, path, false);
  EXPECT_FALSE(load.read);
  EXPECT_TRUE(load.message.empty());
  EXPECT_EQ(SaveHostTable(table, path).outcome, HostSave::Untouched);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(LookupStoredPassword(table, path, Fields("h", "u")), "");

  HostForm form;
  const HostListBegin begin = BeginOpenHostList(table, form, path, false);
  EXPECT_TRUE(begin.showDialog);
  EXPECT_TRUE(begin.messages.empty());
  EXPECT_TRUE(form.Rows().empty());
  EXPECT_EQ(form.ButtonSetClick(-1, kYes).message, "ホストが指定されていません。");
  EXPECT_EQ(form.ButtonDeleteClick(-1, kYes).message, "ホストが指定されていません。");
  EXPECT_FALSE(form.ButtonSetClick(-1, kYes).close);
}

TEST_F(Hostlist, FailedLoadThenSaveLeavesTheFileAlone) {
  // A regular file that even the super-user cannot read.
  ASSERT_EQ(symlink("/proc/self/mem", path.c_str()), 0);
  const HostLoadResult quiet = LoadHostTable(table, path, true);
  EXPECT_FALSE(quiet.read);
  EXPECT_TRUE(quiet.message.empty());

  const RememberHostResult r = RememberCurrentHost(table, path, Fields("h", "u"));
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], path + "\nを開けませんでした。");
  EXPECT_EQ(r.store.outcome, HostStore::Added);
  EXPECT_EQ(SaveHostTable(table, path).outcome, HostSave::Untouched);
  struct stat st {};
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(Hostlist, UnwritableFileReportsAndKeepsTable) {
  const std::string blocked = dir.File("missing-folder/x.H$$");
  StoreCurrentHost(table, Fields("h", "u"));
  const HostSaveResult save = SaveHostTable(table, blocked);
  EXPECT_EQ(save.outcome, HostSave::Failed);
  EXPECT_EQ(save.message, blocked + "\nを開けませんでした。");
  EXPECT_EQ(table.UsedCount(), 1);
}

TEST_F(Hostlist, LookupNeedsAUserName) {
  WriteAll(path, Record("h", "", EncipherPassword("a"), "", "") + Record("h", "u", EncipherPassword("b"), "", "") +
                     Record("h", "u", EncipherPassword("c"), "", ""));
  EXPECT_EQ(LookupStoredPassword(table, path, Fields("h", "")), "");
  const std::string stored = LookupStoredPassword(table, path, Fields("h", "u"));
  EXPECT_EQ(PasswordFromStored(stored), "b");
  EXPECT_EQ(LookupStoredPassword(table, path, Fields("H", "u")), "");
}

TEST_F(Hostlist, ChoosingAHostFillsTheFields) {
  WriteAll(path, Record("a.jp", "ua", EncipherPassword("pa"), "/la", "/ra") +
                     Record("\x83\x7a\x83\x58\x83\x67", "ub", EncipherPassword("\x83\x70\x83\x58"), "/lb", "/rb"));
  HostForm form;
  ASSERT_TRUE(BeginOpenHostList(table, form, path, false).showDialog);
  ASSERT_EQ(form.Rows().size(), 2u);
  EXPECT_EQ(form.Rows()[1].host, "ホスト");
  EXPECT_EQ(form.Rows()[1].user, "ub");

  std::string asked;
  HostButtonResult no = form.ButtonSetClick(1, [&](const std::string& q) { asked = q; return false; });
  EXPECT_EQ(asked, "指定のホストに設定してもいいですか？");
  EXPECT_FALSE(no.close);
  EXPECT_TRUE(no.focusList);
  EXPECT_EQ(form.Tag(), -1);

  EXPECT_TRUE(form.ButtonSetClick(1, kYes).close);
  EXPECT_EQ(form.Tag(), 1);
  EXPECT_EQ(form.DeleteTag(), -1);

  HostFields fields = Fields("a.jp", "ua");
  const std::string before = ReadAll(path);
  const HostListEnd end = FinishOpenHostList(table, form, path, fields);
  EXPECT_TRUE(end.fieldsChanged);
  EXPECT_TRUE(end.messages.empty());
  EXPECT_EQ(fields.host, "ホスト");
  EXPECT_EQ(fields.user, "ub");
  EXPECT_EQ(fields.password, "パス");
  EXPECT_EQ(fields.lastLDir, "/lb");
  EXPECT_EQ(fields.lastHDir, "/rb");
  EXPECT_EQ(ReadAll(path), before);
}

TEST_F(Hostlist, CancelAndRefusalWhileConnected) {
  WriteAll(path, Record("a", "u", "", "", ""));
  HostForm form;
  const HostListBegin refused = BeginOpenHostList(table, form, path, true);
  EXPECT_FALSE(refused.showDialog);
  ASSERT_EQ(refused.messages.size(), 1u);
  EXPECT_EQ(refused.messages[0], "ホストに接続中はホストの変更はできません。");

  ASSERT_TRUE(BeginOpenHostList(table, form, path, false).showDialog);
  form.ButtonSetClick(0, kYes);
  EXPECT_TRUE(form.ButtonCancelClick().close);
  EXPECT_EQ(form.Tag(), -1);
  HostFields fields = Fields("x", "y");
  EXPECT_FALSE(FinishOpenHostList(table, form, path, fields).fieldsChanged);
  EXPECT_EQ(fields.host, "x");
}

TEST_F(Hostlist, DeletingTheHostInUseIsRefused) {
  WriteAll(path, Record("a", "u", "", "", "") + Record("b", "u", "", "", ""));
  const std::string before = ReadAll(path);
  HostForm form;
  BeginOpenHostList(table, form, path, false);
  std::string asked;
  EXPECT_TRUE(form.ButtonDeleteClick(1, [&](const std::string& q) { asked = q; return true; }).close);
  EXPECT_EQ(asked, "指定のホストを削除してもいいですか？");
  EXPECT_EQ(form.DeleteTag(), 1);
  EXPECT_EQ(form.Tag(), -1);

  HostFields inUse = Fields("b", "u");
  const HostListEnd end = FinishOpenHostList(table, form, path, inUse);
  EXPECT_FALSE(end.deleted);
  ASSERT_EQ(end.messages.size(), 1u);
  EXPECT_EQ(end.messages[0], "指定のホストは現在使用中ですので\n削除できませんでした。");
  EXPECT_EQ(ReadAll(path), before);

  // Another user on the same host is not the host in use.
  BeginOpenHostList(table, form, path, false);
  form.ButtonDeleteClick(1, kYes);
  HostFields other = Fields("b", "v");
  EXPECT_TRUE(FinishOpenHostList(table, form, path, other).deleted);
  EXPECT_EQ(ReadAll(path), Record("a", "u", "", "", ""));
}

TEST_F(Hostlist, DeletingTheOnlyHostEmptiesTheFile) {
  WriteAll(path, Record("a", "u", "", "", ""));
  HostForm form;
  BeginOpenHostList(table, form, path, false);
  form.ButtonDeleteClick(0, kYes);
  HostFields fields = Fields("", "");
  EXPECT_TRUE(FinishOpenHostList(table, form, path, fields).deleted);
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(ReadAll(path), "");
  EXPECT_TRUE(LoadHostTable(table, path, false).read);
  EXPECT_EQ(table.UsedCount(), 0);
}

TEST_F(Hostlist, FreedSlotsWithoutALoadNeverEmptyTheFile) {
  WriteAll(path, Record("a", "u", "", "/l", "/keep"));
  ASSERT_TRUE(LoadHostTable(table, path, false).read);
  MarkAllHostsFree(table);
  EXPECT_EQ(FindHostSlot(table, "a", "u", false), -1);
  EXPECT_EQ(FindHostSlot(table, "a", "u", true), 0);
  EXPECT_EQ(table.entries[0].remoteDir, "/keep");
  EXPECT_EQ(SaveHostTable(table, path).outcome, HostSave::Untouched);
  EXPECT_EQ(ReadAll(path), Record("a", "u", "", "/l", "/keep"));
}

}  // namespace
}  // namespace zun
