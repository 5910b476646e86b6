#include "app/FormMain.h"
#include "app/OwnerThreadPrompter.h"

#include <unistd.h>

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

const char* const kMsgCannotOpen = "ファイルがオープン出来ませんでした。";
const char* const kMsgMarkJustArrived = "%d 行目 (ゼッケン %s) は今届いたばかりのデータです。\n無効にしてもいいですか？";
const char* const kMsgUnsavedMarks =
    "x FLG の変更が %s に保存されていません。\n終了すると失われます。終了してもいいですか？";
const char* const kMsgDisconnect = "ホストに接続中です。\n切断してもいいですか？";
const char* const kMsgSiteBehind = "サイトにはまだ最新の結果が届いていません。";
const char* const kMsgSendingBeforeClose = "終了前に最新の結果を送信しています (応答がなければ時間切れで終了)";
const char* const kMsgNothingFound = "%s %s: 該当なし";
const char* const kMsgDeleteFlagFile = "x FLG の印 %d 件が全て消えます。\nFLGファイルを削除してもいいですか？";

std::string ProcessCurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

void SetCaption(Control& c, const char* text, const char* hint = "") {
  c.text = text;
  c.hint = hint;
}

ListRow BlankRow() { return ListRow{{"", "", ""}}; }

}  // namespace

