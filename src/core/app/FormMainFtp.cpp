// The main window's FTP work: connecting and disconnecting, the upload pass, the reconnect step and
// the remote file browser. Every remote step runs on the window's thread to its end.
#include <algorithm>

#include "app/FormMain.h"
#include "ftp/HostClient.h"
#include "ftp/RemoteBrowser.h"
#include "ftp/RemoteName.h"
#include "ftp/UploadWorkflow.h"
#include "hosts/Hostlist.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun {

void FormMain::MakeFtpSession() {
  if (options_.MakeFtpClient) ftpClient_ = options_.MakeFtpClient();
  if (!ftpClient_) ftpClient_ = std::make_unique<ftp::HostClient>();
  ftp::FtpSessionHooks hooks;
  hooks.ShowStatus = [this](const std::string& text) { ShowStatus(text); };
  hooks.ShowMessage = [this](const std::string& text) { prompter_.ShowMessage(text); };
  hooks.EnsureConnection = [this] { return EnsureConnection(); };
  hooks.ShownFolder = [this] { return FolderInUse(); };
  // The session sets the flag alone; the control states follow at the end of the step.
  hooks.SetConnected = [this](bool value) { Connected = value; };
  ftpSession_ = std::make_unique<ftp::FtpSession>(*ftpClient_, std::move(hooks));
}

void FormMain::SetFtpWaitHook(std::function<void()> hook) {
  ftpClient_->SetWaitHook([this, hook = std::move(hook)] {
    ++ftpWaiting_;
    hook();
    --ftpWaiting_;
  });
}

// ---------------------------------------------------------------- connection state

void FormMain::SetConnected(bool value) {
  Connected = value;
  UpdateFtpControlStates();
}

Control* FormMain::UploadLabel(int mode) {
  switch (mode) {
    case ftp::kUploadTxt: return &Label3;
    case ftp::kUpload999: return &Label1;
    case ftp::kUpload000: return &Label2;
    default: return nullptr;
  }
}

bool FormMain::OpenInternetSession() {
  return ftp::OpenInternetSession(
      Session(), [this] { MarkAllHostsFree(Hosts); }, [this](const std::string& text) { ReportPublishing(text); });
}

bool FormMain::EnsureConnection() {
  // The cycle's passes reconnect with the login in use: the fields may be half edited meanwhile.
  const ftp::ConnectionTarget target =
      automaticPass_ ? ftp::ConnectionTarget{loginInUse_.Host, loginInUse_.User, loginInUse_.Password, FolderInUse()}
                     : ftp::ConnectionTarget{EHost.text, EUserId.text, EPassword.text, FolderInUse()};
  const int logins = Session().Client().LoginCount();
  const bool connected = ftp::EnsureConnection(
      Session(), target, [this] { return OpenInternetSession(); },
      [this](const std::string& text) { ReportPublishing(text); });
  // A step of the operator's that logged in again with the fields (a password changed on the
  // server, say) makes that login the one in use.
  if (connected && !automaticPass_ && Session().Client().LoginCount() != logins)
    loginInUse_ = ftp::ConnectionTarget{target.Host, target.User, target.Password, std::string()};
  return connected;
}

// Asked once, when the operator connects; a key first seen by the cycle's own pass is refused
// (no box opens there) and shows in the cycle's state.
bool FormMain::ConfirmUnknownHostKey(const std::string& host, const std::string& fingerprint) {
  if (automaticPass_) return false;
  // The connection is half made while the question is open: the cycle's ticks wait meanwhile.
  ++ftpWaiting_;
  const bool yes = prompter_.Confirm(Format("%s のｻｰﾊﾞｰ鍵は known_hosts にありません。\n鍵の指紋: %s\n\n"
                                  "ｻｰﾊﾞｰの管理者から知らされた指紋と同じなら「はい」を押してください。"
                                  "鍵を記憶して接続します。",
                                  host.c_str(), fingerprint.c_str()));
  --ftpWaiting_;
  return yes;
}

// A pass by hand says what went wrong in a box, once per outage. The cycle's own passes open
// none: a box waiting for OK would hold publishing still until someone is at the desk, so they
// report in the status line and the cycle's state, which turns red.
void FormMain::ReportPublishing(const std::string& text) {
  if (collectingPassNotes_)
    passNotes_.push_back(text);
  else if (Publish.failing() || automaticPass_)
    ShowStatus(text);
  else
    prompter_.ShowMessage(text);
}

