// The main window's FTP work: connecting and disconnecting, the upload pass, the reconnect step and
// the remote file browser. Each remote step is a job on the FTP worker: the job talks to the session
// and hands every change of the window's state back to the window's thread (OnWindow), in the order
// the step makes them; what the job needs of the window is copied into remote_ before it starts.
#include <algorithm>
#include <chrono>

#include "app/FormMain.h"
#include "app/OwnerThreadPrompter.h"
#include "ftp/HostClient.h"
#include "ftp/PassOutcome.h"
#include "ftp/RemoteBrowser.h"
#include "ftp/RemoteName.h"
#include "ftp/UploadWorkflow.h"
#include "hosts/Hostlist.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun {

void FormMain::MakeFtpSession() {
  ftpWorker_ = std::make_unique<ftp::FtpWorker>(options_.WakeForFtp);
  remotePrompter_ = std::make_unique<OwnerThreadPrompter>(prompter_, *ftpWorker_);
  if (options_.MakeFtpClient) ftpClient_ = options_.MakeFtpClient();
  if (!ftpClient_) ftpClient_ = std::make_unique<ftp::HostClient>();
  ftp::FtpSessionHooks hooks;
  hooks.ShowStatus = [this](const std::string& text) { OnWindow([this, text] { ShowStatus(text); }); };
  hooks.ShowMessage = [this](const std::string& text) { OnWindow([this, text] { prompter_.ShowMessage(text); }); };
  hooks.EnsureConnection = [this] { return EnsureConnection(); };
  hooks.ShownFolder = [this] { return remote_.target.ShownFolder; };
  // The session sets the flag alone; the control states follow at the end of the step.
  hooks.SetConnected = [this](bool value) { OnWindow([this, value] { Connected = value; }); };
  ftpSession_ = std::make_unique<ftp::FtpSession>(*ftpClient_, std::move(hooks));
}

FormMain::~FormMain() = default;

Prompter& FormMain::RemotePrompter() { return *remotePrompter_; }

void FormMain::OnWindow(std::function<void()> change) { ftpWorker_->OnOwner(std::move(change)); }

bool FormMain::RemoteBusy() const { return ftpWorker_->Busy(); }

void FormMain::DeliverRemoteEvents() { ftpWorker_->Deliver(); }

bool FormMain::WaitForRemote(int seconds) { return ftpWorker_->WaitDone(std::chrono::seconds(seconds)); }

void FormMain::StopRemote() { ftpWorker_->Stop(); }

bool FormMain::RunRemote(std::function<void()> job, std::function<void()> done) {
  if (RemoteBusy()) return false;
  const ftp::ConnectionTarget fields{EHost.text, EUserId.text, EPassword.text, FolderInUse()};
  remote_.target = automaticPass_ ? ftp::ConnectionTarget{loginInUse_.Host, loginInUse_.User, loginInUse_.Password,
                                                          FolderInUse()}
                                  : fields;
  remote_.source = UploadSourceInputs{RGUpLDOpt.itemIndex, TextDir, Dir999, Dir000, UploadDir, UploadFilePath};
  remote_.notes = nullptr;
  remote_.byHand = !automaticPass_;
  remoteSince_ = Now();
  const int logins = Session().Client().LoginCount();
  const bool byHand = !automaticPass_;
  const bool started = ftpWorker_->Start(std::move(job), [this, fields, logins, byHand, done = std::move(done)] {
    // A step of the operator's that logged in again with the fields (a password changed on the
    // server, say) makes that login the one in use.
    if (byHand && Session().Client().LoginCount() != logins)
      loginInUse_ = ftp::ConnectionTarget{fields.Host, fields.User, fields.Password, std::string()};
    if (done) done();
    UpdateFtpControlStates();
  });
  if (RemoteBusy()) UpdateFtpControlStates();  // grey while it is out
  return started;
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
      Session(), [this] { OnWindow([this] { MarkAllHostsFree(Hosts); }); },
      [this](const std::string& text) { ReportPublishingFromRemote(text); });
}

// The cycle's passes reconnect with the login in use (RunRemote): the fields may be half edited
// meanwhile.
bool FormMain::EnsureConnection() {
  return ftp::EnsureConnection(
      Session(), remote_.target, [this] { return OpenInternetSession(); },
      [this](const std::string& text) { ReportPublishingFromRemote(text); });
}

void FormMain::ReportPublishingFromRemote(const std::string& text) {
  if (remote_.notes)
    remote_.notes->push_back(text);
  else
    OnWindow([this, text] { ReportPublishing(text); });
}

