#include "Binder.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "ElidedLabel.h"
#include "Widgets.h"
#include "app/FormMain.h"
#include "ftp/RemoteName.h"

namespace zun::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QColor ColorOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void SetColor(QWidget* w, uint32_t rgb) {
  const QColor color = ColorOf(rgb);
  if (w->palette().color(QPalette::WindowText) == color) return;
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  w->setPalette(p);
}

void SetCommon(QWidget* w, const zun::Control& c) {
  if (w->isEnabled() != c.enabled) w->setEnabled(c.enabled);
  if (w->isVisibleTo(w->parentWidget()) != c.visible) w->setVisible(c.visible);
  if (w->toolTip() != Q(c.hint)) w->setToolTip(Q(c.hint));
}

void ApplyForm(QWidget* window, const zun::Control& c) {
  const QString text = Q(c.text);
  if (!text.isEmpty() && window->windowTitle() != text) window->setWindowTitle(text);
}

void ApplyEdit(QLineEdit* e, const zun::Control& c) {
  const QString text = Q(c.text);
  if (e->text() != text) e->setText(text);
  SetCommon(e, c);
  // A labelled edit shows and hides with its label.
  QWidget* holder = e->parentWidget();
  if (holder && holder->findChild<QLabel*>(e->objectName() + QStringLiteral("Label")))
    holder->setVisible(c.visible), e->setVisible(true);
}

void ApplyCheck(QCheckBox* cb, const zun::Control& c) {
  const QString text = Q(c.text);
  if (!text.isEmpty() && cb->text() != text) cb->setText(text);
  if (cb->isChecked() != c.checked) cb->setChecked(c.checked);
  SetCommon(cb, c);
}

void ApplyButton(QAbstractButton* button, const zun::Control& c) {
  const QString text = Q(c.text);
  if (!text.isEmpty() && button->text() != text) button->setText(text);
  SetCommon(button, c);
}

// A control bound to an action: its own caption and hint when it has them, else the action's;
// enabled and shown while both are.
zun::Control MergedWithAction(const zun::Control& c, const zun::Control& action) {
  zun::Control merged = c;
  if (merged.text.empty()) merged.text = action.text;
  if (merged.hint.empty()) merged.hint = action.hint;
  merged.enabled = c.enabled && action.enabled;
  merged.visible = c.visible && action.visible;
  return merged;
}

void ApplyActionButton(QToolButton* button, const zun::Control& merged) {
  const QString shown = Q(merged.text);
  // A button with an icon and no caption of its own shows only the icon.
  if (button->toolButtonStyle() != Qt::ToolButtonIconOnly && button->text() != shown) button->setText(shown);
  SetCommon(button, merged);
}

void ApplyMenuItem(QAction* a, const zun::Control& merged) {
  const QString shown = Q(merged.text);
  if (a->text() != shown) a->setText(shown);
  a->setEnabled(merged.enabled);
  a->setVisible(merged.visible);
}

void ApplyAction(QAction* a, const zun::Control& c) {
  const QString text = Q(c.text);
  if (!text.isEmpty() && a->text() != text) a->setText(text);
  a->setEnabled(c.enabled);
  a->setVisible(c.visible);
  a->setToolTip(Q(c.hint));
}

void ApplyLabel(QLabel* label, const zun::Control& c) {
  const QString text = Q(c.text);
  if (auto* elided = dynamic_cast<ElidedLabel*>(label))
    elided->SetFullText(text);
  else if (label->text() != text && !text.isEmpty())
    label->setText(text);
  SetColor(label, c.fontColor);
  SetCommon(label, c);
}

void ApplyGroup(QGroupBox* box, const zun::Control& c) {
  const QString text = Q(c.text);
  if (!text.isEmpty() && box->title() != text) box->setTitle(text);
  SetCommon(box, c);
}

void ApplyRadio(QGroupBox* box, const zun::Control& c) {
  const QString text = Q(c.text);
  if (!text.isEmpty() && box->title() != text) box->setTitle(text);
  QButtonGroup* group = ButtonsOf(box);
  const auto buttons = group->buttons();
  for (QAbstractButton* button : buttons) {
    const int id = group->id(button);
    if (id >= 0 && id < static_cast<int>(c.items.size()) && button->text() != Q(c.items[id]))
      button->setText(Q(c.items[id]));
  }
  if (group->checkedId() != c.itemIndex) {
    if (QAbstractButton* chosen = group->button(c.itemIndex)) {
      chosen->setChecked(true);
    } else if (QAbstractButton* current = group->checkedButton()) {
      group->setExclusive(false);
      current->setChecked(false);
      group->setExclusive(true);
    }
  }
  SetCommon(box, c);
}

