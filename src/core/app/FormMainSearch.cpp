// The search boxes: a line-number jump, the filters and clearing them.
#include "app/FormMain.h"
#include "platform/Text.h"
#include "view/Search.h"

namespace zun {

namespace {
const char* const kMsgNothingFound = "%s %s: 該当なし";
}  // namespace

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

}  // namespace zun
