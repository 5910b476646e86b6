// The grid panel: the result grid over the core's grid, and the hint shown before a file is open.
#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>

#include "GridModel.h"
#include "GridView.h"
#include "MainWindow.h"

namespace zun::gui {

QWidget* MainWindow::BuildCentre() {
  auto* centre = new QWidget(this);
  centre->setObjectName(QStringLiteral("PanelGrid"));
  auto* stack = new QGridLayout(centre);
  stack->setContentsMargins(0, 0, 0, 0);
  auto* hint = new QLabel(QStringLiteral("zun Text を開いて下さい。"), centre);
  hint->setAlignment(Qt::AlignCenter);
  Bind(Id::Label4, hint, WidgetKind::Label);
  stack->addWidget(hint, 0, 0);

  model_ = new GridModel(this);
  const int rowHeight = QFontMetrics(QApplication::font()).height() + 6;
  grid_ = new GridView(model_, rowHeight, centre);
  zun::FormMain* form = form_.get();
  grid_->setItemDelegate(new GridDelegate(grid_, model_, [form](int col, int row, bool selected) {
    return form->StringGrid1DrawCell(col, row, selected);
  }));
  model_->SetSource(&form_->Data.Grid, &form_->StringGrid1.Rows);
  // Column 7 as wide as "XXX時刻スタンプXXX"; the two time columns as wide as their longest
  // formatted time, so that no shown time is clipped.
  const QFontMetrics metrics(QApplication::font());
  grid_->horizontalHeader()->resizeSection(7, metrics.horizontalAdvance(QStringLiteral("XXX時刻スタンプXXX")));
  grid_->horizontalHeader()->resizeSection(5, metrics.horizontalAdvance(QStringLiteral("99ﾟ59'59\"999")) + 12);
  grid_->horizontalHeader()->resizeSection(6, metrics.horizontalAdvance(QStringLiteral("99ﾟ59'59\"")) + 12);
  Bind(Id::StringGrid1, grid_, WidgetKind::Grid);
  stack->addWidget(grid_, 0, 0);
  return centre;
}

void MainWindow::WireGrid() {
  zun::FormMain* f = form_.get();
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, f](const QModelIndex& current) {
            if (mirroring_ || !current.isValid()) return;
            const int row = model_->GridRowOf(current.row());
            if (row < 0) return;
            Forward([f, row, col = current.column()] { f->StringGrid1SelectCell(col, row); });
          });
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, f] {
    const int row = model_->GridRowOf(grid_->rowAt(0));
    if (row > 0) f->StringGrid1TopRowChanged(row);
  });
  grid_->onFocusChanged = [f](bool focused) { f->StringGrid1FocusChanged(focused); };
  grid_->onPointerMoved = [f](bool inside) { f->StringGrid1PointerMoved(inside); };
  // Scrolling by wheel or scroll bar is the operator's hand on the grid as much as a move is.
  connect(grid_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [f] { f->StringGrid1PointerMoved(true); });
}

void MainWindow::SyncGrid() {
  zun::GridControl& g = form_->StringGrid1;
  model_->SetDisplayMode(form_->CurrentDisplayMode());
  const bool reset = g.modelResets != modelResets_;
  if (reset) {
    modelResets_ = g.modelResets;
    const int top = grid_->verticalScrollBar()->value();
    model_->Reload();
    if (g.keepScroll) grid_->verticalScrollBar()->setValue(top);
  }
  if (g.repaints != repaints_) {
    repaints_ = g.repaints;
    grid_->viewport()->update();
    grid_->horizontalHeader()->viewport()->update();
  }
  const bool scroll = g.scrollRequests != scrollRequests_;
  const int current = model_->ModelRowOf(g.currentRow);
  const QModelIndex now = grid_->currentIndex();
  if (reset || scroll || (now.isValid() ? now.row() : -1) != current) {
    if (current >= 0) {
      const QModelIndex index = model_->index(current, std::clamp(g.currentCol, 0, zun::kGridColumns - 1));
      // A view kept in place stays there: the view would otherwise scroll to a new current row.
      const bool autoScroll = grid_->hasAutoScroll();
      if (!scroll && g.keepScroll) grid_->setAutoScroll(false);
      grid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      grid_->setAutoScroll(autoScroll);
      if (scroll || (reset && !g.keepScroll)) grid_->scrollTo(index, QAbstractItemView::EnsureVisible);
    } else {
      grid_->selectionModel()->clearSelection();
      grid_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
  }
  const bool focus = g.focusRequests != focusRequests_;
  focusRequests_ = g.focusRequests;
  if (scroll) scrollRequests_ = g.scrollRequests;
  if (focus && g.visible && grid_->isVisible()) grid_->setFocus(Qt::OtherFocusReason);
}

}  // namespace zun::gui