FormMain::FormMain(Prompter& prompter, FormMainOptions options)
    : prompter_(prompter), options_(std::move(options)), files_(LocateFilesForThisUser(options_.ExecutablePath)) {
  CurrentDirectory = options_.CurrentDirectory.empty() ? ProcessCurrentDirectory() : options_.CurrentDirectory;

  Window.text = "zunTextEditor";
  GroupBox1.text = "検索";
  const char* const searchLabels[5] = {"行番号", "部門1", "部門2", "ゼッケン", "回数"};
  for (int tag = 0; tag < 5; ++tag) {
    LEdit(tag)->label = searchLabels[tag];
    LEdit(tag)->tag = tag;
  }
  RGDispOpt.text = "表示方式";
  RGDispOpt.items = {"そのまま", "マスク表示"};
  RGDispOpt.itemIndex = DisplayMasked;
  SetCaption(SB_NEW, "↓↓", "最終行へ");
  SB_NEW.enabled = false;
  SetCaption(SB_TOP2, "↑↑", "先頭行へ");
  SB_TOP2.enabled = false;
  Label5.text = "※只今フィルタが掛かっています。";
  Label5.fontColor = kColorBlue;
  Label5.visible = false;
  GroupBox2.text = "自動化ｵﾌﾟｼｮﾝ";
  CBAuto.text = "ﾘﾌﾚｯｼｭGrid";
  CBPure.text = "ﾋﾟｭｱﾃｷｽﾄ出力";
  CBFtp.text = "FTP";
  ProgressBar1.position = 0;
  EHost.label = "ホスト名";
  EUserId.label = "ユーザー名";
  EPassword.label = "パスワード";
  CBignoreFR.text = "2回目以降の第一ラップを無効にする(繰り上げ対策)";
  CBignoreFR.checked = true;
  StringGrid1.visible = false;
  Label4.text = "zun Text を開いて下さい。";
  Label4.fontColor = kColorBlue;
  ButtonDoignore.text = "x FLGｾｯﾄ";
  ButtonCancalIgnore.text = "x FLGｱﾝｾｯﾄ";
  SpeedButton2.text = "FLG Dir";
  CBNeedCSV.text = "要CSV";
  CBNeedCSV.checked = true;
  RGUpLDOpt.text = "ｱﾌﾟﾛｰﾄﾞﾌｫﾙﾀﾞ";
  RGUpLDOpt.items = {"TXT", "999", "000"};
  RGUpLDOpt.itemIndex = 0;
  ListView1.items = {"名前", "更新日時", "ｻｲｽﾞ"};
  ListView2.items = ListView1.items;
  RemoteFileListV.items = ListView1.items;
  for (Control* label : {&Label3, &Label2, &Label1}) label->fontColor = kColorTeal;
  MakeHDir.text = "ﾌｫﾙﾀﾞ作成";
  RemoteRename.text = "名前変更";
  RemoteDelete.text = "削除";
  StatusBar1.items = {"", "", ""};
  Timer1.enabled = false;
  Timer1.interval = 1000;

  SetCaption(ActionOpenZunText, "ZunTextを開く");
  SetCaption(ActionClose, "終了");
  SetCaption(ActionPutCleanText, "ﾋﾟｭｱﾃｷｽﾄ出力");
  SetCaption(ActionTextDirOpen, "ﾋﾟｭｱDir");
  SetCaption(ActionOpenZunFolder, "zunText Dir");
  SetCaption(ActionOpenFlgHolder, "FLGﾌｧｲﾙの場所を開く");
  SetCaption(ActionRefresh, "ﾘﾌﾚｯｼｭGrid");
  SetCaption(ActionDelteFlgFile, "");
  SetCaption(ActionDeletePurefiles, "", "ﾋﾟｭｱﾌｧｲﾙ削除");
  SetCaption(OpenHostList, "ﾎｽﾄﾘｽﾄを開く");
  SetCaption(ActionConnectHost, "接続", "接続");
  SetCaption(ActionDisconnectHost, "切断", "切断");
  SetCaption(ActionUpload, "ｱﾌﾟﾛｰﾄﾞ", "ｱﾌﾟﾛｰﾄﾞ");
  SetCaption(ActionUpDirectory, "");
  SetCaption(Action1, "Action1");

  // Controls bound to an action show its caption and hint.
  const std::pair<Control*, Control*> bound[] = {
      {&SB_Refresh, &ActionRefresh},       {&SpeedButton1, &ActionOpenZunFolder},
      {&SpeedButton4, &ActionDelteFlgFile}, {&SBPutCleanText, &ActionPutCleanText},
      {&SBOpenEXP, &ActionTextDirOpen},     {&SpeedButton3, &ActionDeletePurefiles},
      {&ZunText1, &ActionOpenZunText},      {&OpenHostList1, &OpenHostList},
      {&ActionClose1, &ActionClose},        {&TBConnect, &ActionConnectHost},
      {&TBDisConnect, &ActionDisconnectHost}, {&ToolButtonUpLoad, &ActionUpload},
      {&SpeedUpDir, &ActionUpDirectory}};
  for (const auto& [button, action] : bound) {
    button->text = action->text;
    button->hint = action->hint;
  }
  SpeedButton2.hint = ActionOpenFlgHolder.text;
  SyncBoundButtons();
  MakeFtpSession();
}

Control* FormMain::LEdit(int tag) {
  switch (tag) {
    case 0: return &LEdit1;
    case 1: return &LEdit2;
    case 2: return &LEdit3;
    case 3: return &LEdit4;
    case 4: return &LEdit5;
    default: return nullptr;
  }
}

const Control* FormMain::LEdit(int tag) const { return const_cast<FormMain*>(this)->LEdit(tag); }

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

// ---------------------------------------------------------------- settings

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

// ---------------------------------------------------------------- output lists

void FormMain::SaveCheckStates() {
  const size_t n = CheckListBox1.items.size();
  CheckListBox1.itemChecked.resize(n, false);
  if (CheckStates.size() < n) CheckStates.resize(n, false);
  for (size_t i = 0; i < n; ++i) CheckStates[i] = CheckListBox1.itemChecked[i];
}

void FormMain::RestoreCheckStates() {
  const size_t n = std::min(CheckStates.size(), CheckListBox1.items.size());
  CheckListBox1.itemChecked.resize(CheckListBox1.items.size(), false);
  for (size_t i = 0; i < n; ++i) CheckListBox1.itemChecked[i] = CheckStates[i];
}

