#pragma once
// The main window's settings file as a record: every key it reads or writes, in one place.
#include <string>

#include "platform/Profile.h"

namespace zun {

struct WindowSettings {
  // [WorkFiles]
  std::string textDir;      // TextFilePath: the output folder; written only while it exists
  bool needCsv = true;      // NeedCSV
  bool ignoreFR = true;     // ignoreFR: always written true (the tick cannot be taken off)
  std::string exeDir;       // exFilePath: written for the operator's information, never read
  // [Params]
  std::string lastHDir;         // LastHDir
  std::string lastLDir;         // LastLDir
  std::string hostName;         // HostName
  std::string userId;           // UserID
  std::string previousZunText;  // prvZunTextName
  int uploadMode = 0;           // UpLDOpt: -1..2
  std::string ftpCaFile;        // FtpCaFile: read only, set by hand
  std::string sftpKeyFile;      // SftpKeyFile: read only, set by hand
};

// The keys of `ini`, each missing one taken from `defaults`.
WindowSettings ReadWindowSettings(const Profile& ini, const WindowSettings& defaults);
void WriteWindowSettings(Profile& ini, const WindowSettings& settings);

}  // namespace zun
