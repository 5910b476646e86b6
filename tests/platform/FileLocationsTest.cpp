// Where settings, hosts and outputs live: beside a portable copy, in the user's folders otherwise.
#include "platform/FileLocations.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "TempDir.h"
#include "platform/Paths.h"

namespace zun {
namespace {

TEST(FileLocations, BesideAWritableProgramOtherwiseInTheUsersFolders) {
  EXPECT_EQ(LocateFiles("/opt/zt/zuntexteditor", true, "/x/conf", "/x/data", "/home/op"),
            (FileLocations{"/opt/zt/zuntexteditor.INI", "/opt/zt/zuntexteditor.H$$", "/opt/zt/TXT"}));
  EXPECT_EQ(LocateFiles("/usr/bin/zuntexteditor", false, "/x/conf", "/x/data", "/home/op"),
            (FileLocations{"/x/conf/zuntexteditor/zuntexteditor.INI", "/x/conf/zuntexteditor/zuntexteditor.H$$",
                           "/x/data/zuntexteditor/TXT"}));
  // Unset or relative XDG folders give the usual ones in the home folder.
  EXPECT_EQ(LocateFiles("/usr/bin/zuntexteditor", false, "", "rel/data", "/home/op"),
            (FileLocations{"/home/op/.config/zuntexteditor/zuntexteditor.INI",
                           "/home/op/.config/zuntexteditor/zuntexteditor.H$$",
                           "/home/op/.local/share/zuntexteditor/TXT"}));
}

TEST(FileLocations, AnInstalledProgramMakesTheUsersFolders) {
  test::TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.File("conf").c_str(), 1);
  setenv("XDG_DATA_HOME", dir.File("deep/data").c_str(), 1);
  const FileLocations installed = LocateFilesForThisUser("/usr/bin/zuntexteditor");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(installed.SettingsFile, dir.File("conf/zuntexteditor/zuntexteditor.INI"));
  EXPECT_TRUE(DirectoryExists(dir.File("conf/zuntexteditor")));
  EXPECT_TRUE(DirectoryExists(dir.File("deep/data/zuntexteditor")));

  const FileLocations portable = LocateFilesForThisUser(dir.File("zuntexteditor"));
  EXPECT_EQ(portable.DefaultOutputDir, dir.File("TXT"));
}

}  // namespace
}  // namespace zun