void FormMain::ClearCheckStates() {
  const size_t n = std::min(CheckStates.size(), CheckListBox1.items.size());
  for (size_t i = 0; i < n; ++i) CheckStates[i] = false;
}

bool FormMain::ListFolderInto(const std::string& folder, const char* pattern, Control& list, bool checkList) {
  // The operator's choice in the count-file list is kept by name: the cycle relists it at every
  // reading, and a choice cleared each second could never be uploaded by hand during a race.
  std::string chosen;
  if (checkList && list.itemIndex >= 0 && static_cast<size_t>(list.itemIndex) < list.items.size())
    chosen = list.items[static_cast<size_t>(list.itemIndex)];
  if (checkList) {
    SaveCheckStates();
    list.items.clear();
    list.itemChecked.clear();
    list.itemIndex = -1;
  } else {
    list.rows.clear();
    list.rows.push_back(BlankRow());
    list.itemIndex = -1;
    list.selectedRows.clear();
  }
  if (folder.empty() || !DirectoryExists(folder)) return false;
  CurrentDirectory = folder;
  std::vector<DirectoryEntry> entries;
  if (!ListDirectory(folder, pattern, entries)) return false;
  for (const DirectoryEntry& e : entries) {
    if (checkList) {
      if (!chosen.empty() && e.name == chosen) list.itemIndex = static_cast<int>(list.items.size());
      list.items.push_back(e.name);
      list.itemChecked.push_back(false);
    } else {
      list.rows.back() = ListRow{{e.name, LocalDateText(e.modifiedNs), Format("%lld", static_cast<long long>(e.size))}};
      list.rows.push_back(BlankRow());
    }
  }
  return true;
}

bool FormMain::RefreshOutputLists() {
  return ListFolderInto(TextDir, "*.txt", ListView1, false) && ListFolderInto(Dir000, "*.csv", ListView2, false) &&
         ListFolderInto(Dir999, "*.csv", CheckListBox1, true);
}

// ---------------------------------------------------------------- loading

void FormMain::SyncFlagList() {
  ListBox1.items.clear();
  ListBox1.items.reserve(Flags.size());
  for (const std::string& line : Flags) ListBox1.items.push_back(Utf8FromCp932(line));
  if (ListBox1.itemIndex >= static_cast<int>(ListBox1.items.size())) ListBox1.itemIndex = -1;
}

void FormMain::GiveGridFocus() {
  if (!StringGrid1.visible) return;
  StringGrid1.focused = true;
  ++StringGrid1.focusRequests;
}

void FormMain::MakeCurrent(int col, int row) {
  StringGrid1.currentCol = col;
  StringGrid1.currentRow = row;
  ++StringGrid1.scrollRequests;
}

