// Invalid marks: setting and taking back a mark, the flag list, and marks saved elsewhere.
#include <algorithm>

#include "app/FormMain.h"
#include "app/FormMainMessages.h"
#include "platform/Cp932.h"
#include "platform/Seconds.h"
#include "platform/Text.h"

namespace zun {

namespace {
const char* const kMsgMarkJustArrived = "%d 行目 (ゼッケン %s) は今届いたばかりのデータです。\n無効にしてもいいですか？";
}  // namespace

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

}  // namespace zun
