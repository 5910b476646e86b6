// Loading the result grid and keeping the operator's view of it: the current row, the scroll
// place, the focus and the chosen flag line, by hand and at each reading of the cycle.
#include <algorithm>

#include "app/FormMain.h"
#include "app/FormMainMessages.h"
#include "platform/Cp932.h"
#include "platform/Seconds.h"
#include "platform/Text.h"
#include "view/Search.h"

namespace zun {

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

void FormMain::SB_NEWClick() {
  MakeCurrent(0, Data.Grid.RowCount() - 1);
  ++StringGrid1.repaints;
}

void FormMain::SB_TOP2Click() { MakeCurrent(StringGrid1.currentCol, 1); }

}  // namespace zun