void FormMain::LoadResultGrid(LiveCycle::Mode mode, bool cycleReload) {
  // The cycle goes on with the file it follows, whatever is being typed into Edit1 meanwhile: a
  // half-typed path would stop it, and another race's file would be published in its place.
  if (!cycleReload) cyclePath_ = Edit1.text;
  const std::string path = cyclePath_.empty() ? std::string() : AbsolutePath(cyclePath_);
  ZunTextDir = FlagDirFor(path);
  FlagDir = ZunTextDir;
  FlagFilePath = FlagFilePathFor(path);

  // Marks the flag file could not take belong to the file they were made on.
  if (!unsavedFlagFile_.empty() && unsavedFlagFile_ != FlagFilePath) unsavedFlagFile_.clear();
  if (!unsavedFlagFile_.empty() && SaveFlags(Flags, unsavedFlagFile_) == MarkOutcome::Saved)
    ReportFlagSave(MarkOutcome::Saved);
  const LoadReport report = Live.Load(path, mode, /*flagsAsGiven=*/!unsavedFlagFile_.empty());
  // The cycle keeps the readings it has and tries again at the next tick, without a box: one
  // waiting for OK would hold publishing still.
  zunTextHeld_ = cycleReload && !report.fileOpened;
  if (zunTextHeld_) return;
  LastReloadAt = Now();
  StringGrid1.keepScroll = false;
  const int rowCount = Data.Grid.RowCount();
  StringGrid1.Rows.Reset(rowCount);
  ++StringGrid1.modelResets;
  if (cycleReload) {
    // The readings taken now go through the searches as the operator's keys did: a key that no
    // longer matches any row (the file written anew) filters nothing.
    std::erase_if(appliedFilters_, [this](const std::pair<int, std::string>& filter) {
      return zun::RowSearch(Data.Grid, StringGrid1.Rows, filter.first, filter.second).outcome != SearchOutcome::Filtered;
    });
  }
  if (!report.fileOpened) {
    prompter_.ShowMessage("Cannot open file");
  } else {
    // Reading by hand releases any filter; every reading shows the grid.
    if (!cycleReload) {
      for (int tag = 0; tag < 5; ++tag) LEdit(tag)->text.clear();
      appliedFilters_.clear();
    }
    StringGrid1.visible = true;
    GridLoaded = true;
    UpdateControlStates();
    GiveGridFocus();
  }
  if (StringGrid1.topRow >= rowCount) StringGrid1.topRow = 1;
  MakeCurrent(0, rowCount - 1);
  StatusBar1.items[0] = Format("行数=%d", rowCount - 1);
  gridTooBig_ = report.tooBig;
  if (report.tooBig) {
    // The cycle says so in its status: a box at every reading would hold the window.
    if (!cycleReload) prompter_.ShowMessage("grid is too big!!!");
  } else {
    if (report.flagFile == FlagFileRead::OpenFailed) prompter_.ShowMessage(kMsgCannotOpen);
    ListBox1.itemIndex = -1;
    SyncFlagList();
    if (report.firstRepeatFound) ShowStatus("First Repeat Found");
  }
  ++StringGrid1.repaints;
  UpdateControlStates();
}

void FormMain::ReloadKeepingView() {
  GridControl& g = StringGrid1;
  struct Place {
    bool focused;
    int focusRequests, currentRow, currentCol, topRow, scrollRequests;
  };
  const Place before{g.focused, g.focusRequests, g.currentRow, g.currentCol, g.topRow, g.scrollRequests};
  const int oldRowCount = Data.Grid.RowCount();
  const int remembered = RememberedRow;
  // The reading the operator chose: a file written anew may move it to another row.
  const bool chosenReading = before.currentRow >= 1 && before.currentRow < oldRowCount;
  const std::array<int32_t, 7> chosenKey =
      chosenReading ? RowKeyOf(Data.Grid, before.currentRow) : std::array<int32_t, 7>{};
  const int flagIndex = ListBox1.itemIndex;
  const std::string chosenFlag =
      flagIndex >= 0 && flagIndex < static_cast<int>(Flags.size()) ? Flags[static_cast<size_t>(flagIndex)] : std::string();

  const bool filtered = StringGrid1.Rows.AnyHidden();
  // The operator searching keeps the boxes, the filter and the rows in view: the results site
  // goes on being published meanwhile.
  LoadResultGrid(LiveCycle::Mode::Update, /*cycleReload=*/true);

  // The grid takes the keyboard focus only from itself: an operator typing elsewhere keeps it.
  if (!before.focused) {
    g.focused = false;
    g.focusRequests = before.focusRequests;
  }
  const int rowCount = Data.Grid.RowCount();
  const bool followsTail = !filtered && before.currentRow >= oldRowCount - 1;
  // A reading took the frame of the newest row: one more, or a file written anew with another last.
  if (followsTail && (rowCount > oldRowCount || (chosenReading && RowKeyOf(Data.Grid, rowCount - 1) != chosenKey)))
    followedAt_ = Now();
  if (!followsTail && before.currentRow < rowCount) {
    g.currentRow = before.currentRow;
    g.currentCol = before.currentCol;
    g.topRow = before.topRow < rowCount ? before.topRow : 1;
    g.scrollRequests = before.scrollRequests;
    g.keepScroll = true;
    RememberedRow = remembered;
  } else if (followsTail && g.pointerInside && WithinSeconds(g.pointerMovedAt, Now(), kAimingSeconds)) {
    // The operator is aiming at a row: a scroll now would put another reading under the click.
    // The current row goes on following the last; the view follows again once the pointer has
    // left or rested for a while.
    g.topRow = before.topRow < rowCount ? before.topRow : 1;
    g.scrollRequests = before.scrollRequests;
    g.keepScroll = true;
  }
  if (!followsTail && chosenReading)
    FollowChosenReading(chosenKey, before.currentRow, remembered == before.currentRow);
  if (!chosenFlag.empty()) {
    for (size_t i = 0; i < Flags.size(); ++i)
      if (Flags[i] == chosenFlag) ListBox1.itemIndex = static_cast<int>(i);
  }
  UpdateControlStates();
}

