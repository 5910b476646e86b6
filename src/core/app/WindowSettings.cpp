#include "app/WindowSettings.h"

#include <algorithm>

#include "platform/Paths.h"

namespace zun {

WindowSettings ReadWindowSettings(const Profile& ini, const WindowSettings& defaults) {
  WindowSettings s;
  s.textDir = ini.ReadString("WorkFiles", "TextFilePath", defaults.textDir);
  s.needCsv = ini.ReadBool("WorkFiles", "NeedCSV", defaults.needCsv);
  s.ignoreFR = ini.ReadBool("WorkFiles", "ignoreFR", defaults.ignoreFR);
  s.exeDir = defaults.exeDir;
  s.lastHDir = ini.ReadString("Params", "LastHDir", defaults.lastHDir);
  s.lastLDir = ini.ReadString("Params", "LastLDir", defaults.lastLDir);
  s.hostName = ini.ReadString("Params", "HostName", defaults.hostName);
  s.userId = ini.ReadString("Params", "UserID", defaults.userId);
  s.previousZunText = ini.ReadString("Params", "prvZunTextName", defaults.previousZunText);
  s.uploadMode = std::clamp(ini.ReadInteger("Params", "UpLDOpt", defaults.uploadMode), -1, 2);
  s.ftpCaFile = ini.ReadString("Params", "FtpCaFile", defaults.ftpCaFile);
  s.sftpKeyFile = ini.ReadString("Params", "SftpKeyFile", defaults.sftpKeyFile);
  return s;
}

void WriteWindowSettings(Profile& ini, const WindowSettings& s) {
  ini.WriteString("WorkFiles", "exFilePath", s.exeDir);
  ini.WriteString("Params", "LastHDir", s.lastHDir);
  ini.WriteString("Params", "LastLDir", s.lastLDir);
  ini.WriteString("Params", "HostName", s.hostName);
  ini.WriteString("Params", "UserID", s.userId);
  ini.WriteString("Params", "prvZunTextName", s.previousZunText);
  ini.WriteInteger("Params", "UpLDOpt", s.uploadMode);
  ini.WriteBool("WorkFiles", "ignoreFR", true);
  if (DirectoryExists(s.textDir)) ini.WriteString("WorkFiles", "TextFilePath", s.textDir);
  ini.WriteBool("WorkFiles", "NeedCSV", s.needCsv);
}

}  // namespace zun