void FormMain::NotePublishFailure(const std::string& summary, const ftp::FtpError& error) {
  // What the pass had to say comes in one box with its verdict.
  std::string text;
  for (const std::string& note : passNotes_) text += note + "\n";
  passNotes_.clear();
  collectingPassNotes_ = false;
  ReportPublishing(text + summary);
  if (!Publish.failing()) Publish.failingSince = Now();
  ++Publish.failedAttempts;
  Publish.lastServerReply = error.message.empty() ? summary : error.message;
  Publish.lastUploadAt = Now();
  Publish.lastUploadOk = false;
  Publish.lastUploadSummary = summary;
  // One timeout is what an outage may cost the window: until the server greets again, the cycle's
  // passes are not sent into the silence.
  if (error.code == ftp::kFtpTimeout) Publish.awaitingServer = true;
}

// ---------------------------------------------------------------- remote list

void FormMain::SyncRemoteRows() {
  RemoteFileListV.rows.clear();
  RemoteFileListV.rows.reserve(RemoteItems.size());
  for (const ftp::RemoteItem& item : RemoteItems)
    RemoteFileListV.rows.push_back(ListRow{{item.Caption, item.Date, item.Size}, item.ImageIndex});
}

bool FormMain::ListRemote() {
  const bool listed = Session().List();
  RemoteItems = Session().Items();
  if (!automaticPass_) remoteSortedByOperator_ = false;
  if (remoteSortedByOperator_) ftp::SortAsLastClicked(RemoteItems, RemoteSortStateNow());
  SyncRemoteRows();
  ClearRemoteSelection();  // a refilled list has no selection
  return listed;
}

void FormMain::ClearRemoteSelection() {
  RemoteFileListV.selectedRows.clear();
  RemoteFileListV.itemIndex = -1;
}

std::vector<std::string> FormMain::SelectedRemoteCaptions() const {
  std::vector<std::string> captions;
  for (int index : RemoteFileListV.selectedRows)
    if (index >= 0 && static_cast<size_t>(index) < RemoteItems.size()) captions.push_back(RemoteItems[index].Caption);
  return captions;
}

void FormMain::SelectRemoteCaptions(const std::vector<std::string>& captions) {
  RemoteFileListV.selectedRows.clear();
  for (size_t i = 0; i < RemoteItems.size(); ++i)
    if (std::find(captions.begin(), captions.end(), RemoteItems[i].Caption) != captions.end())
      RemoteFileListV.selectedRows.push_back(static_cast<int>(i));
  RemoteFileListV.itemIndex = RemoteFileListV.selectedRows.empty() ? -1 : RemoteFileListV.selectedRows.front();
}

void FormMain::FocusRemoteList() {
  RemoteFileListV.focused = true;
  ++RemoteFileListV.focusRequests;
}

// The local folder is only remembered by the session here, so its success text would merely hide
// the folder counts that the operator looks for; failures are still reported.
void FormMain::EnterLocalFolder(const std::string& path) {
  const std::string shown = StatusBar1.items[2];
  if (Session().SetLocalDirectory(path)) ShowStatus(shown);
}

void FormMain::AddFolderHistory(const std::string& path) { ftp::AddFolderHistory(ComboCurrDir.items, path); }

// The box's text is the folder the operator's own steps enter, typed or shown. The cycle's passes
// go on in the folder last shown: a half-typed path there would throw publishing off the server,
// and showing the folder would overwrite what the operator is typing.
std::string FormMain::FolderInUse() const { return automaticPass_ ? shownFolder_ : ComboCurrDir.text; }

void FormMain::ShowFolderText(const std::string& path) {
  const bool typing = automaticPass_ && ComboCurrDir.text != shownFolder_;
  shownFolder_ = path;
  if (!typing) ComboCurrDir.text = path;
}

void FormMain::ShowRemoteFolder() {
  SetConnected(false);
  std::string path;
  if (Session().GetCurrentDirectory(path)) {
    ShowStatus(ftp::FolderCountStatus(Session().RemoteFileCount(), Session().RemoteDirCount()));
    ShowFolderText(path);
    AddFolderHistory(path);
  } else {
    ShowFolderText(std::string());
  }
  // A reconnect that failed inside the query leaves the session closed: claim no connection then.
  SetConnected(Session().IsOpen());
}

