// The main window's part of the host list: the password looked up at start, the host stored at
// close, and the host dialog.
#include "app/FormMain.h"
#include "hosts/Hostlist.h"

namespace zun {

std::string FormMain::HostFilePath() const { return files_.HostFile; }

HostFields FormMain::CurrentHostFields() const {
  return HostFields{EHost.text, EUserId.text, EPassword.text, LastLDir, LastHDir};
}

void FormMain::LookupStoredPassword() {
  CipheredPassword = zun::LookupStoredPassword(Hosts, HostFilePath(), CurrentHostFields());
  if (CipheredPassword.empty()) return;
  // Filling the edit is a change of it, so HostEdited tells that a stored password was filled in.
  EPassword.text = PasswordFromStored(CipheredPassword);
  EPasswordChange();
}

void FormMain::RememberCurrentHost() {
  const RememberHostResult result = zun::RememberCurrentHost(Hosts, HostFilePath(), CurrentHostFields());
  if (result.store.cipheredPassword) CipheredPassword = *result.store.cipheredPassword;
  for (const std::string& message : result.messages) prompter_.ShowMessage(message);
}

void FormMain::OpenHostListExecute() {
  const std::string path = HostFilePath();
  const HostListBegin begin = BeginOpenHostList(Hosts, HostFormModel, path, Connected);
  for (const std::string& message : begin.messages) prompter_.ShowMessage(message);
  if (!begin.showDialog) return;
  prompter_.ShowHostDialog(HostFormModel);

  HostFields fields = CurrentHostFields();
  const HostListEnd end = FinishOpenHostList(Hosts, HostFormModel, path, fields);
  if (end.fieldsChanged) {
    SetEditText(EHost, fields.host, &FormMain::EHostChange);
    SetEditText(EUserId, fields.user, &FormMain::EUserIdChange);
    SetEditText(EPassword, fields.password, &FormMain::EPasswordChange);
    LastLDir = fields.lastLDir;
    LastHDir = fields.lastHDir;
  }
  for (const std::string& message : end.messages) prompter_.ShowMessage(message);
  UpdateControlStates();
}

}  // namespace zun