// A reading taken out or put in before the chosen one moves it: the choice goes with it, so that a
// mark does not fall on the neighbour now in its row. When the reading is gone, a mark on the row
// in its place asks first.
void FormMain::FollowChosenReading(const std::array<int32_t, 7>& key, int row, bool remembered) {
  GridControl& g = StringGrid1;
  const int moved = RowWithKeyNear(Data.Grid, key, std::min(row, Data.Grid.RowCount() - 1));
  if (moved == row) return;
  if (moved == 0) {
    followedAt_ = Now();
    return;
  }
  g.currentRow = moved;
  g.keepScroll = true;
  if (remembered) RememberedRow = moved;
}

bool FormMain::FlagFileChangedElsewhere() const {
  if (!GridLoaded || !Data.HasTables || !unsavedFlagFile_.empty() || FlagFilePath.empty()) return false;
  FlagList onDisk;
  return ReadFlagFile(FlagFilePath, onDisk) == FlagFileRead::Read && onDisk != Flags;
}

FormMain::FlagReadIn FormMain::ReadInFlagFileChanges() {
  if (!FlagFileChangedElsewhere()) return FlagReadIn::Unchanged;
  ReloadKeepingView();
  if (zunTextHeld_) {
    prompter_.ShowMessage(kMsgCannotOpen);
    return FlagReadIn::Held;
  }
  MarksChangedSinceOutputs = true;  // the outputs still lack them: the next tick writes them
  return FlagReadIn::Reloaded;
}

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

void FormMain::ActionOpenZunTextExecute() {
  const std::optional<std::string> chosen =
      prompter_.OpenFile(OpenDialog1.Filter, JoinPath(CurrentDirectory, OpenDialog1.InitialDir), OpenDialog1.DefaultExt);
  if (!chosen) return;
  Edit1.text = *chosen;
  ZunTextPath = Edit1.text;
  LoadResultGrid();
  UpdateControlStates();
}

void FormMain::ActionRefreshExecute() {
  if (FilterActive() && !prompter_.Confirm("フィルターが解除されますがいいですか?")) return;
  LoadResultGrid();
  ListBox1.itemIndex = -1;
  UpdateControlStates();
}

// ---------------------------------------------------------------- grid display

CellLook FormMain::StringGrid1DrawCell(int col, int row, bool selected) {
  CellPaintInput in;
  in.col = col;
  in.row = row;
  in.displayMode = CurrentDisplayMode();
  in.selected = selected;
  in.gridFocused = StringGrid1.focused;
  in.rememberedRow = RememberedRow;
  in.rowHidden = StringGrid1.Rows.IsHidden(row);
  CellLook look = DecideCell(Data.Grid, in);
  RememberedRow = look.rememberedRow;
  return look;
}

