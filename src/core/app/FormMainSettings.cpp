// The main window's settings file: read at start, written at close.
#include <algorithm>

#include "app/FormMain.h"
#include "ftp/KnownHosts.h"
#include "output/PureText.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace zun {

std::string FormMain::SettingsPath() const { return files_.SettingsFile; }

void FormMain::SetEditText(Control& edit, const std::string& text, void (FormMain::*onChange)()) {
  if (edit.text == text) return;
  edit.text = text;
  (this->*onChange)();
}

void FormMain::LoadSettings() {
  const Profile ini(SettingsPath());
  ExeDir = FolderOf(options_.ExecutablePath);
  TextDir = ini.ReadString("WorkFiles", "TextFilePath", TextDir);
  CBNeedCSV.checked = ini.ReadBool("WorkFiles", "NeedCSV", CBNeedCSV.checked);
  const bool ignoreFR = ini.ReadBool("WorkFiles", "ignoreFR", true);
  if (ignoreFR != CBignoreFR.checked) {
    CBignoreFR.checked = ignoreFR;
    CBignoreFRClick();
  }
  LastHDir = ini.ReadString("Params", "LastHDir", "");
  LastLDir = ini.ReadString("Params", "LastLDir", "");
  ftpClient_->SetCaFile(ini.ReadString("Params", "FtpCaFile", ""));
  sftpKeyFile_ = ini.ReadString("Params", "SftpKeyFile", "");
  ftpClient_->SetSshSettings(ftp::SshSettings{
      sftpKeyFile_, ftp::DefaultKnownHostsPath(),
      [this](const std::string& host, const std::string& fingerprint) { return ConfirmUnknownHostKey(host, fingerprint); }});
  SetEditText(EHost, ini.ReadString("Params", "HostName", EHost.text), &FormMain::EHostChange);
  SetEditText(EUserId, ini.ReadString("Params", "UserID", EUserId.text), &FormMain::EUserIdChange);
  const std::string previous = ini.ReadString("Params", "prvZunTextName", "");
  RGUpLDOpt.itemIndex = std::clamp(ini.ReadInteger("Params", "UpLDOpt", 0), -1, 2);
  if (FileExists(previous)) ZunTextPath = previous;
  if (TextDir.empty()) TextDir = files_.DefaultOutputDir;
  if (!DirectoryExists(TextDir)) CreateFolder(TextDir);
  Dir999 = JoinPath(TextDir, "999");
  if (!DirectoryExists(Dir999)) CreateFolder(Dir999);
  Dir000 = JoinPath(TextDir, "000");
  if (!DirectoryExists(Dir000)) CreateFolder(Dir000);
  Label2.text = Dir000;
  Label1.text = Dir999;
  Label3.text = TextDir;
  PureTextPath = JoinPath(TextDir, kPureTextFileName);
  HostEdited = false;
  LookupStoredPassword();
}

bool FormMain::SaveSettings() {
  Profile ini(SettingsPath());
  ini.WriteString("WorkFiles", "exFilePath", ExeDir);
  ini.WriteString("Params", "LastHDir", LastHDir);
  ini.WriteString("Params", "LastLDir", LastLDir);
  ini.WriteString("Params", "HostName", EHost.text);
  ini.WriteString("Params", "UserID", EUserId.text);
  ini.WriteString("Params", "prvZunTextName", ZunTextPath);
  ini.WriteInteger("Params", "UpLDOpt", RGUpLDOpt.itemIndex);
  ini.WriteBool("WorkFiles", "ignoreFR", true);
  CipheredPassword = StoredFromPassword(EPassword.text);
  if (DirectoryExists(TextDir)) ini.WriteString("WorkFiles", "TextFilePath", TextDir);
  ini.WriteBool("WorkFiles", "NeedCSV", CBNeedCSV.checked);
  if (ini.Save() != SaveResult::Ok) {
    prompter_.ShowMessage(Format("%s に書き込めませんでした。", ini.Path().c_str()));
    return false;
  }
  return true;
}

}  // namespace zun
