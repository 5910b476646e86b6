#pragma once
// The main window without a toolkit: every field of its state, one record per control, and the
// handlers that carry its logic. The Qt window forwards each event here (after writing the
// operator's input into the records: edit texts, ticks, chosen items) and then mirrors the
// records onto its widgets.
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Control.h"
#include "app/FormControls.h"
#include "app/FormMainOptions.h"
#include "app/CycleStatus.h"
#include "app/Prompter.h"
#include "ftp/FtpSession.h"
#include "ftp/FtpWorker.h"
#include "ftp/PublishHealth.h"
#include "ftp/RemoteBrowser.h"
#include "ftp/ServerProbe.h"
#include "ftp/UploadWorkflow.h"
#include "hosts/Hostlist.h"
#include "output/Automation.h"
#include "output/OutputActions.h"
#include "platform/FileLocations.h"
#include "platform/Paths.h"
#include "live/LiveCycle.h"
#include "view/CellDisplay.h"
#include "view/Flags.h"
#include "view/RowVisibility.h"

namespace zun {

inline constexpr const char* kVersionText = "ver 0.4";
inline constexpr int kRemoteSortFlagCount = 20;
// A pointer that has not moved on the grid for longer is resting there, no longer aiming at a row.
inline constexpr int kAimingSeconds = 3;
// The longest a close waits for the server to take the disconnect.
inline constexpr int kCloseWaitSeconds = 20;

class OwnerThreadPrompter;

class FormMain {
 public:
  FormMain(Prompter& prompter, FormMainOptions options);
  virtual ~FormMain();
  FormMain(const FormMain&) = delete;
  FormMain& operator=(const FormMain&) = delete;

  // ---- window state ----
  std::string ExeDir;
  std::string ZunTextPath;
  std::string ZunTextDir;
  std::string FlagDir;
  std::string FlagFilePath;
  std::string TextDir;
  std::string Dir999;
  std::string Dir000;
  std::string PureTextPath;
  std::string LastLDir;
  std::string LastHDir;
  std::string CipheredPassword;
  bool GridLoaded = false;
  bool Connected = false;
  bool Uploading = false;
  bool UploadedOnce = false;
  PublishHealth Publish;  // the last upload and any outage, for the cycle's state display
  bool HostEdited = false;
  int FlagSaveCount = 0;
  int RememberedRow = 0;
  std::array<bool, kRemoteSortFlagCount> RemoteSortFlags{};
  // By position, for every entry: a race of more laps than fifty lists more count files, and a
  // tick the operator set on one of them must survive the relisting at every reading.
  std::vector<bool> CheckStates;
  uint32_t LabelColor = kColorTeal;
  std::string CurrentDirectory;  // where the last output folder listing left off

  // The grid with its per-row tables, and the flag list shown in ListBox1, kept by the live cycle.
  LiveCycle Live;
  ResultData& Data = Live.Data;
  FlagList& Flags = Live.Flags;

  // The remembered FTP hosts, and the model of the host dialog that picks or deletes one.
  HostTable Hosts;
  HostForm HostFormModel;

  // Snapshots of the zunText file for the automation cycle.
  FileStamp CurrentSnapshot;
  FileStamp PreviousSnapshot;
  int64_t CycleTicks = 0;      // the ticks' own clock for a line being written: one interval each
  bool MarksChangedSinceOutputs = false;  // a mark was set or removed since the outputs were written
  std::time_t LastReloadAt = 0;
  std::time_t LastOutputsAt = 0;
  std::time_t OutputsFailingSince = 0;  // the first failed write since the last good one; 0: none
  CycleStatus Cycle;           // what the window shows of the cycle; UpdateCycleStatus keeps it

  bool CloseRequested = false;  // ActionCloseExecute asks the window to close
  bool Closed = false;          // FormClose has run

  // ---- controls: one record per entry of the list ----
#define ZUN_DECLARE_CONTROL(type, name) type name;
  ZUN_FORM_CONTROLS(ZUN_DECLARE_CONTROL)
#undef ZUN_DECLARE_CONTROL
  OpenDialogRecord OpenDialog1;

