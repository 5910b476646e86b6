// The bottom panel: the invalid marks and the flag file, the three output folders, writing the
// outputs and the folder that is uploaded.
#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

#include "ElidedLabel.h"
#include "MainWindow.h"
#include "Widgets.h"

namespace zun::gui {

QWidget* MainWindow::BuildBottom() {
  auto* bottom = new QWidget(this);
  bottom->setObjectName(QStringLiteral("PanelBottom"));
  bottom->setFixedHeight(180);
  auto* row = new QHBoxLayout(bottom);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  row->addLayout(BuildFlagPanel(bottom), 3);
  BuildOutputLists(bottom, row);
  row->addLayout(BuildOutputButtons(bottom), 0);
  return bottom;
}

// The operator's invalid marks and the flag file.
QLayout* MainWindow::BuildFlagPanel(QWidget* bottom) {
  auto* flags = new QGridLayout;
  flags->setHorizontalSpacing(3);
  flags->setVerticalSpacing(3);
  auto* doIgnore = new QPushButton(QStringLiteral("x FLGｾｯﾄ"), bottom);
  auto* cancelIgnore = new QPushButton(QStringLiteral("x FLGｱﾝｾｯﾄ"), bottom);
  Bind(Id::ButtonDoignore, doIgnore, WidgetKind::Button);
  Bind(Id::ButtonCancalIgnore, cancelIgnore, WidgetKind::Button);
  auto* flgDir = SpeedButton(bottom, Id::SpeedButton2, QStringLiteral("FLG Dir"));
  BindActionButton(Id::SpeedButton2, flgDir, Id::ActionOpenFlgHolder);
  auto* flgDelete = SpeedButton(bottom, Id::SpeedButton4);
  flgDelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  flgDelete->setToolButtonStyle(Qt::ToolButtonIconOnly);
  BindActionButton(Id::SpeedButton4, flgDelete, Id::ActionDelteFlgFile);
  flags->addWidget(doIgnore, 0, 0);
  flags->addWidget(cancelIgnore, 0, 1);
  flags->addWidget(flgDir, 0, 2);
  flags->addWidget(flgDelete, 0, 3);
  auto* flagList = new QListWidget(bottom);
  flagList->setMinimumWidth(300);
  Bind(Id::ListBox1, flagList, WidgetKind::ListBox);
  flags->addWidget(flagList, 1, 0, 1, 4);
  flags->setRowStretch(1, 1);
  return flags;
}

// The three output folders: the pure text, the overall rankings, the count rankings to tick.
void MainWindow::BuildOutputLists(QWidget* bottom, QBoxLayout* row) {
  const std::tuple<Id, Id, bool> lists[] = {
      {Id::Label3, Id::ListView1, false}, {Id::Label2, Id::ListView2, false}, {Id::Label1, Id::CheckListBox1, true}};
  for (const auto& [labelId, listId, check] : lists) {
    auto* col = new QVBoxLayout;
    col->setSpacing(1);
    auto* label = new ElidedLabel(bottom);
    Bind(labelId, label, WidgetKind::Label);
    col->addWidget(label);
    if (check) {
      label->setCursor(Qt::PointingHandCursor);
      label->installEventFilter(this);
      auto* checks = new QListWidget(bottom);
      Bind(listId, checks, WidgetKind::CheckList);
      col->addWidget(checks, 1);
      row->addLayout(col, 2);
    } else {
      auto* view = ReportList(bottom, listId, false);
      Bind(listId, view, WidgetKind::ListView);
      col->addWidget(view, 1);
      row->addLayout(col, 3);
    }
  }
}

// Writing the outputs and the folder that is uploaded.
QLayout* MainWindow::BuildOutputButtons(QWidget* bottom) {
  auto* outputs = new QVBoxLayout;
  outputs->setSpacing(3);
  auto* put = SpeedButton(bottom, Id::SBPutCleanText);
  BindActionButton(Id::SBPutCleanText, put, Id::ActionPutCleanText);
  auto* openExp = SpeedButton(bottom, Id::SBOpenEXP);
  BindActionButton(Id::SBOpenEXP, openExp, Id::ActionTextDirOpen);
  auto* deletePure = SpeedButton(bottom, Id::SpeedButton3);
  deletePure->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  deletePure->setToolButtonStyle(Qt::ToolButtonIconOnly);
  BindActionButton(Id::SpeedButton3, deletePure, Id::ActionDeletePurefiles);
  for (QToolButton* b : {put, openExp}) {
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    outputs->addWidget(b);
  }
  auto* outRow = new QHBoxLayout;
  outRow->addWidget(deletePure);
  auto* needCsv = new QCheckBox(QStringLiteral("要CSV"), bottom);
  Bind(Id::CBNeedCSV, needCsv, WidgetKind::Check);
  outRow->addWidget(needCsv, 1);
  outputs->addLayout(outRow);
  auto* upOpt = RadioGroup(bottom, Id::RGUpLDOpt, QStringLiteral("ｱﾌﾟﾛｰﾄﾞﾌｫﾙﾀﾞ"),
                           {QStringLiteral("TXT"), QStringLiteral("999"), QStringLiteral("000")}, 3);
  Bind(Id::RGUpLDOpt, upOpt, WidgetKind::Radio);
  outputs->addWidget(upOpt);
  outputs->addStretch(1);
  return outputs;
}

void MainWindow::WireBottom() {
  using F = zun::FormMain;
  OnClick(Id::ButtonDoignore, &F::ButtonDoignoreClick);
  OnClick(Id::ButtonCancalIgnore, &F::ButtonCancalIgnoreClick);
  OnCheck(Id::CBNeedCSV, nullptr);
  OnRadio(Id::RGUpLDOpt, nullptr);
  zun::FormMain* f = form_.get();

  auto* flagList = Widget<QListWidget>(Id::ListBox1);
  connect(flagList, &QListWidget::currentRowChanged, this, [this, f](int row) {
    if (mirroring_) return;
    f->ListBox1.itemIndex = row;
    Forward([f] { f->UpdateControlStates(); });
  });
  connect(flagList, &QListWidget::itemClicked, this, [this, f, flagList](QListWidgetItem* item) {
    f->ListBox1.itemIndex = flagList->row(item);
    Forward([f] { f->ListBox1Click(); });
  });

  auto* checks = Widget<QListWidget>(Id::CheckListBox1);
  connect(checks, &QListWidget::itemChanged, this, [this, f, checks](QListWidgetItem* item) {
    if (mirroring_) return;
    const int row = checks->row(item);
    auto& ticks = f->CheckListBox1.itemChecked;
    if (row < 0) return;
    if (ticks.size() < f->CheckListBox1.items.size()) ticks.resize(f->CheckListBox1.items.size(), false);
    if (static_cast<size_t>(row) < ticks.size()) ticks[row] = item->checkState() == Qt::Checked;
  });
  connect(checks, &QListWidget::currentRowChanged, this, [this, f](int row) {
    if (!mirroring_) f->CheckListBox1.itemIndex = row;
  });
}

}  // namespace zun::gui
