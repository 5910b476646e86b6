// The outputs: writing the pure text and rankings, the three output lists, and opening or
// deleting output files.
#include <algorithm>

#include "app/FormMain.h"
#include "app/FormMainMessages.h"
#include "output/OutputActions.h"
#include "platform/DirectoryListing.h"
#include "platform/Text.h"

namespace zun {

namespace {
const char* const kMsgDeleteFlagFile = "x FLG の印 %d 件が全て消えます。\nFLGファイルを削除してもいいですか？";

ListRow BlankRow() { return ListRow{{"", "", ""}}; }
}  // namespace

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

void FormMain::Label1Click() { CheckListBox1.itemIndex = -1; }

}  // namespace zun