void FormMain::SelectUploadSource() {
  const std::optional<ftp::UploadSource> source =
      ftp::UploadSourceForMode(RGUpLDOpt.itemIndex, TextDir, Dir999, Dir000);
  if (source) {
    UploadDir = source->UploadDir;
    if (source->UploadFilePath) UploadFilePath = *source->UploadFilePath;
  }
  if (!DirectoryExists(UploadDir)) {
    prompter_.ShowMessage(ftp::UploadFolderMissingText(UploadDir));
    SetConnected(false);
    return;
  }
  LastLDir = UploadDir;
  EnterLocalFolder(LastLDir);
  bool ready = false;
  if (Control* label = source ? UploadLabel(source->LabelMode) : nullptr) {
    ready = label->text == LastLDir;
    label->fontColor = ready ? kColorRed : LabelColor;
  }
  SetConnected(ready && Session().IsOpen());
}

// ---------------------------------------------------------------- connect and disconnect

void FormMain::ActionConnectHostExecute() {
  // A key without a passphrase needs no password.
  const bool keyLogin = ftp::IsSftpHost(EHost.text) && !sftpKeyFile_.empty();
  if (const auto missing = ftp::MissingConnectInput(EHost.text, EUserId.text, EPassword.text, !keyLogin)) {
    prompter_.ShowMessage(*missing);
    return;
  }
  if (HostEdited) {
    const int slot = FindHostSlot(Hosts, EHost.text, EUserId.text, true);
    if (slot >= 0) {
      LastLDir = TextDir;
      LastHDir = FieldsOfEntry(Hosts.entries[static_cast<size_t>(slot)]).lastHDir;
    } else {
      LastHDir.clear();
    }
  }
  ShowFolderText(LastHDir);
  if (!OpenInternetSession()) {
    SetConnected(false);
    return;
  }
  if (!Session().Open(EHost.text, EUserId.text, EPassword.text)) {
    prompter_.ShowMessage(ftp::kHostOpenFailed);
    SetConnected(false);
  } else {
    loginInUse_ = ftp::ConnectionTarget{EHost.text, EUserId.text, EPassword.text, std::string()};
    ftp::EnterRememberedFolder(Session(), LastHDir);
    if (ListRemote()) {
      ShowRemoteFolder();
      ClearRemoteSelection();
    }
    if (DirectoryExists(LastLDir)) EnterLocalFolder(LastLDir);
    SelectUploadSource();
    SetConnected(Session().IsOpen());
  }
  HostEdited = false;
}

void FormMain::ActionDisconnectHostExecute() {
  // Closing the window disconnects also when no connection was made; the remembered folder
  // stays then instead of taking the empty box.
  if (Session().IsOpen()) LastHDir = ComboCurrDir.text;
  Session().Close();
  Session().ClearItems();
  RemoteItems.clear();
  SyncRemoteRows();
  ClearRemoteSelection();
  UploadedOnce = false;
  publishFolder_.clear();
  Publish = PublishHealth{};  // the operator ended publishing: nothing is reconnected by itself
  serverProbe_.Clear();
  RememberCurrentHost();
  SetConnected(false);
  UpdateFtpControlStates();
}

// ---------------------------------------------------------------- upload

void FormMain::ActionUploadExecute() {
  UploadOutputs();
  UpdateControlStates();
}

