#pragma once
// Painting of the result grid: every cell as the core's cell-display decision says, and the
// header row as the grid's one fixed row on top.
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

#include "view/CellDisplay.h"

namespace zun::gui {

class GridModel;

// The look of one cell, decided by the window state (which also keeps the remembered row).
using CellPainter = std::function<zun::CellLook(int col, int row, bool selected)>;

class GridDelegate : public QStyledItemDelegate {
 public:
  GridDelegate(QTableView* view, GridModel* model, CellPainter painter)
      : QStyledItemDelegate(view), model_(model), painter_(std::move(painter)) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  GridModel* model_;
  CellPainter painter_;
};

// The header row: pale green sections with the header texts centred.
class GridHeader : public QHeaderView {
 public:
  explicit GridHeader(QWidget* parent = nullptr) : QHeaderView(Qt::Horizontal, parent) {}

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// The grid view; it has no state of its own beyond the Qt view's.
class GridView : public QTableView {
 public:
  GridView(GridModel* model, int rowHeight, QWidget* parent = nullptr);
  std::function<void(bool)> onFocusChanged;
  std::function<void(bool)> onPointerMoved;  // the pointer moved on the grid (true) or left it

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace zun::gui