  // The record of a control of the list.
  Control& Record(ControlId id);
  // The search edit of a tag (0..4); nullptr otherwise.
  Control* LEdit(int tag);
  const Control* LEdit(int tag) const;
  DisplayMode CurrentDisplayMode() const {
    return RGDispOpt.itemIndex == DisplayMasked ? DisplayMasked : DisplayAsStored;
  }

  // ---- window life ----
  void FormShow();
  void FormActivate() {}
  bool FormCloseQuery();  // true: the window may close
  // The cycle publishes what it writes: its three boxes, the rankings and an upload by hand.
  bool CyclePublishes() const;
  // While the cycle publishes: the site lacks a reading, a mark or a file the window has.
  bool SiteBehind() const;
  void PublishBeforeClose();
  void FormClose();
  // FormCloseQuery then, when it agrees, FormClose; true when closed.
  bool CloseWindow();
  void ActionCloseExecute();

  // ---- control-state rule and status ----
  void UpdateControlStates();
  void UpdateFtpControlStates();
  void ShowStatus(const std::string& text);
  bool FilterActive() const;

  // ---- settings and output lists ----
  std::string SettingsPath() const;
  void LoadSettings();
  bool SaveSettings();  // false: the file could not be written (already reported)
  bool RefreshOutputLists();
  void SaveCheckStates();
  void RestoreCheckStates();
  void ClearCheckStates();

  // ---- loading ----
  void ActionOpenZunTextExecute();
  void ActionRefreshExecute();
  // The file named in Edit1; with `cycleReload` the file the cycle follows again, the search boxes
  // keeping their text and the filter applied again to the rows read.
  void LoadResultGrid(LiveCycle::Mode mode = LiveCycle::Mode::Full, bool cycleReload = false);
  // The cycle's reload: the operator's row, scroll position, focus, chosen flag line and search
  // stay where they were, unless the current row was the last one and no filter hides rows (then
  // it follows the new last row).
  void ReloadKeepingView();
  // Another program (a second window on the race, a hand edit) saved other lines to the flag file
  // than this window read or wrote last. Not asked while marks wait to be saved, or after a load
  // that applied no flags.
  bool FlagFileChangedElsewhere() const;
  void FollowChosenReading(const std::array<int32_t, 7>& key, int row, bool remembered);
  // Before a mark is set or taken back, as the save rewrites the file whole: reloads when the flag
  // file changed elsewhere. Held: that reload could not read the zunText file, and a save now would
  // write the window's list over the marks saved elsewhere; the operator has been told.
  enum class FlagReadIn { Unchanged, Reloaded, Held };
  FlagReadIn ReadInFlagFileChanges();
  void UpdateCycleStatus();

  // ---- grid display ----
  // Paints one cell: the look to draw, and the remembered row kept up to date. `row` is a grid
  // row (not a view row).
  CellLook StringGrid1DrawCell(int col, int row, bool selected);
  // The same, with "selected" meaning the grid's current row.
  CellLook StringGrid1DrawCell(int col, int row);
  // The window reports the grid's focus and the operator's moves.
  void StringGrid1FocusChanged(bool focused);
  void StringGrid1SelectCell(int col, int row);
  void StringGrid1TopRowChanged(int topRow);
  // The pointer moved on the grid (inside) or left it.
  void StringGrid1PointerMoved(bool inside);

  // ---- search and filter ----
  // True when the key was handled (Enter runs the row search of the edit's column).
  bool LEdit1KeyPress(int tag, int key);
  void LEdit1MouseUp(int tag);
  void RowSearch(int tag);
  void ClearFilter();
  void RGDispOptClick();
  void SB_NEWClick();
  void SB_TOP2Click();
  void Label5Click();

  // ---- invalid marks ----
  void ButtonDoignoreClick();
  void ButtonCancalIgnoreClick();
  void ListBox1Click();
  void CBignoreFRClick();

  // ---- outputs ----
  void ActionPutCleanTextExecute();
  void WritePureText();

  // ---- automation ----
  void CBAutoClick();  // CBAuto and CBPure
  void CBFtpClick();
  void Timer1Timer();
  void AutoUploadGate();
  // What AutoUploadGate would decide now.
  UploadGateDecision AutoUploadDecision() const;
  // The upload pass behind ActionUpload and the automatic cycle (virtual so tests can count it).
  virtual void UploadOutputs();