void FormMain::UploadOutputs() {
  Uploading = true;
  struct EndPass {
    FormMain& form;
    ~EndPass() { form.Uploading = false; }
  } endPass{*this};

  passNotes_.clear();
  collectingPassNotes_ = true;
  const bool connected = EnsureConnection();
  collectingPassNotes_ = false;
  if (connected) {
    for (const std::string& note : passNotes_) ReportPublishing(note);
    passNotes_.clear();
  } else {
    // Nothing is sent into a connection that is not there; the next pass tries again.
    NotePublishFailure(ftp::kReconnectFailed, Session().LastError());
    SetConnected(false);
    return;
  }


  std::vector<ftp::UploadEntry> entries;
  entries.reserve(CheckListBox1.items.size());
  for (size_t i = 0; i < CheckListBox1.items.size(); ++i)
    entries.push_back({CheckListBox1.items[i], i < CheckListBox1.itemChecked.size() && CheckListBox1.itemChecked[i]});
  // A count file chosen in the list is the operator's to send by hand: the cycle publishes the
  // unchecked ones as ever and leaves the choice alone.
  const ftp::UploadPlan plan = ftp::PlanUpload(RGUpLDOpt.itemIndex, UploadDir, UploadFilePath, entries,
                                               automaticPass_ ? -1 : CheckListBox1.itemIndex);

  const std::vector<std::string> chosen = automaticPass_ ? SelectedRemoteCaptions() : std::vector<std::string>();

  ftp::UploadPassResult pass;
  switch (plan.Kind) {
    case ftp::UploadKind::Nothing: return;
    case ftp::UploadKind::SingleFile:
      pass = ftp::SendUploadPlan(Session(), plan, sentFiles_, automaticPass_);
      if (!pass.ConnectionFailure.ok()) break;
      if (ListRemote()) {
        ShowRemoteFolder();
        SelectUploadSource();
        ClearRemoteSelection();
      }
      break;
    case ftp::UploadKind::SelectedEntry:
    case ftp::UploadKind::UncheckedEntries:
      if (plan.Kind == ftp::UploadKind::UncheckedEntries) SetConnected(false);
      pass = ftp::SendUploadPlan(Session(), plan, sentFiles_, automaticPass_);
      if (pass.ConnectionFailure.ok() && ListRemote()) {
        ShowRemoteFolder();
        SelectUploadSource();
      }
      ClearRemoteSelection();
      SetConnected(Session().IsOpen());
      if (plan.Kind == ftp::UploadKind::SelectedEntry) CheckListBox1.itemIndex = -1;
      break;
  }
  // The cycle refills the server's list at every reading: what the operator chose there (to
  // delete or rename it) stays chosen, by name, or it could never be acted on during a race.
  if (automaticPass_) SelectRemoteCaptions(chosen);
  FinishUploadPass(pass, plan.Files.size() - static_cast<size_t>(pass.Deferred));
}

void FormMain::FinishUploadPass(const ftp::UploadPassResult& pass, size_t planned) {
  if (!pass.ConnectionFailure.ok()) {
    const std::string summary = pass.ConnectionFailure.code == ftp::kFtpFolderUnavailable
                                    ? pass.ConnectionFailure.message
                                    : Format("アップロードを中断しました: %d\n%s", pass.ConnectionFailure.code,
                                             pass.ConnectionFailure.message.c_str());
    NotePublishFailure(summary, pass.ConnectionFailure);
    SetConnected(false);
    return;
  }
  if (pass.Sent > 0) {
    UploadedOnce = true;
    // The operator's own upload says where the race is published; the cycle's passes, which go
    // only there, leave it as it is.
    publishFolder_ = shownFolder_;
  }
  Publish.filesLeftOver = pass.Deferred;
  Publish.failingSince = 0;
  Publish.failedAttempts = 0;
  Publish.awaitingServer = false;
  serverProbe_.Clear();
  Publish.lastServerReply.clear();
  Publish.lastUploadAt = Now();
  Publish.lastUploadOk = pass.Refused.empty();
  Publish.lastUploadSummary = Format("%d/%zu ﾌｧｲﾙ送信", pass.Sent, planned);
  if (pass.Unchanged > 0) Publish.lastUploadSummary += Format(" (%d 変更なし)", pass.Unchanged);
  if (!pass.Refused.empty()) {
    std::string text = "サーバーが受け取らなかったファイル:";
    for (const std::string& refused : pass.Refused) text += "\n" + refused;
    ReportPublishing(text);
  }
}

// ---------------------------------------------------------------- remote browser

ftp::RemoteSortState FormMain::RemoteSortStateNow() const {
  ftp::RemoteSortState state;
  state.RemoteSortColumn = RemoteSortColumn;
  for (int i = 0; i < kRemoteSortFlagCount; ++i) state.RemoteSortFlags[i] = RemoteSortFlags[i] ? 1 : 0;
  return state;
}

