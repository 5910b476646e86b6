#include "platform/Profile.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace zun {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

TEST(Profile, ReadsAsTheProfileFunctionsDo) {
  TempDir dir;
  const std::string path = dir.File("a.INI");
  WriteAll(path,
           "; comment\r\n[workfiles]\r\n  TEXTFILEPATH =  \"/x/TXT\"  \r\nNeedCSV=0\r\nq='one'\r\nqq=\"\"two\"\"\r\n"
           "[Params]\nUpLDOpt=0x10\nbad=abc\nempty=\nlong=" +
               std::string(3000, 'a') + "\n");
  const Profile ini(path);
  EXPECT_EQ(ini.ReadString("WorkFiles", "TextFilePath", "-"), "/x/TXT");
  EXPECT_FALSE(ini.ReadBool("WORKFILES", "needcsv", true));
  EXPECT_EQ(ini.ReadString("WorkFiles", "q", ""), "one");
  EXPECT_EQ(ini.ReadString("WorkFiles", "qq", ""), "\"two\"");  // one pair only
  EXPECT_EQ(ini.ReadInteger("Params", "UpLDOpt", 0), 16);
  EXPECT_EQ(ini.ReadInteger("Params", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Params", "empty", 5), 5);
  EXPECT_EQ(ini.ReadString("Params", "long", "").size(), kProfileValueMax);
  EXPECT_EQ(ini.ReadString("Params", "missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Other", "NeedCSV", "dflt"), "dflt");  // keys belong to their section
}

TEST(Profile, WriteChangesOnlyItsOwnLine) {
  TempDir dir;
  const std::string path = dir.File("a.INI");
  WriteAll(path, "; keep me\r\n[WorkFiles]\r\nNeedCSV=1\r\nother=x\r\n\r\n[Mine]\nk=v\n");
  Profile ini(path);
  ini.WriteBool("workfiles", "NEEDCSV", false);
  ini.WriteString("WorkFiles", "ignoreFR", "1");
  ini.WriteInteger("Params", "UpLDOpt", -1);
  ASSERT_EQ(ini.Save(), SaveResult::Ok);
  EXPECT_EQ(ReadAll(path),
            "; keep me\r\n[WorkFiles]\r\nNEEDCSV=0\r\nother=x\r\nignoreFR=1\r\n\r\n[Mine]\nk=v\n[Params]\r\nUpLDOpt=-1\r\n");
  const Profile again(path);
  EXPECT_EQ(again.ReadInteger("Params", "UpLDOpt", 9), -1);
  EXPECT_EQ(again.ReadString("Mine", "k", ""), "v");
}

TEST(Profile, LastLineEndingInABareCrIsEndedBeforeALineIsAdded) {
  TempDir dir;
  const std::string path = dir.File("a.INI");
  WriteAll(path, "[WorkFiles]\r\nUserID=me\r");
  Profile ini(path);
  ini.WriteString("WorkFiles", "HostName", "h");
  ini.WriteString("Params", "UpLDOpt", "1");
  ASSERT_EQ(ini.Save(), SaveResult::Ok);
  const Profile again(path);
  EXPECT_EQ(again.ReadString("WorkFiles", "UserID", ""), "me");
  EXPECT_EQ(again.ReadString("WorkFiles", "HostName", ""), "h");
  EXPECT_EQ(again.ReadString("Params", "UpLDOpt", ""), "1");

  WriteAll(path, "[WorkFiles]\r\nUserID=me\r");
  Profile section(path);
  section.WriteString("Params", "k", "v");
  ASSERT_EQ(section.Save(), SaveResult::Ok);
  EXPECT_EQ(ReadAll(path), "[WorkFiles]\r\nUserID=me\r\n[Params]\r\nk=v\r\n");
}

TEST(Profile, FirstSaveCreatesTheFile) {
  TempDir dir;
  const std::string path = dir.File("new.INI");
  Profile ini(path);
  EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
  ini.WriteString("S", "k", "line\nbreak");
  ASSERT_EQ(ini.Save(), SaveResult::Ok);
  EXPECT_EQ(ReadAll(path), "[S]\r\nk=line break\r\n");
  Profile broken(dir.File("missing/x.INI"));
  broken.WriteString("S", "k", "v");
  EXPECT_NE(broken.Save(), SaveResult::Ok);
}

}  // namespace
}  // namespace zun
