// The window's settings keys: what one run writes, the next reads back under the same keys.
#include "app/WindowSettings.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace zun {
namespace {

// Every field both written and read survives a save and a fresh read, whatever the defaults of
// that read; the keys read only keep their defaults, and an output folder gone is not written.
TEST(WindowSettingsTest, WhatIsWrittenIsReadBackUnderItsOwnKey) {
  test::TempDir dir;
  WindowSettings s;
  s.textDir = dir.Path();
  s.needCsv = false;
  s.exeDir = "/opt/zun";
  s.lastHDir = "/race/2026";
  s.lastLDir = "/home/op";
  s.hostName = "results.example.org";
  s.userId = "race";
  s.previousZunText = "/data/race.txt";
  s.uploadMode = 2;
  Profile ini(dir.File("zuntexteditor.INI"));
  WriteWindowSettings(ini, s);
  ASSERT_EQ(ini.Save(), SaveResult::Ok);

  WindowSettings other;
  other.textDir = "/elsewhere";
  other.needCsv = true;
  other.hostName = "other";
  other.userId = "other";
  other.uploadMode = 0;
  other.ftpCaFile = "/ca.pem";
  const WindowSettings back = ReadWindowSettings(Profile(dir.File("zuntexteditor.INI")), other);
  EXPECT_EQ(back.textDir, s.textDir);
  EXPECT_EQ(back.needCsv, s.needCsv);
  EXPECT_TRUE(back.ignoreFR);
  EXPECT_EQ(back.lastHDir, s.lastHDir);
  EXPECT_EQ(back.lastLDir, s.lastLDir);
  EXPECT_EQ(back.hostName, s.hostName);
  EXPECT_EQ(back.userId, s.userId);
  EXPECT_EQ(back.previousZunText, s.previousZunText);
  EXPECT_EQ(back.uploadMode, s.uploadMode);
  EXPECT_EQ(back.ftpCaFile, "/ca.pem");
  EXPECT_EQ(ini.ReadString("WorkFiles", "exFilePath", ""), "/opt/zun");

  s.textDir = dir.File("gone");
  Profile again(dir.File("again.INI"));
  WriteWindowSettings(again, s);
  EXPECT_EQ(again.ReadString("WorkFiles", "TextFilePath", "-"), "-");
}

}  // namespace
}  // namespace zun
