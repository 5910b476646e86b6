#pragma once
// The plain record of one control of the main window. FormMain owns one per control; the Qt
// window mirrors them onto its widgets after every event it forwards.
#include <cstdint>
#include <string>
#include <vector>

#include "view/Color.h"

namespace zun {

struct ListRow {  // one row of a report-style list view: caption and sub-items
  std::vector<std::string> cells;
  int imageIndex = -1;  // the row's image (remote list: 12 file, 14 folder); -1 none
};

struct Control {
  std::string text;     // caption or edit text (UTF-8)
  std::string hint;
  std::string label;                // the label of a labelled edit
  int tag = 0;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  int itemIndex = -1;               // radio groups, combo boxes, list boxes: the chosen item
  std::vector<std::string> items;   // radio group / list box / combo box / check list items
  std::vector<bool> itemChecked;    // check list ticks, one per item
  std::vector<ListRow> rows;        // list views
  std::vector<int> selectedRows;    // list views with multi-select
  uint32_t fontColor = kColorBlack;
  int position = 0;                 // progress bar position
  int interval = 0;                 // timer period in ms
  bool focused = false;             // has the keyboard focus (the window reports it)
  int focusRequests = 0;            // bumped each time the core gives this control the focus
};

}  // namespace zun