  // ---- output-file actions ----
  void OpenFolder(const std::string& path);
  void DeleteOutputFile(OutputKind kind);
  void ActionTextDirOpenExecute();
  void ActionOpenZunFolderExecute();
  void ActionOpenFlgHolderExecute();
  void ActionDelteFlgFileExecute();
  void ActionDeletePurefilesExecute();

  // ---- host fields and labels ----
  void EHostChange();
  void EUserIdChange();
  void EPasswordChange();
  void Label1Click();

  // ---- FTP: connect, disconnect, upload, remote browser (FormMainFtp.cpp) ----
  // RemoteFileListV.rows mirror RemoteItems (caption, date, size; imageIndex 12 file, 14 folder);
  // the window writes the operator's selection into RemoteFileListV.selectedRows, in list order.
  // ComboCurrDir: text = the shown folder, items = the visited folders; the window writes the
  // chosen entry's index into itemIndex (typed text: -1) before ComboCurrDirChange.
  void ActionConnectHostExecute();
  void ActionDisconnectHostExecute();
  void ActionUploadExecute();
  void ActionUpDirectoryExecute();
  void RemoteFileListVColumnClick(int column);
  std::string FolderInUse() const;
  void ShowFolderText(const std::string& path);
  ftp::RemoteSortState RemoteSortStateNow() const;
  void RemoteFileListVDblClick();
  void ComboCurrDirChange();
  void MakeHDirClick();
  void RemoteRenameClick();
  void RemoteDeleteClick();
  void SetConnected(bool value);
  bool EnsureConnection();
  bool OpenInternetSession();
  void ReportPublishing(const std::string& text);
  // In a remote step: the pass's reconnect notes are gathered, others go to ReportPublishing.
  void ReportPublishingFromRemote(const std::string& text);
  bool ServerSpeaksCp932() const;
  void NotePublishFailure(const std::string& summary, const ftp::FtpError& error);
  void FinishUploadPass(const ftp::UploadPassResult& pass, size_t planned);
  void SelectUploadSource();
  void ShowRemoteFolder();
  void AddFolderHistory(const std::string& path);
  void ClearRemoteSelection();

  ftp::FtpSession& Session() { return *ftpSession_; }
  ftp::FtpClient& FtpClientOf() { return *ftpClient_; }
  // A remote step is out: the remote controls are grey and no other step starts.
  bool RemoteBusy() const;
  std::time_t RemoteSince() const { return remoteSince_; }
  // The window's thread, when woken: the remote step's status texts, results and questions.
  void DeliverRemoteEvents();
  // Delivers until the remote step has ended, at most `seconds`; true when it has.
  bool WaitForRemote(int seconds);
  // The remote step ends after the command it waits for.
  void StopRemote();
  // For a client that must ask the operator from its thread.
  Prompter& RemotePrompter();
  std::vector<ftp::RemoteItem> RemoteItems;  // the entries of RemoteFileListV, in shown order
  int RemoteSortColumn = 0;
  // The operator sorted the server's list since it was last listed by hand: the cycle's passes,
  // which list it at every reading, keep that order.
  bool remoteSortedByOperator_ = false;
  std::string shownFolder_;  // the remote folder last shown in ComboCurrDir, whatever is typed over it
  std::string publishFolder_;  // where the last upload by hand went: the cycle's passes send only there
  bool publishHeldAway_ = false;  // the last automatic upload waited: another folder was shown
  ftp::ConnectionTarget loginInUse_;  // host, user and password of the last login by 接続
  std::string UploadDir;
  std::string UploadFilePath;

  // ---- host list ----
  std::string HostFilePath() const;  // beside the settings file, extension ".H$$"
  HostFields CurrentHostFields() const;
  // CipheredPassword from the host file (read quietly); a stored password fills EPassword.
  void LookupStoredPassword();
  bool ConfirmUnknownHostKey(const std::string& host, const std::string& fingerprint);
  // Loads the host file, stores the host of the edits into it and saves it (disconnect, closing).
  void RememberCurrentHost();
  void StoreCurrentHostOnClose() { RememberCurrentHost(); }
  void OpenHostListExecute();

 protected:
  Prompter& prompter_;