CellLook FormMain::StringGrid1DrawCell(int col, int row) {
  return StringGrid1DrawCell(col, row, row > 0 && row == StringGrid1.currentRow);
}

void FormMain::StringGrid1FocusChanged(bool focused) { StringGrid1.focused = focused; }

void FormMain::StringGrid1SelectCell(int col, int row) {
  const bool rowChanged = row != StringGrid1.currentRow;
  StringGrid1.currentCol = col;
  StringGrid1.currentRow = row;
  followedAt_ = 0;
  // Choosing a marked reading chooses its line in the flag list, as a click on that line chooses
  // the reading, so "x FLGｱﾝｾｯﾄ" takes back the mark the operator sees.
  if (!rowChanged || row < 1 || row >= Data.Grid.RowCount() || Data.Grid.Cell(ColXFlg, row) != "x") return;
  for (size_t i = 0; i < Flags.size(); ++i) {
    if (FlagMatch(Flags[i], Data.Grid, row)) {
      ListBox1.itemIndex = static_cast<int>(i);
      UpdateControlStates();
      return;
    }
  }
}

void FormMain::StringGrid1TopRowChanged(int topRow) { StringGrid1.topRow = topRow; }

void FormMain::StringGrid1PointerMoved(bool inside) {
  StringGrid1.pointerInside = inside;
  if (inside) StringGrid1.pointerMovedAt = Now();
}

void FormMain::RGDispOptClick() { ++StringGrid1.repaints; }

// ---------------------------------------------------------------- search and filter

bool FormMain::LEdit1KeyPress(int tag, int key) {
  if (key != 13) return false;
  RowSearch(tag);
  return true;
}

void FormMain::LEdit1MouseUp(int /*tag*/) { ClearFilter(); }

void FormMain::Label5Click() { ClearFilter(); }

void FormMain::RowSearch(int tag) {
  const Control* edit = LEdit(tag);
  const SearchResult result = zun::RowSearch(Data.Grid, StringGrid1.Rows, tag, edit != nullptr ? edit->text : "");
  switch (result.outcome) {
    case SearchOutcome::Jumped:
      MakeCurrent(StringGrid1.currentCol, result.row);
      GiveGridFocus();
      break;
    case SearchOutcome::Filtered:
      appliedFilters_.emplace_back(tag, edit->text);
      Label5.visible = true;
      // The scroll place of the rows shown before means nothing among the rows shown now.
      StringGrid1.keepScroll = false;
      ++StringGrid1.modelResets;
      break;
    case SearchOutcome::NotFound:
      // Rows an earlier key hid stay hidden, and the indicator with them.
      Label5.visible = !appliedFilters_.empty();
      ShowStatus(Format(kMsgNothingFound, edit->label.c_str(), std::string(Trim(edit->text)).c_str()));
      break;
    case SearchOutcome::BadColumn:
      Label5.visible = !appliedFilters_.empty();
      break;
  }
}

void FormMain::ClearFilter() {
  if (StringGrid1.Rows.AnyHidden() || StringGrid1.Rows.RowCount() != Data.Grid.RowCount()) {
    StringGrid1.Rows.Reset(Data.Grid.RowCount());
    // All rows come back around the current one, not at the filtered view's scroll place.
    StringGrid1.keepScroll = false;
    ++StringGrid1.modelResets;
  }
  for (int tag = 0; tag < 5; ++tag) LEdit(tag)->text.clear();
  appliedFilters_.clear();
  ActionRefresh.enabled = true;
  SyncBoundButtons();
  Label5.visible = false;
}

void FormMain::SB_NEWClick() {
  MakeCurrent(0, Data.Grid.RowCount() - 1);
  ++StringGrid1.repaints;
}

void FormMain::SB_TOP2Click() { MakeCurrent(StringGrid1.currentCol, 1); }

// ---------------------------------------------------------------- invalid marks

