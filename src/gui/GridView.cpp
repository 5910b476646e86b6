#include "GridView.h"

#include <QApplication>
#include <QPainter>

#include "GridModel.h"
#include "results/ResultGrid.h"

namespace zun::gui {

namespace {
QColor ColorOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }
const QColor kGridLineColor(160, 160, 160);
}  // namespace

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const zun::ResultGrid* grid = model_->Grid();
  const int row = model_->GridRowOf(index.row());
  if (!grid || row < 0) return;

  const zun::CellLook look = painter_(index.column(), row, (option.state & QStyle::State_Selected) != 0);
  if (!look.paint) return;

  // The view draws no grid of its own: each cell draws its right and bottom line, so that the
  // selection frame, drawn last, is never covered by a grid line.
  const QRect r = option.rect;
  painter->save();
  painter->fillRect(r, ColorOf(look.background));
  painter->setPen(QPen(kGridLineColor, 0));
  painter->drawLine(r.topRight(), r.bottomRight());
  painter->drawLine(r.bottomLeft(), r.bottomRight());
  const QRect inner = r.adjusted(0, 0, -1, -1);
  painter->setPen(ColorOf(look.fontColor));
  painter->setFont(option.font);
  painter->setClipRect(inner);
  painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, FromCp932(look.text));
  if (look.frame) {
    // One pixel wider than the cell on the left, over the grid lines around it.
    painter->setClipRect(r.adjusted(-1, 0, 0, 0));
    painter->setPen(QPen(ColorOf(zun::kCellFrameColor), 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRect(r.left() - 1, r.top(), r.width(), r.height() - 1));
  }
  painter->restore();
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  painter->fillRect(rect, ColorOf(zun::kCellTintColor));
  painter->setPen(kGridLineColor);
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->setPen(Qt::black);
  const QString text = model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
  painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
  painter->restore();
}

GridView::GridView(GridModel* model, int rowHeight, QWidget* parent) : QTableView(parent) {
  // Fixed section sizes before the model is set: the view then never measures rows.
  auto* header = new GridHeader(this);
  setHorizontalHeader(header);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultSectionSize(64);
  header->setMinimumSectionSize(16);
  header->setHighlightSections(false);
  header->setSectionsClickable(false);
  header->setFixedHeight(rowHeight + 2);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(rowHeight);
  verticalHeader()->setMinimumSectionSize(rowHeight);
  verticalHeader()->hide();
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setShowGrid(false);
  viewport()->setMouseTracking(true);  // the window is told while the operator aims at a row
  setModel(model);
}

// Whether the grid is the active control decides the frame, so focus changes repaint it.
void GridView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  if (onFocusChanged) onFocusChanged(true);
  viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  if (onFocusChanged) onFocusChanged(false);
  viewport()->update();
}

void GridView::enterEvent(QEnterEvent* event) {
  QTableView::enterEvent(event);
  if (onPointerMoved) onPointerMoved(true);
}

void GridView::leaveEvent(QEvent* event) {
  QTableView::leaveEvent(event);
  if (onPointerMoved) onPointerMoved(false);
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);
  if (onPointerMoved) onPointerMoved(true);
}

}  // namespace zun::gui
