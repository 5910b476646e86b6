#include "app/FormMain.h"
#include "app/OwnerThreadPrompter.h"

#include <algorithm>

#include "ftp/KnownHosts.h"
#include "output/OutputActions.h"
#include "output/PureText.h"
#include "output/Ranking.h"
#include "platform/Cp932.h"
#include "platform/DirectoryListing.h"
#include "platform/Profile.h"
#include "platform/Seconds.h"
#include "platform/Text.h"
#include "view/Search.h"

namespace zun {

namespace {

const char* const kMsgUnsavedMarks =
    "x FLG の変更が %s に保存されていません。\n終了すると失われます。終了してもいいですか？";
const char* const kMsgDisconnect = "ホストに接続中です。\n切断してもいいですか？";
const char* const kMsgSiteBehind = "サイトにはまだ最新の結果が届いていません。";
const char* const kMsgSendingBeforeClose = "終了前に最新の結果を送信しています (応答がなければ時間切れで終了)";

}  // namespace

// ---------------------------------------------------------------- window life

void FormMain::FormShow() {
  LabelColor = Label3.fontColor;
  Window.text = Format("zunTextEditor %s", kVersionText);
  LoadSettings();
  CheckStates.clear();
  FlagSaveCount = 0;
  OpenDialog1.Filter = "Text files (*.txt)|*.TXT";
  RefreshOutputLists();
  UpdateControlStates();
  RemoteSortFlags.fill(true);
  RemoteSortFlags[2] = false;
  if (FileExists(ZunTextPath)) {
    Edit1.text = ZunTextPath;
    ZunTextDir = FolderOf(ZunTextPath);
  }
  ActionRefresh.enabled = FileExists(Edit1.text);
  ActionOpenZunFolder.enabled = DirectoryExists(ZunTextDir);
  SyncBoundButtons();
}

bool FormMain::FormCloseQuery() {
  if (!unsavedFlagFile_.empty() && SaveFlags(Flags, unsavedFlagFile_) == MarkOutcome::Saved)
    ReportFlagSave(MarkOutcome::Saved);
  if (!unsavedFlagFile_.empty() && !prompter_.Confirm(Format(kMsgUnsavedMarks, unsavedFlagFile_.c_str())))
    return false;
  // Whether to close comes first: a No must leave the window as it was, connection and all.
  if (!prompter_.Confirm("終了しますか ?")) return false;
  PublishBeforeClose();
  const bool behind = SiteBehind();
  if (Connected) {
    if (!prompter_.Confirm(behind ? Format("%s\n\n%s", kMsgDisconnect, kMsgSiteBehind) : std::string(kMsgDisconnect)))
      return false;
  } else if (behind && !prompter_.Confirm(Format("%s\n終了してもいいですか？", kMsgSiteBehind))) {
    return false;
  }
  ActionDisconnectHostExecute();
  WaitForRemote(kCloseWaitSeconds);
  return true;
}

bool FormMain::CyclePublishes() const {
  return StringGrid1.visible && CBAuto.checked && CBPure.checked && CBNeedCSV.checked && CBFtp.checked && UploadedOnce;
}

bool FormMain::SiteBehind() const {
  if (!CyclePublishes()) return false;
  const FileStamp stamp = StampOfZunText(cyclePath_);
  const bool readingWaiting = stamp.exists && stamp.size > 0 && SnapshotCallsForReload(PreviousSnapshot, stamp);
  return readingWaiting || MarksChangedSinceOutputs || OutputsFailingSince != 0 || Publish.failing() ||
         Publish.filesLeftOver > 0 || publishHeldAway_ || (Publish.lastUploadAt != 0 && !Publish.lastUploadOk) ||
         LastOutputsAt > Publish.lastUploadAt;
}

// One more turn of the cycle, so that a reading of the last second, or a pass the cycle would
// only try again a few seconds on, reaches the site. Each pass ends at the client's timeout.
void FormMain::PublishBeforeClose() {
  if (Uploading || !SiteBehind()) return;
  sendingBeforeClose_ = true;
  ShowStatus(kMsgSendingBeforeClose);
  UpdateCycleStatus();
  const int passes = automaticPasses_;
  Timer1Timer();
  WaitForRemote(kCloseWaitSeconds);
  if (automaticPasses_ == passes && SiteBehind()) {
    inCycleTick_ = true;  // no boxes: the question that follows says what is left
    AutoUploadGate();
    inCycleTick_ = false;
    WaitForRemote(kCloseWaitSeconds);
  }
  sendingBeforeClose_ = false;
  UpdateCycleStatus();
}

void FormMain::FormClose() {
  Flags.clear();
  ListBox1.items.clear();
  ListBox1.itemIndex = -1;
  Data.Grid.Reset(Data.Grid.RowCount());
  ReleaseTables(Data);
  SaveSettings();
  StoreCurrentHostOnClose();
  Closed = true;
}

bool FormMain::CloseWindow() {
  if (!FormCloseQuery()) return false;
  FormClose();
  return true;
}

void FormMain::ActionCloseExecute() { CloseRequested = true; }

// ---------------------------------------------------------------- control-state rule

bool FormMain::FilterActive() const {
  const std::string_view texts[5] = {LEdit1.text, LEdit2.text, LEdit3.text, LEdit4.text, LEdit5.text};
  return AnyNonBlank(texts, 5);
}

void FormMain::UpdateControlStates() {
  const bool shown = StringGrid1.visible;
  // The indicator tells that rows are hidden: a key that matched nothing and a line-number jump
  // leave text in an edit and hide none.
  Label5.visible = shown && !appliedFilters_.empty();
  SB_NEW.enabled = shown;
  SB_TOP2.enabled = SB_NEW.enabled;
  ActionRefresh.enabled = FileExists(Edit1.text);
  ButtonDoignore.enabled = SB_NEW.enabled;
  ButtonCancalIgnore.enabled = ListBox1.itemIndex >= 0 && ListBox1.itemIndex < static_cast<int>(ListBox1.items.size());
  for (int tag = 0; tag < 5; ++tag) LEdit(tag)->enabled = SB_NEW.enabled;
  ActionPutCleanText.enabled = SB_NEW.enabled;
  ProgressBar1.visible = Timer1.enabled;
  CBAuto.enabled = GridLoaded;
  CBPure.enabled = GridLoaded && CBAuto.checked;
  ActionTextDirOpen.enabled = DirectoryExists(TextDir) && FileExists(PureTextPath);
  ActionOpenZunFolder.enabled = DirectoryExists(ZunTextDir);
  ActionOpenFlgHolder.enabled = DirectoryExists(FlagDir) && FileExists(FlagFilePath);
  ActionDelteFlgFile.enabled = ActionOpenFlgHolder.enabled;
  ActionDeletePurefiles.enabled = ListView1.rows.size() > 1 || ListView2.rows.size() > 1 || !CheckListBox1.items.empty();
  Label4.visible = !StringGrid1.visible;
  UpdateFtpControlStates();
  UpdateCycleStatus();
}

void FormMain::UpdateFtpControlStates() {
  ToolBar1.enabled = StringGrid1.visible;
  // While a remote step is out its controls are grey, whatever the step has set meanwhile.
  const bool idle = !RemoteBusy();
  TBDisConnect.enabled = Connected && idle;
  TBConnect.enabled = !Connected && GridLoaded && !Uploading && idle;
  ToolButtonUpLoad.enabled = Connected && idle && FileExists(PureTextPath);
  ComboCurrDir.enabled = Connected && idle;
  SpeedUpDir.enabled = Connected && idle;
  RemoteFileListV.enabled = Connected && idle;
  if (!Connected) {
    Label3.fontColor = LabelColor;
    Label2.fontColor = LabelColor;
    Label1.fontColor = LabelColor;
  }
  CBFtp.enabled = CBPure.checked && UploadedOnce;
  RGUpLDOpt.enabled = !Connected && idle;
  ActionConnectHost.enabled = TBConnect.enabled;
  ActionDisconnectHost.enabled = TBDisConnect.enabled;
  ActionUpload.enabled = ToolButtonUpLoad.enabled;
  ActionUpDirectory.enabled = SpeedUpDir.enabled;
  SyncBoundButtons();
}

void FormMain::SyncBoundButtons() {
  SB_Refresh.enabled = ActionRefresh.enabled;
  SpeedButton1.enabled = ActionOpenZunFolder.enabled;
  SpeedButton2.enabled = ActionOpenFlgHolder.enabled;
  SpeedButton4.enabled = ActionDelteFlgFile.enabled;
  SBPutCleanText.enabled = ActionPutCleanText.enabled;
  SBOpenEXP.enabled = ActionTextDirOpen.enabled;
  SpeedButton3.enabled = ActionDeletePurefiles.enabled;
  ZunText1.enabled = ActionOpenZunText.enabled;
  OpenHostList1.enabled = OpenHostList.enabled;
  ActionClose1.enabled = ActionClose.enabled;
}

void FormMain::ShowStatus(const std::string& text) { StatusBar1.items[2] = text; }

// ---------------------------------------------------------------- the cycle's state

std::time_t FormMain::Now() const { return options_.Now ? options_.Now() : std::time(nullptr); }

void FormMain::UpdateCycleStatus() {
  CycleFacts facts;
  facts.autoChecked = CBAuto.checked;
  facts.writesOutputs = CBPure.checked;
  facts.gridShown = StringGrid1.visible;
  facts.uploading = Uploading;
  facts.uploadingSince = RemoteSince();
  facts.now = Now();
  facts.fileMissing = !FileExists(cyclePath_);
  facts.flagFileUnreadable = flagFileHeld_;
  facts.fileUnreadable = zunTextHeld_;
  facts.gridTooBig = gridTooBig_;
  facts.lastReloadAt = LastReloadAt;
  facts.lastOutputsAt = LastOutputsAt;
  facts.outputsFailingSince = OutputsFailingSince;
  facts.publish = Publish;
  facts.sendingBeforeClose = sendingBeforeClose_;
  if (CBPure.checked && CBNeedCSV.checked && CBFtp.checked) {
    const UploadGateDecision gate = AutoUploadDecision();
    if (gate.notUploadedByHand)
      facts.uploadHeldBack = kMsgNotUploadedByHand;
    else if (gate.awayFromPublishFolder)
      facts.uploadHeldBack = AwayFromPublishFolderText(publishFolder_);
    else if (!gate.upload)
      facts.uploadHeldBack = kMsgSourceNotSet;
  }
  Cycle = DescribeCycle(facts);
}

// ---------------------------------------------------------------- host fields and labels

void FormMain::EHostChange() { HostEdited = true; }
void FormMain::EUserIdChange() { HostEdited = true; }
void FormMain::EPasswordChange() { HostEdited = true; }

}  // namespace zun