// Asked once, when the operator connects; a key first seen by the cycle's own pass is refused
// (no box opens there) and shows in the cycle's state. Called in the FTP job: the question is
// shown on the window's thread while the job waits.
bool FormMain::ConfirmUnknownHostKey(const std::string& host, const std::string& fingerprint) {
  if (!remote_.byHand) return false;
  return RemotePrompter().Confirm(Format("%s のｻｰﾊﾞｰ鍵は known_hosts にありません。\n鍵の指紋: %s\n\n"
                                  "ｻｰﾊﾞｰの管理者から知らされた指紋と同じなら「はい」を押してください。"
                                  "鍵を記憶して接続します。",
                                  host.c_str(), fingerprint.c_str()));
}

// A pass by hand says what went wrong in a box, once per outage. The cycle's own passes open
// none: a box waiting for OK would hold publishing still until someone is at the desk, so they
// report in the status line and the cycle's state, which turns red.
void FormMain::ReportPublishing(const std::string& text) {
  if (Publish.failing() || automaticPass_)
    ShowStatus(text);
  else
    prompter_.ShowMessage(text);
}

void FormMain::NotePublishFailure(const std::string& summary, const ftp::FtpError& error) {
  // What the pass had to say comes in one box with its verdict.
  std::string text;
  for (const std::string& note : passNotes_) text += note + "\n";
  passNotes_.clear();
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

// In a job: the session lists its folder, and the list takes the items on the window's thread.
bool FormMain::ListRemote() {
  const bool listed = Session().List();
  OnWindow([this, items = Session().Items()] { ShowRemoteItems(items); });
  return listed;
}

void FormMain::ShowRemoteItems(std::vector<ftp::RemoteItem> items) {
  RemoteItems = std::move(items);
  if (!automaticPass_) remoteSortedByOperator_ = false;
  if (remoteSortedByOperator_) ftp::SortAsLastClicked(RemoteItems, RemoteSortStateNow());
  SyncRemoteRows();
  ClearRemoteSelection();  // a refilled list has no selection
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

// In a job. The local folder is only remembered by the session here, so its success text would
// merely hide the folder counts that the operator looks for; failures are still reported.
void FormMain::EnterLocalFolder(const std::string& path) {
  OnWindow([this] { statusBeforeLocalFolder_ = StatusBar1.items[2]; });
  if (Session().SetLocalDirectory(path)) OnWindow([this] { ShowStatus(statusBeforeLocalFolder_); });
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

// In a job.
void FormMain::ShowRemoteFolder() {
  OnWindow([this] { SetConnected(false); });
  std::string path;
  const bool known = Session().GetCurrentDirectory(path);
  const std::string counts = ftp::FolderCountStatus(Session().RemoteFileCount(), Session().RemoteDirCount());
  // A reconnect that failed inside the query leaves the session closed: claim no connection then.
  const bool open = Session().IsOpen();
  OnWindow([this, known, path, counts, open] {
    if (known) {
      ShowStatus(counts);
      ShowFolderText(path);
      AddFolderHistory(path);
    } else {
      ShowFolderText(std::string());
    }
    SetConnected(open);
  });
}

// In a job, with the mode and folders the window had when the step began.
void FormMain::SelectUploadSource() {
  UploadSourceInputs& in = remote_.source;
  const std::optional<ftp::UploadSource> source = ftp::UploadSourceForMode(in.mode, in.textDir, in.dir999, in.dir000);
  if (source) {
    in.uploadDir = source->UploadDir;
    if (source->UploadFilePath) in.uploadFilePath = *source->UploadFilePath;
  }
  const std::string uploadDir = in.uploadDir;
  OnWindow([this, uploadDir, filePath = in.uploadFilePath] {
    UploadDir = uploadDir;
    UploadFilePath = filePath;
  });
  if (!DirectoryExists(uploadDir)) {
    OnWindow([this, uploadDir] {
      prompter_.ShowMessage(ftp::UploadFolderMissingText(uploadDir));
      SetConnected(false);
    });
    return;
  }
  OnWindow([this, uploadDir] { LastLDir = uploadDir; });
  EnterLocalFolder(uploadDir);
  const bool open = Session().IsOpen();
  const int mode = source ? source->LabelMode : ftp::kUploadNone;
  OnWindow([this, mode, open] {
    bool ready = false;
    if (Control* label = UploadLabel(mode)) {
      ready = label->text == LastLDir;
      label->fontColor = ready ? kColorRed : LabelColor;
    }
    SetConnected(ready && open);
  });
}

// ---------------------------------------------------------------- connect and disconnect

void FormMain::ActionConnectHostExecute() {
  if (RemoteBusy()) return;
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
  const ftp::ConnectionTarget login{EHost.text, EUserId.text, EPassword.text, std::string()};
  RunRemote([this, login, lastHDir = LastHDir, lastLDir = LastLDir]() mutable {
    if (!OpenInternetSession()) {
      OnWindow([this] { SetConnected(false); });
      return;
    }
    if (!Session().Open(login.Host, login.User, login.Password)) {
      OnWindow([this] {
        prompter_.ShowMessage(ftp::kHostOpenFailed);
        SetConnected(false);
        HostEdited = false;
      });
      return;
    }
    OnWindow([this, login] { loginInUse_ = login; });
    ftp::EnterRememberedFolder(Session(), lastHDir);
    OnWindow([this, lastHDir] { LastHDir = lastHDir; });
    if (ListRemote()) {
      ShowRemoteFolder();
      OnWindow([this] { ClearRemoteSelection(); });
    }
    if (DirectoryExists(lastLDir)) EnterLocalFolder(lastLDir);
    SelectUploadSource();
    const bool open = Session().IsOpen();
    OnWindow([this, open] {
      SetConnected(open);
      HostEdited = false;
    });
  });
}

void FormMain::ActionDisconnectHostExecute() {
  if (RemoteBusy()) return;
  // Closing the window disconnects also when no connection was made; the remembered folder
  // stays then instead of taking the empty box.
  if (Session().IsOpen()) LastHDir = ComboCurrDir.text;
  RunRemote([this] { Session().Close(); },
            [this] {
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
            });
}

// ---------------------------------------------------------------- upload

void FormMain::ActionUploadExecute() {
  UploadOutputs();
  UpdateControlStates();
}

void FormMain::UploadOutputs() {
  if (RemoteBusy()) return;
  std::vector<ftp::UploadEntry> entries;
  entries.reserve(CheckListBox1.items.size());
  for (size_t i = 0; i < CheckListBox1.items.size(); ++i)
    entries.push_back({CheckListBox1.items[i], i < CheckListBox1.itemChecked.size() && CheckListBox1.itemChecked[i]});
  // A count file chosen in the list is the operator's to send by hand: the cycle publishes the
  // unchecked ones as ever and leaves the choice alone.
  const ftp::UploadPlan plan = ftp::PlanUpload(RGUpLDOpt.itemIndex, UploadDir, UploadFilePath, entries,
                                               automaticPass_ ? -1 : CheckListBox1.itemIndex);
  const bool automatic = automaticPass_;
  const std::vector<std::string> chosen = automatic ? SelectedRemoteCaptions() : std::vector<std::string>();

  Uploading = true;
  passWaiting_ = false;
  // The files are read as they stand when the pass comes to them: the outputs are replaced
  // whole by a rename, so the ticks go on writing them meanwhile.
  RunRemote([this, plan, automatic, chosen] { SendPass(plan, automatic, chosen); },
            [this] {
              Uploading = false;
              automaticPass_ = false;
              UpdateCycleStatus();  // the state shows the pass's outcome at once, not a tick later
            });
}

// In a job: the upload pass.
void FormMain::SendPass(const ftp::UploadPlan& plan, bool automatic, const std::vector<std::string>& chosen) {
  std::vector<std::string> notes;
  remote_.notes = &notes;
  const bool connected = EnsureConnection();
  remote_.notes = nullptr;
  if (!connected) {
    // Nothing is sent into a connection that is not there; the next pass tries again.
    OnWindow([this, notes, error = Session().LastError()] {
      passNotes_ = notes;
      NotePublishFailure(ftp::kReconnectFailed, error);
      SetConnected(false);
    });
    return;
  }
  for (const std::string& note : notes) ReportPublishingFromRemote(note);
  // A closing window waits for the pass: it sends nothing more once asked to stop.
  if (ftpWorker_->Stopping()) return;

  ftp::UploadPassResult pass;
  switch (plan.Kind) {
    case ftp::UploadKind::Nothing: return;
    case ftp::UploadKind::SingleFile:
      pass = ftp::SendUploadPlan(Session(), plan, sentFiles_, automatic);
      if (!pass.ConnectionFailure.ok() || ftpWorker_->Stopping()) break;
      if (ListRemote()) {
        ShowRemoteFolder();
        SelectUploadSource();
        OnWindow([this] { ClearRemoteSelection(); });
      }
      break;
    case ftp::UploadKind::SelectedEntry:
    case ftp::UploadKind::UncheckedEntries: {
      if (plan.Kind == ftp::UploadKind::UncheckedEntries) OnWindow([this] { SetConnected(false); });
      pass = ftp::SendUploadPlan(Session(), plan, sentFiles_, automatic);
      if (pass.ConnectionFailure.ok() && !ftpWorker_->Stopping() && ListRemote()) {
        ShowRemoteFolder();
        SelectUploadSource();
      }
      const bool open = Session().IsOpen();
      const bool selected = plan.Kind == ftp::UploadKind::SelectedEntry;
      OnWindow([this, open, selected] {
        ClearRemoteSelection();
        SetConnected(open);
        if (selected) CheckListBox1.itemIndex = -1;
      });
      break;
    }
  }
  const size_t planned = static_cast<size_t>(ftp::OutcomeOf(plan, pass).Planned);
  OnWindow([this, pass, planned, automatic, chosen] {
    // The cycle refills the server's list at every reading: what the operator chose there (to
    // delete or rename it) stays chosen, by name, or it could never be acted on during a race.
    if (automatic) SelectRemoteCaptions(chosen);
    FinishUploadPass(pass, planned);
  });
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

// In a job: enters `folder` (nothing: stays) and shows it, then the upload source and the list's focus.
void FormMain::EnterRemoteFolder(const std::optional<std::string>& folder) {
  if (folder && Session().SetCurrentDirectory(*folder) && ListRemote()) ShowRemoteFolder();
  SelectUploadSource();
  const bool open = Session().IsOpen();
  OnWindow([this, open] {
    SetConnected(open);
    FocusRemoteList();
  });
}

void FormMain::RemoteFileListVDblClick() {
  if (RemoteBusy()) return;
  SetConnected(false);
  RunRemote([this, folder = ftp::FolderToEnter(RemoteItems, RemoteFileListV.selectedRows)] { EnterRemoteFolder(folder); });
}

void FormMain::ActionUpDirectoryExecute() {
  if (RemoteBusy() || !ftp::CanGoUp(ComboCurrDir.text)) return;
  SetConnected(false);
  RunRemote([this] { EnterRemoteFolder(std::string("..")); });
}

void FormMain::ComboCurrDirChange() {
  const int index = ComboCurrDir.itemIndex;
  if (RemoteBusy() || index < 0 || static_cast<size_t>(index) >= ComboCurrDir.items.size()) return;
  const std::string path = ComboCurrDir.items[static_cast<size_t>(index)];
  RunRemote([this, path] {
    if (Session().SetCurrentDirectory(path) && ListRemote()) ShowRemoteFolder();
    OnWindow([this] { FocusRemoteList(); });
  });
}

// What the server's own names and the folder in use tell about its encoding.
bool FormMain::ServerSpeaksCp932() const {
  std::vector<std::string> names{ComboCurrDir.text};
  for (const ftp::RemoteItem& item : RemoteItems) names.push_back(item.Name);
  return ftp::ServerSpeaksCp932(names);
}

void FormMain::MakeHDirClick() {
  if (RemoteBusy()) return;
  const std::string answer = prompter_.InputBox(ftp::kMakeHDirCaption, ftp::kMakeHDirPrompt, "").value_or("");
  std::optional<std::string> name = ftp::FolderToCreate(answer);
  if (name) name = ftp::NameForServer(*name, ServerSpeaksCp932());
  RunRemote([this, name] {
    if (name) Session().CreateDirectory(*name);
    ListRemote();
    OnWindow([this] { ClearRemoteSelection(); });
  });
}

// In a job, after a change on the server: the folder shown, the upload source, no selection.
void FormMain::RefreshRemoteSide() {
  ShowRemoteFolder();
  SelectUploadSource();
  const bool open = Session().IsOpen();
  OnWindow([this, open] {
    ClearRemoteSelection();
    SetConnected(open);
  });
}

void FormMain::RemoteRenameClick() {
  const std::vector<int>& selected = RemoteFileListV.selectedRows;
  if (RemoteBusy() || !ftp::CanRename(Connected, selected.size())) return;
  const int index = selected.front();
  if (index < 0 || static_cast<size_t>(index) >= RemoteItems.size()) return;
  const std::string oldName = RemoteItems[static_cast<size_t>(index)].Caption;
  const std::string oldBytes = RemoteItems[static_cast<size_t>(index)].Name;
  // Cancel gives the default back, which is the old name: nothing is renamed.
  const std::string answer = prompter_.InputBox(ftp::kRenameCaption, ftp::kRenamePrompt, oldName).value_or(oldName);
  const auto target = ftp::RenameTarget(oldName, answer);
  if (!target) return;
  SetConnected(false);
  RunRemote([this, oldBytes, newName = ftp::NameForServer(*target, ServerSpeaksCp932())] {
    Session().RenameFile(oldBytes, newName);
    ListRemote();
    RefreshRemoteSide();
  });
}

void FormMain::RemoteDeleteClick() {
  if (RemoteBusy()) return;
  const bool confirmed = prompter_.Confirm(ftp::kDeleteConfirm);
  if (!ftp::CanDelete(confirmed, Connected, RemoteFileListV.selectedRows.size())) return;
  SetConnected(false);
  const std::vector<int> selected = RemoteFileListV.selectedRows;
  ClearRemoteSelection();
  RunRemote([this, items = RemoteItems, selected] {
    ftp::DeleteSelectedRemote(Session(), items, selected);
    RefreshRemoteSide();
    ListRemote();
    OnWindow([this] { ClearRemoteSelection(); });
  });
}

}  // namespace zun