void FormMain::ReportFlagSave(MarkOutcome outcome) {
  std::string status;
  unsavedFlagFile_ = outcome == MarkOutcome::Saved ? std::string() : FlagFilePath;
  if (outcome == MarkOutcome::Saved) {
    ++FlagSaveCount;
    status = Format("%s 保存 %d 回目", FlagFilePath.c_str(), FlagSaveCount);
  } else {
    if (outcome == MarkOutcome::SaveOpenFailed) prompter_.ShowMessage(kMsgCannotOpen);
    status = Format("%s の保存に失敗しました!!!!!!", FlagFilePath.c_str());
  }
  StatusBar1.items[1] = status;
}

void FormMain::ButtonDoignoreClick() {
  GiveGridFocus();
  int row = RememberedRow;
  // Before the first paint the remembered row is the header row, which is no result.
  const bool aimed = row >= 1 && row < Data.Grid.RowCount();
  // The reading aimed at: a tick while the question below is open, or the reload that reads in
  // marks saved elsewhere, may find the file written anew and the reading moved or gone.
  const std::array<int32_t, 7> chosen = aimed ? RowKeyOf(Data.Grid, row) : std::array<int32_t, 7>{};
  // A reading that came in while the operator reached for the button took the frame from the one
  // seen: the operator says whether this one is meant.
  if (row >= 1 && row == StringGrid1.currentRow && followedAt_ != 0 &&
      WithinSeconds(followedAt_, Now(), kAimingSeconds) &&
      !prompter_.Confirm(Format(kMsgMarkJustArrived, row, Utf8FromCp932(Data.Grid.Cell(ColBib, row)).c_str())))
    return;
  if (aimed) {
    if (ReadInFlagFileChanges() == FlagReadIn::Held) {
      UpdateControlStates();
      return;
    }
    row = RowWithKeyNear(Data.Grid, chosen, std::min(row, Data.Grid.RowCount() - 1));
    if (row == 0) {
      UpdateControlStates();
      return;
    }
    const MarkOutcome outcome = Live.SetMark(row, FlagFilePath);
    if (outcome == MarkOutcome::AlreadyMarked) {
      prompter_.ShowMessage("そのデータは既に無効処理されています。");
      return;
    }
    ReportFlagSave(outcome);
    MarksChangedSinceOutputs = true;
    SyncFlagList();
    ++StringGrid1.repaints;
    GiveGridFocus();
  }
  ListBox1.itemIndex = -1;
  UpdateControlStates();
}

void FormMain::ButtonCancalIgnoreClick() {
  int index = ListBox1.itemIndex;
  if (index >= 0 && index < static_cast<int>(Flags.size())) {
    const FlagReadIn readIn = ReadInFlagFileChanges();
    // The reload chose the line again by its text; a line another program has taken out is
    // already taken back.
    if (readIn == FlagReadIn::Reloaded) index = ListBox1.itemIndex;
    if (readIn == FlagReadIn::Held || index < 0) {
      UpdateControlStates();
      return;
    }
  }
  if (index < 0 || index >= static_cast<int>(Flags.size())) {
    prompter_.ShowMessage("無効取り消のデータが選択されていません");
  } else {
    const MarkOutcome outcome = Live.RemoveMark(index, FlagFilePath);
    ReportFlagSave(outcome);
    MarksChangedSinceOutputs = true;
    SyncFlagList();
    ++StringGrid1.repaints;
  }
  ListBox1.itemIndex = -1;
  UpdateControlStates();
}

void FormMain::ListBox1Click() {
  const int index = ListBox1.itemIndex;
  if (index < 0 || index >= static_cast<int>(Flags.size())) return;
  const std::string& line = Flags[static_cast<size_t>(index)];
  const size_t comma = line.find(',');
  if (comma != std::string::npos) {
    const int lineNo = StrToIntDef(std::string_view(line).substr(0, comma), 0);
    if (lineNo > 0) {
      LEdit1.text = Format("%d", lineNo);
      RowSearch(0);
      LEdit1.text.clear();
    }
  }
  UpdateControlStates();
}

