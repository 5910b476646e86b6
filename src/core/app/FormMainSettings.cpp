// The main window's settings file (the keys are in WindowSettings): read at start, written at close.
#include "app/FormMain.h"
#include "app/WindowSettings.h"
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
  ExeDir = FolderOf(options_.ExecutablePath);
  WindowSettings defaults;
  defaults.textDir = TextDir;
  defaults.needCsv = CBNeedCSV.checked;
  defaults.hostName = EHost.text;
  defaults.userId = EUserId.text;
  const WindowSettings s = ReadWindowSettings(Profile(SettingsPath()), defaults);
  TextDir = s.textDir;
  CBNeedCSV.checked = s.needCsv;
  if (s.ignoreFR != CBignoreFR.checked) {
    CBignoreFR.checked = s.ignoreFR;
    CBignoreFRClick();
  }
  LastHDir = s.lastHDir;
  LastLDir = s.lastLDir;
  ftpClient_->SetCaFile(s.ftpCaFile);
  sftpKeyFile_ = s.sftpKeyFile;
  ftpClient_->SetSshSettings(ftp::SshSettings{
      sftpKeyFile_, ftp::DefaultKnownHostsPath(),
      [this](const std::string& host, const std::string& fingerprint) { return ConfirmUnknownHostKey(host, fingerprint); }});
  SetEditText(EHost, s.hostName, &FormMain::EHostChange);
  SetEditText(EUserId, s.userId, &FormMain::EUserIdChange);
  RGUpLDOpt.itemIndex = s.uploadMode;
  if (FileExists(s.previousZunText)) ZunTextPath = s.previousZunText;
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
  WindowSettings s;
  s.textDir = TextDir;
  s.needCsv = CBNeedCSV.checked;
  s.exeDir = ExeDir;
  s.lastHDir = LastHDir;
  s.lastLDir = LastLDir;
  s.hostName = EHost.text;
  s.userId = EUserId.text;
  s.previousZunText = ZunTextPath;
  s.uploadMode = RGUpLDOpt.itemIndex;
  CipheredPassword = StoredFromPassword(EPassword.text);
  Profile ini(SettingsPath());
  WriteWindowSettings(ini, s);
  if (ini.Save() != SaveResult::Ok) {
    prompter_.ShowMessage(Format("%s に書き込めませんでした。", ini.Path().c_str()));
    return false;
  }
  return true;
}

}  // namespace zun
