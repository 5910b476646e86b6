#pragma once
// Finding rows: a jump by line number, and a filter by division, bib or count that hides the
// rows whose value differs. Matching is numeric (non-numeric text counts as 0) and sees hidden
// rows too; hiding never removes row data.
#include <string_view>

#include "results/ResultGrid.h"
#include "view/RowVisibility.h"

namespace zun {

// The search key of an edit's text (non-numeric or empty 0).
int SearchKeyOf(std::string_view text);

// The first data row whose column `col` holds `key`, hidden rows included; -1 when none.
int FindFirstRow(const ResultGrid& grid, int col, int key);

enum class SearchOutcome {
  Jumped,    // column 0: `row` is the row to make current
  Filtered,  // rows whose column differs from the key are now hidden
  NotFound,  // no row holds the key; nothing changed
  BadColumn, // the column is not 0..4
};
struct SearchResult {
  SearchOutcome outcome = SearchOutcome::NotFound;
  int row = -1;
};

// The row search of a search edit searching column `col` with `keyText`.
SearchResult RowSearch(const ResultGrid& grid, RowVisibility& rows, int col, std::string_view keyText);

// True when one of the texts is not blank after trimming.
bool AnyNonBlank(const std::string_view* texts, int count);

}  // namespace zun