void FormMain::CBignoreFRClick() {
  if (CBignoreFR.checked) return;
  prompter_.ShowMessage("現在このﾁｪｯｸを外すことはできません。");
  CBignoreFR.checked = true;
}

// ---------------------------------------------------------------- outputs

void FormMain::ActionPutCleanTextExecute() {
  const size_t n = CheckListBox1.items.size();
  if (n > 0) SaveCheckStates();
  WritePureText();
  if (n > 0) RestoreCheckStates();
}

void FormMain::WritePureText() {
  // A failed write is reported like a file that cannot be opened: the old file may be stale.
  const OutputReport report = Live.WriteOutputs(OutputTargets{PureTextPath, CBNeedCSV.checked, Dir000, Dir999});
  if (report.pureText != SaveResult::Ok) {
    if (OutputsFailingSince == 0) OutputsFailingSince = Now();
    // The cycle shows it in its status: a box would hold it still at every reading until OK.
    if (!inCycleTick_) prompter_.ShowMessage(kMsgCannotOpen);
  } else {
    OutputsFailingSince = 0;
    MarksChangedSinceOutputs = false;
    LastOutputsAt = Now();
  }
  if (report.ranking.overallWritten && CBFtp.checked) AutoUploadGate();
  RefreshOutputLists();
  UpdateControlStates();
}

// ---------------------------------------------------------------- output-file actions

void FormMain::OpenFolder(const std::string& path) {
  if (DirectoryExists(path))
    prompter_.ShowFolder(path);
  else
    prompter_.ShowMessage(path + "が存在しません");
}

void FormMain::DeleteOutputFile(OutputKind kind) {
  if (kind == OutputKind::CountRankings) ClearCheckStates();
  DeleteOutputFiles(kind, OutputFolders{FlagFilePath, TextDir, Dir000, Dir999}, CheckListBox1.items);
}

void FormMain::ActionTextDirOpenExecute() { OpenFolder(TextDir); }
void FormMain::ActionOpenZunFolderExecute() { OpenFolder(ZunTextDir); }
void FormMain::ActionOpenFlgHolderExecute() { OpenFolder(FlagDir); }

void FormMain::ActionDelteFlgFileExecute() {
  // The button has no caption and sits beside the mark buttons: a slip would take back every mark
  // at once, and the next tick would publish rankings with those readings in them.
  if (!Flags.empty() && !prompter_.Confirm(Format(kMsgDeleteFlagFile, static_cast<int>(Flags.size())))) return;
  DeleteOutputFile(OutputKind::FlagFile);
  unsavedFlagFile_.clear();  // the marks the file could not take go with it
  MarksChangedSinceOutputs = true;
  LoadResultGrid();
  UpdateControlStates();
}

void FormMain::ActionDeletePurefilesExecute() {
  if (!(ListView1.rows.size() > 1 || ListView2.rows.size() > 1 || !CheckListBox1.items.empty())) {
    prompter_.ShowMessage("出力ファイルはありません。");
    return;
  }
  if (!prompter_.Confirm("ピュアファイルを全て削除してもいいですか？")) return;
  DeleteOutputFile(OutputKind::PureText);
  DeleteOutputFile(OutputKind::OverallRanking);
  DeleteOutputFile(OutputKind::CountRankings);
  RefreshOutputLists();
  UpdateControlStates();
}

// ---------------------------------------------------------------- host fields and labels

void FormMain::EHostChange() { HostEdited = true; }
void FormMain::EUserIdChange() { HostEdited = true; }
void FormMain::EPasswordChange() { HostEdited = true; }
void FormMain::Label1Click() { CheckListBox1.itemIndex = -1; }

}  // namespace zun