void SetListItems(QListWidget* list, const std::vector<std::string>& items, bool checkable,
                  const std::vector<bool>& checked) {
  bool same = list->count() == static_cast<int>(items.size());
  for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == Q(items[i]);
  if (!same) {
    list->clear();
    for (const std::string& text : items) {
      auto* item = new QListWidgetItem(Q(text), list);
      if (checkable) item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    }
  }
  if (!checkable) return;
  for (int i = 0; i < list->count(); ++i) {
    const Qt::CheckState state = i < static_cast<int>(checked.size()) && checked[i] ? Qt::Checked : Qt::Unchecked;
    if (list->item(i)->checkState() != state) list->item(i)->setCheckState(state);
  }
}

void ApplyList(QListWidget* list, const zun::Control& c, bool checkable) {
  SetListItems(list, c.items, checkable, c.itemChecked);
  if (list->currentRow() != c.itemIndex || (c.itemIndex < 0 && !list->selectedItems().isEmpty())) {
    if (c.itemIndex >= 0 && c.itemIndex < list->count()) {
      list->setCurrentRow(c.itemIndex);
    } else {
      list->clearSelection();
      list->setCurrentRow(-1);
    }
  }
  SetCommon(list, c);
}

// Images of the remote list: 12 a file, 14 a folder; any other shows none.
int ShownImage(int imageIndex) { return imageIndex == 12 || imageIndex == 14 ? imageIndex : -1; }

int ImageIndexOf(const QTreeWidgetItem* item) {
  const QVariant v = item->data(0, Qt::UserRole);
  return v.isValid() ? v.toInt() : -1;
}

void SetRows(QTreeWidget* view, const std::vector<zun::ListRow>& rows) {
  view->clear();
  QList<QTreeWidgetItem*> items;
  for (const zun::ListRow& row : rows) {
    QStringList cells;
    for (const std::string& cell : row.cells) cells << Q(cell);
    auto* item = new QTreeWidgetItem(cells);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    if (ShownImage(row.imageIndex) >= 0) {
      item->setIcon(0, view->style()->standardIcon(row.imageIndex == 14 ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
      item->setData(0, Qt::UserRole, row.imageIndex);
    }
    items << item;
  }
  view->addTopLevelItems(items);
}

bool SameRows(const QTreeWidget* view, const std::vector<zun::ListRow>& rows) {
  if (view->topLevelItemCount() != static_cast<int>(rows.size())) return false;
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    const auto& cells = rows[i].cells;
    const QTreeWidgetItem* item = view->topLevelItem(i);
    for (int k = 0; k < 3; ++k)
      if (item->text(k) != (k < static_cast<int>(cells.size()) ? Q(cells[k]) : QString())) return false;
    if (ImageIndexOf(item) != ShownImage(rows[i].imageIndex)) return false;
  }
  return true;
}

// A multi-select list shows the selection the core holds (it clears it after each listing).
void SetSelection(QTreeWidget* view, const std::vector<int>& selected) {
  std::vector<int> now;
  for (QTreeWidgetItem* item : view->selectedItems()) now.push_back(view->indexOfTopLevelItem(item));
  std::sort(now.begin(), now.end());
  if (now == selected) return;
  view->clearSelection();
  for (int row : selected)
    if (QTreeWidgetItem* item = view->topLevelItem(row)) item->setSelected(true);
}

void ApplyListView(QTreeWidget* view, const zun::Control& c) {
  if (!SameRows(view, c.rows)) SetRows(view, c.rows);
  if (view->selectionMode() == QAbstractItemView::ExtendedSelection) SetSelection(view, c.selectedRows);
  SetCommon(view, c);
  if (view->property("focusRequests").toInt() != c.focusRequests) {
    view->setProperty("focusRequests", c.focusRequests);
    if (view->isEnabled() && view->isVisible()) view->setFocus(Qt::OtherFocusReason);
  }
}

void ApplyCombo(QComboBox* combo, const zun::Control& c) {
  // The remote folders are the server's bytes: shown decoded, kept as they are.
  const auto shown = [](const std::string& s) { return Q(ftp::DisplayRemoteName(s)); };
  bool same = combo->count() == static_cast<int>(c.items.size());
  for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == shown(c.items[i]);
  if (!same) {
    combo->clear();
    for (const std::string& item : c.items) combo->addItem(shown(item));
  }
  if (combo->currentText() != shown(c.text)) combo->setCurrentText(shown(c.text));
  SetCommon(combo, c);
}

void ApplyProgress(QProgressBar* bar, const zun::Control& c) {
  if (bar->value() != c.position) bar->setValue(c.position);
  SetCommon(bar, c);
}

void ApplyTimer(QTimer* timer, const zun::Control& c, bool mayRun) {
  if (c.interval > 0 && timer->interval() != c.interval) timer->setInterval(c.interval);
  if (c.enabled && !timer->isActive() && mayRun) timer->start();
  if (!c.enabled && timer->isActive()) timer->stop();
}

// The grid shows its tool tips per cell: only its state and visibility follow the record.
void ApplyGrid(QWidget* view, const zun::Control& c) {
  if (view->isEnabled() != c.enabled) view->setEnabled(c.enabled);
  if (view->isVisibleTo(view->parentWidget()) != c.visible) view->setVisible(c.visible);
}

void ApplyStatusBar(QStatusBar* bar, const zun::Control& c) {
  for (size_t i = 0;; ++i) {
    auto* panel = bar->findChild<QLabel*>(StatusPanelName(static_cast<int>(i)));
    if (!panel) break;
    const QString text = i < c.items.size() ? Q(c.items[i]) : QString();
    if (panel->text() != text) {
      panel->setText(text);
      panel->setToolTip(text);
    }
  }
}

}  // namespace