void FormMain::RemoteFileListVColumnClick(int column) {
  const std::vector<std::string> selected = SelectedRemoteCaptions();

  ftp::RemoteSortState state = RemoteSortStateNow();
  ftp::RemoteFileListVColumnClick(RemoteItems, state, column);
  remoteSortedByOperator_ = true;
  RemoteSortColumn = state.RemoteSortColumn;
  for (int i = 0; i < kRemoteSortFlagCount; ++i) RemoteSortFlags[i] = state.RemoteSortFlags[i] != 0;
  SyncRemoteRows();

  // The selected entries stay selected where the sort moved them.
  SelectRemoteCaptions(selected);
}

void FormMain::RemoteFileListVDblClick() {
  SetConnected(false);
  if (const auto folder = ftp::FolderToEnter(RemoteItems, RemoteFileListV.selectedRows)) {
    if (Session().SetCurrentDirectory(*folder) && ListRemote()) ShowRemoteFolder();
  }
  SelectUploadSource();
  SetConnected(Session().IsOpen());
  FocusRemoteList();
}

void FormMain::ActionUpDirectoryExecute() {
  if (!ftp::CanGoUp(ComboCurrDir.text)) return;
  SetConnected(false);
  if (Session().SetCurrentDirectory("..") && ListRemote()) ShowRemoteFolder();
  SelectUploadSource();
  SetConnected(Session().IsOpen());
  FocusRemoteList();
}

void FormMain::ComboCurrDirChange() {
  const int index = ComboCurrDir.itemIndex;
  if (index < 0 || static_cast<size_t>(index) >= ComboCurrDir.items.size()) return;
  const std::string path = ComboCurrDir.items[static_cast<size_t>(index)];
  if (Session().SetCurrentDirectory(path) && ListRemote()) ShowRemoteFolder();
  FocusRemoteList();
}

// What the server's own names and the folder in use tell about its encoding.
bool FormMain::ServerSpeaksCp932() const {
  std::vector<std::string> names{ComboCurrDir.text};
  for (const ftp::RemoteItem& item : RemoteItems) names.push_back(item.Name);
  return ftp::ServerSpeaksCp932(names);
}

void FormMain::MakeHDirClick() {
  const std::string answer = prompter_.InputBox(ftp::kMakeHDirCaption, ftp::kMakeHDirPrompt, "").value_or("");
  if (const auto name = ftp::FolderToCreate(answer))
    Session().CreateDirectory(ftp::NameForServer(*name, ServerSpeaksCp932()));
  ListRemote();
  ClearRemoteSelection();
}

void FormMain::RemoteRenameClick() {
  const std::vector<int>& selected = RemoteFileListV.selectedRows;
  if (!ftp::CanRename(Connected, selected.size())) return;
  const int index = selected.front();
  if (index < 0 || static_cast<size_t>(index) >= RemoteItems.size()) return;
  const std::string oldName = RemoteItems[static_cast<size_t>(index)].Caption;
  const std::string oldBytes = RemoteItems[static_cast<size_t>(index)].Name;
  // Cancel gives the default back, which is the old name: nothing is renamed.
  const std::string answer = prompter_.InputBox(ftp::kRenameCaption, ftp::kRenamePrompt, oldName).value_or(oldName);
  const auto target = ftp::RenameTarget(oldName, answer);
  if (!target) return;
  SetConnected(false);
  Session().RenameFile(oldBytes, ftp::NameForServer(*target, ServerSpeaksCp932()));
  ListRemote();
  ShowRemoteFolder();
  SelectUploadSource();
  ClearRemoteSelection();
  SetConnected(Session().IsOpen());
}

void FormMain::RemoteDeleteClick() {
  const bool confirmed = prompter_.Confirm(ftp::kDeleteConfirm);
  if (!ftp::CanDelete(confirmed, Connected, RemoteFileListV.selectedRows.size())) return;
  SetConnected(false);
  ftp::DeleteSelectedRemote(Session(), RemoteItems, RemoteFileListV.selectedRows);
  ClearRemoteSelection();
  ShowRemoteFolder();
  SelectUploadSource();
  ClearRemoteSelection();
  SetConnected(Session().IsOpen());
  ListRemote();
  ClearRemoteSelection();
}

}  // namespace zun
