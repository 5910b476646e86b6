#include "Widgets.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zun::gui {

QString NameOf(zun::ControlId id) { return QString::fromLatin1(zun::ControlName(id)); }

QToolButton* SpeedButton(QWidget* parent, zun::ControlId id, const QString& text) {
  auto* b = new QToolButton(parent);
  b->setObjectName(NameOf(id));
  b->setText(text);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

QTreeWidget* ReportList(QWidget* parent, zun::ControlId id, bool multiSelect) {
  auto* v = new QTreeWidget(parent);
  v->setObjectName(NameOf(id));
  v->setColumnCount(3);
  v->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("更新日時"), QStringLiteral("ｻｲｽﾞ")});
  v->setRootIsDecorated(false);
  v->setUniformRowHeights(true);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  v->header()->setStretchLastSection(false);
  v->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  v->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  v->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  return v;
}

QGroupBox* RadioGroup(QWidget* parent, zun::ControlId id, const QString& title, const QStringList& items, int columns) {
  const QString name = NameOf(id);
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(name);
  auto* layout = new QGridLayout(box);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setHorizontalSpacing(8);
  layout->setVerticalSpacing(0);
  auto* group = new QButtonGroup(box);
  group->setObjectName(name + QStringLiteral("Buttons"));
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], box);
    radio->setObjectName(name + QStringLiteral("_%1").arg(i));
    group->addButton(radio, i);
    layout->addWidget(radio, i / columns, i % columns);
  }
  return box;
}

QButtonGroup* ButtonsOf(QObject* radioGroup) { return radioGroup->findChild<QButtonGroup*>(); }

QLineEdit* LabelledEdit(QWidget* parent, zun::ControlId id, const QString& caption, bool labelAbove) {
  auto* holder = new QWidget(parent);
  QBoxLayout* layout = labelAbove ? static_cast<QBoxLayout*>(new QVBoxLayout(holder))
                                  : static_cast<QBoxLayout*>(new QHBoxLayout(holder));
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(labelAbove ? 1 : 4);
  auto* label = new QLabel(caption, holder);
  label->setObjectName(NameOf(id) + QStringLiteral("Label"));
  auto* edit = new QLineEdit(holder);
  edit->setObjectName(NameOf(id));
  label->setBuddy(edit);
  layout->addWidget(label);
  layout->addWidget(edit, 1);
  return edit;
}

QString StatusPanelName(int i) { return QStringLiteral("StatusBar1Panel%1").arg(i); }

}  // namespace zun::gui