void Binder::Bind(zun::ControlId id, QObject* object, WidgetKind kind, std::optional<zun::ControlId> action) {
  if (object->objectName().isEmpty()) object->setObjectName(QString::fromLatin1(zun::ControlName(id)));
  bindings_.push_back({id, object, kind, action});
  objects_[static_cast<size_t>(id)] = object;
}

void Binder::Apply(zun::FormMain& form, bool timerMayRun) const {
  for (const Binding& b : bindings_) {
    QObject* o = b.object.data();
    if (!o) continue;
    const zun::Control& c = form.Record(b.id);
    switch (b.kind) {
      case WidgetKind::Form: ApplyForm(static_cast<QWidget*>(o), c); break;
      case WidgetKind::Edit: ApplyEdit(static_cast<QLineEdit*>(o), c); break;
      case WidgetKind::Check: ApplyCheck(static_cast<QCheckBox*>(o), c); break;
      case WidgetKind::Button: ApplyButton(static_cast<QAbstractButton*>(o), c); break;
      case WidgetKind::ActionButton:
        ApplyActionButton(static_cast<QToolButton*>(o), b.action ? MergedWithAction(c, form.Record(*b.action)) : c);
        break;
      case WidgetKind::Menu:
        ApplyMenuItem(static_cast<QAction*>(o), b.action ? MergedWithAction(c, form.Record(*b.action)) : c);
        break;
      case WidgetKind::Action: ApplyAction(static_cast<QAction*>(o), c); break;
      case WidgetKind::Label: ApplyLabel(static_cast<QLabel*>(o), c); break;
      case WidgetKind::Group: ApplyGroup(static_cast<QGroupBox*>(o), c); break;
      case WidgetKind::Radio: ApplyRadio(static_cast<QGroupBox*>(o), c); break;
      case WidgetKind::ListBox: ApplyList(static_cast<QListWidget*>(o), c, false); break;
      case WidgetKind::CheckList: ApplyList(static_cast<QListWidget*>(o), c, true); break;
      case WidgetKind::ListView: ApplyListView(static_cast<QTreeWidget*>(o), c); break;
      case WidgetKind::Combo: ApplyCombo(static_cast<QComboBox*>(o), c); break;
      case WidgetKind::Progress: ApplyProgress(static_cast<QProgressBar*>(o), c); break;
      case WidgetKind::Timer: ApplyTimer(static_cast<QTimer*>(o), c, timerMayRun); break;
      case WidgetKind::Grid: ApplyGrid(static_cast<QWidget*>(o), c); break;
      case WidgetKind::ToolBar: SetCommon(static_cast<QWidget*>(o), c); break;
      case WidgetKind::StatusBar: ApplyStatusBar(static_cast<QStatusBar*>(o), c); break;
    }
  }
}

}  // namespace zun::gui