 private:
  void SetTexts();
  void SetEditText(Control& edit, const std::string& text, void (FormMain::*onChange)());
  void SyncFlagList();
  void SyncBoundButtons();
  void GiveGridFocus();
  void MakeCurrent(int col, int row);
  void ReportFlagSave(MarkOutcome outcome);
  bool ListFolderInto(const std::string& folder, const char* pattern, Control& list, bool checkList);
  FileStamp StampOfZunText(const std::string& path) const;
  std::time_t Now() const;

  // FTP helpers (FormMainFtp.cpp).
  void MakeFtpSession();
  // Starts a remote step: `job` runs on the FTP worker, `done` on the window's thread after the
  // job's last change. False when a step is already out.
  bool RunRemote(std::function<void()> job, std::function<void()> done = nullptr);
  // In a job: `change` to the window's state is made on the window's thread, in order.
  void OnWindow(std::function<void()> change);
  void SendPass(const ftp::UploadPlan& plan, bool automatic, const std::vector<std::string>& chosen);
  void EnterRemoteFolder(const std::optional<std::string>& folder);
  void RefreshRemoteSide();
  bool ListRemote();  // FtpSession List, then RemoteFileListV shows its items
  void ShowRemoteItems(std::vector<ftp::RemoteItem> items);
  void SyncRemoteRows();
  // The captions of the selected remote entries, and those entries selected again in the list.
  std::vector<std::string> SelectedRemoteCaptions() const;
  void SelectRemoteCaptions(const std::vector<std::string>& captions);
  void FocusRemoteList();
  void EnterLocalFolder(const std::string& path);
  Control* UploadLabel(int mode);

  FormMainOptions options_;
  FileLocations files_;  // settings file, host file, default output folder
  // What a remote step reads of the window, copied when it starts; the job may update its copy.
  struct UploadSourceInputs {
    int mode = -1;  // RGUpLDOpt's item index
    std::string textDir, dir999, dir000, uploadDir, uploadFilePath;
  };
  struct RemoteInputs {
    ftp::ConnectionTarget target;  // for the reconnect step
    UploadSourceInputs source;
    std::vector<std::string>* notes = nullptr;  // the pass's reconnect notes, gathered in the job
    bool byHand = true;                         // the operator's step, not the cycle's pass
  } remote_;
  std::time_t remoteSince_ = 0;
  bool passWaiting_ = false;  // the cycle wanted a pass while one was out: the next tick sends it
  std::string statusBeforeLocalFolder_;
  bool automaticPass_ = false;  // the pass runs from the cycle, not from the operator's hand
  int automaticPasses_ = 0;     // the cycle's passes started, to tell whether a tick made one
  bool sendingBeforeClose_ = false;
  bool inCycleTick_ = false;    // Timer1Timer is at work
  // The filtering searches since the filter was last cleared (column, key text), in order, so
  // that the cycle's reload can apply them again to the rows it reads.
  std::vector<std::pair<int, std::string>> appliedFilters_;
  // A mark set or taken back that the flag file did not take (its path): every load keeps the
  // list in memory and first tries the file again, or the next reading would drop the mark.
  std::string unsavedFlagFile_;
  std::string cyclePath_;  // Edit1's text at the last load by hand: the file the cycle follows
  bool flagFileHeld_ = false;  // the last reload due waits for an unreadable flag file
  bool zunTextHeld_ = false;   // the cycle's last reload could not open the zunText file
  bool gridTooBig_ = false;    // the last load reached the row limit: no marks, no outputs from the cycle
  std::time_t followedAt_ = 0;  // a reading last moved the current row to itself; 0 once the operator chose one
  ftp::ServerProbe serverProbe_;  // during an outage with a silent server
  ftp::SentFiles sentFiles_;      // the cycle's passes leave out what the server already holds
  std::vector<std::string> passNotes_;  // the reconnect step's messages wait for the pass's verdict
  // The worker goes first, and with it any job still using the session or the client.
  std::unique_ptr<ftp::FtpClient> ftpClient_;
  std::string sftpKeyFile_;  // "SftpKeyFile" of "Params": key login for sftp:// hosts
  std::unique_ptr<ftp::FtpSession> ftpSession_;
  std::unique_ptr<OwnerThreadPrompter> remotePrompter_;
  std::unique_ptr<ftp::FtpWorker> ftpWorker_;
};

}  // namespace zun
