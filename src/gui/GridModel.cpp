#include "GridModel.h"

#include <QStringDecoder>

#include "results/ResultGrid.h"
#include "view/CellDisplay.h"
#include "view/RowVisibility.h"

namespace zun::gui {

QString FromCp932(std::string_view bytes) {
  bool ascii = true;
  for (unsigned char c : bytes) {
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  static QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
  return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void GridModel::SetSource(const zun::ResultGrid* grid, const zun::RowVisibility* visibility) {
  beginResetModel();
  grid_ = grid;
  visibility_ = visibility;
  rows_ = LiveRowCount();
  endResetModel();
}

void GridModel::Reload() {
  beginResetModel();
  rows_ = LiveRowCount();
  endResetModel();
}

int GridModel::LiveRowCount() const {
  if (!grid_) return 0;
  // A visibility of another size belongs to an earlier load: every row is shown then.
  if (visibility_ && visibility_->RowCount() == grid_->RowCount()) return visibility_->ShownCount();
  return grid_->RowCount() > 0 ? grid_->RowCount() - 1 : 0;
}

// Between a change in the core and the next reset (a message box shown during a load lets the
// view paint) the view may ask for rows that are gone: those give -1.
int GridModel::GridRowOf(int modelRow) const {
  if (!grid_ || modelRow < 0 || modelRow >= rows_ || modelRow >= LiveRowCount()) return -1;
  const bool filtered = visibility_ && visibility_->RowCount() == grid_->RowCount();
  const int row = filtered ? visibility_->ShownRow(modelRow) : modelRow + 1;
  return row < grid_->RowCount() ? row : -1;
}

int GridModel::ModelRowOf(int gridRow) const {
  if (!grid_ || gridRow < 1 || gridRow >= grid_->RowCount()) return -1;
  int index = gridRow - 1;
  if (visibility_ && visibility_->RowCount() == grid_->RowCount()) index = visibility_->ShownIndexOf(gridRow);
  return index < rows_ ? index : -1;
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : zun::kGridColumns;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const int row = GridRowOf(index.row());
  if (row < 0) return {};
  return FromCp932(zun::ShownCellText(*grid_, index.column(), row, displayMode_));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (!grid_ || grid_->RowCount() == 0) return {};
  return FromCp932(grid_->Cell(section, 0));
}

}  // namespace zun::gui
