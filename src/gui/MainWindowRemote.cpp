// The remote panel: connect, disconnect and upload, the server's folder and its files.
#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "MainWindow.h"
#include "Widgets.h"

namespace zun::gui {

QWidget* MainWindow::BuildRight() {
  auto* right = new QWidget(this);
  right->setObjectName(QStringLiteral("PanelFtp"));
  right->setFixedWidth(270);
  auto* col = new QVBoxLayout(right);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(3);
  col->addWidget(BuildRemoteTools(right));

  auto* dirRow = new QHBoxLayout;
  dirRow->setSpacing(3);
  auto* up = SpeedButton(right, Id::SpeedUpDir);
  up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  up->setToolButtonStyle(Qt::ToolButtonIconOnly);
  BindActionButton(Id::SpeedUpDir, up, Id::ActionUpDirectory);
  dirRow->addWidget(up);
  auto* combo = new QComboBox(right);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  Bind(Id::ComboCurrDir, combo, WidgetKind::Combo);
  dirRow->addWidget(combo, 1);
  col->addLayout(dirRow);

  auto* remote = ReportList(right, Id::RemoteFileListV, true);
  remote->setContextMenuPolicy(Qt::CustomContextMenu);
  remote->header()->setSectionsClickable(true);
  Bind(Id::RemoteFileListV, remote, WidgetKind::ListView);
  col->addWidget(remote, 1);

  auto* popup = new QMenu(right);
  popup->setObjectName(NameOf(Id::PMRemote));
  for (auto [id, caption] : {std::pair{Id::MakeHDir, "ﾌｫﾙﾀﾞ作成"}, std::pair{Id::RemoteRename, "名前変更"},
                             std::pair{Id::RemoteDelete, "削除"}})
    Bind(id, popup->addAction(QString::fromUtf8(caption)), WidgetKind::Action);
  connect(remote, &QWidget::customContextMenuRequested, this,
          [remote, popup](const QPoint& pos) { popup->popup(remote->viewport()->mapToGlobal(pos)); });
  return right;
}

QWidget* MainWindow::BuildRemoteTools(QWidget* right) {
  auto* tools = new QToolBar(right);
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->setIconSize(QSize(16, 16));
  const std::tuple<Id, Id, QStyle::StandardPixmap> buttons[] = {
      {Id::TBConnect, Id::ActionConnectHost, QStyle::SP_DriveNetIcon},
      {Id::TBDisConnect, Id::ActionDisconnectHost, QStyle::SP_BrowserStop},
      {Id::ToolButtonUpLoad, Id::ActionUpload, QStyle::SP_ArrowUp}};
  for (const auto& [id, action, icon] : buttons) {
    auto* b = new QToolButton(tools);
    b->setIcon(style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setFocusPolicy(Qt::NoFocus);
    tools->addWidget(b);
    BindActionButton(id, b, action);
  }
  Bind(Id::ToolBar1, tools, WidgetKind::ToolBar);
  return tools;
}

void MainWindow::WireRemote() {
  zun::FormMain* f = form_.get();
  auto* remote = Widget<QTreeWidget>(Id::RemoteFileListV);
  connect(remote, &QTreeWidget::itemSelectionChanged, this, [this, f, remote] {
    if (mirroring_) return;
    auto& selected = f->RemoteFileListV.selectedRows;
    selected.clear();
    for (QTreeWidgetItem* item : remote->selectedItems()) selected.push_back(remote->indexOfTopLevelItem(item));
    std::sort(selected.begin(), selected.end());
    f->RemoteFileListV.itemIndex = remote->currentItem() ? remote->indexOfTopLevelItem(remote->currentItem()) : -1;
  });
  connect(remote->header(), &QHeaderView::sectionClicked, this,
          [this, f](int column) { Forward([f, column] { f->RemoteFileListVColumnClick(column); }); });
  connect(remote, &QTreeWidget::itemDoubleClicked, this, [this, f] { Forward([f] { f->RemoteFileListVDblClick(); }); });

  auto* combo = Widget<QComboBox>(Id::ComboCurrDir);
  // Typed text is the box's text (the reconnect step enters it); only a chosen entry moves.
  connect(combo, &QComboBox::editTextChanged, this, [this, f](const QString& text) {
    if (mirroring_) return;
    f->ComboCurrDir.text = text.toStdString();
    f->ComboCurrDir.itemIndex = -1;
  });
  connect(combo, &QComboBox::textActivated, this, [this, f, combo](const QString& text) {
    const int index = combo->currentIndex();
    const bool listed = index >= 0 && static_cast<size_t>(index) < f->ComboCurrDir.items.size();
    f->ComboCurrDir.text = listed ? f->ComboCurrDir.items[static_cast<size_t>(index)] : text.toStdString();
    f->ComboCurrDir.itemIndex = index;
    Forward([f] { f->ComboCurrDirChange(); });
  });
}

}  // namespace zun::gui
