#pragma once
// The result grid as a Qt table: the model's rows are the shown data rows of the core grid (the
// header row is the view's horizontal header), read directly from the core at paint time.
#include <QAbstractTableModel>
#include <string_view>

#include "view/CellDisplay.h"

namespace zun {
class RowVisibility;
}  // namespace zun

namespace zun::gui {

// CP932 bytes of a cell as text to show.
QString FromCp932(std::string_view bytes);

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit GridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  void SetSource(const zun::ResultGrid* grid, const zun::RowVisibility* visibility);
  // After a load or a change of the filter: the row set is read again.
  void Reload();

  const zun::ResultGrid* Grid() const { return grid_; }
  const zun::RowVisibility* Visibility() const { return visibility_; }
  // The shown texts follow it.
  void SetDisplayMode(zun::DisplayMode mode) { displayMode_ = mode; }
  int GridRowOf(int modelRow) const;
  int ModelRowOf(int gridRow) const;  // -1 when the row is hidden or out of range

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const zun::ResultGrid* grid_ = nullptr;
  int LiveRowCount() const;

  const zun::RowVisibility* visibility_ = nullptr;
  zun::DisplayMode displayMode_ = zun::DisplayMasked;
  // The row count the view was last told of; it changes only inside a model reset.
  int rows_ = 0;
};

}  // namespace zun::gui
