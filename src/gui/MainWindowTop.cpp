// The top panel: the zunText file and the FTP host fields; the search boxes, the display mode, the
// first and last row, the automation options.
#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

#include "MainWindow.h"
#include "Widgets.h"

namespace zun::gui {

QWidget* MainWindow::BuildTop() {
  auto* top = new QWidget(this);
  top->setObjectName(QStringLiteral("PanelTop"));
  auto* rows = new QVBoxLayout(top);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(3);
  rows->addLayout(BuildFileLine(top));
  auto* line2 = new QHBoxLayout;
  line2->setSpacing(6);
  line2->addWidget(BuildSearchBox(top));
  auto* dispOpt = RadioGroup(top, Id::RGDispOpt, QStringLiteral("表示方式"),
                             {QStringLiteral("そのまま"), QStringLiteral("マスク表示")}, 1);
  Bind(Id::RGDispOpt, dispOpt, WidgetKind::Radio);
  line2->addWidget(dispOpt);
  line2->addLayout(BuildJumps(top));
  line2->addWidget(BuildAutomationBox(top));
  line2->addLayout(BuildOptions(top));
  line2->addStretch(1);
  rows->addLayout(line2);
  return top;
}

// The zunText file, its reload and its folder; the FTP host fields.
QLayout* MainWindow::BuildFileLine(QWidget* top) {
  auto* line = new QHBoxLayout;
  line->setSpacing(4);
  auto* edit1 = new QLineEdit(top);
  Bind(Id::Edit1, edit1, WidgetKind::Edit);
  line->addWidget(edit1, 1);
  auto* refresh = SpeedButton(top, Id::SB_Refresh);
  BindActionButton(Id::SB_Refresh, refresh, Id::ActionRefresh);
  line->addWidget(refresh);
  auto* zunFolder = SpeedButton(top, Id::SpeedButton1);
  BindActionButton(Id::SpeedButton1, zunFolder, Id::ActionOpenZunFolder);
  line->addWidget(zunFolder);
  line->addSpacing(12);
  const struct {
    Id id;
    const char* caption;
    int width;
  } fields[] = {{Id::EHost, "ホスト名", 130}, {Id::EUserId, "ユーザー名", 90}, {Id::EPassword, "パスワード", 90}};
  for (const auto& field : fields) {
    QLineEdit* edit = LabelledEdit(top, field.id, QString::fromUtf8(field.caption), false);
    edit->setMinimumWidth(field.width);
    if (field.id == Id::EPassword) edit->setEchoMode(QLineEdit::Password);
    Bind(field.id, edit, WidgetKind::Edit);
    line->addWidget(edit->parentWidget());
  }
  return line;
}

QWidget* MainWindow::BuildSearchBox(QWidget* top) {
  auto* search = new QGroupBox(QStringLiteral("検索"), top);
  Bind(Id::GroupBox1, search, WidgetKind::Group);
  auto* searchRow = new QHBoxLayout(search);
  searchRow->setContentsMargins(6, 2, 6, 4);
  searchRow->setSpacing(4);
  const std::pair<Id, QString> edits[] = {{Id::LEdit1, QStringLiteral("行番号")},
                                          {Id::LEdit2, QStringLiteral("部門1")},
                                          {Id::LEdit3, QStringLiteral("部門2")},
                                          {Id::LEdit4, QStringLiteral("ゼッケン")},
                                          {Id::LEdit5, QStringLiteral("回数")}};
  for (int tag = 0; tag < 5; ++tag) {
    QLineEdit* e = LabelledEdit(search, edits[tag].first, edits[tag].second, true);
    e->setFixedWidth(58);
    e->setProperty("Tag", tag);
    e->setAttribute(Qt::WA_InputMethodEnabled, false);
    e->installEventFilter(this);
    Bind(edits[tag].first, e, WidgetKind::Edit);
    searchEdits_.push_back(e);
    searchRow->addWidget(e->parentWidget());
  }
  return search;
}

QLayout* MainWindow::BuildJumps(QWidget* top) {
  auto* jumps = new QVBoxLayout;
  jumps->setSpacing(2);
  auto* first = SpeedButton(top, Id::SB_TOP2, QStringLiteral("↑↑"));
  auto* last = SpeedButton(top, Id::SB_NEW, QStringLiteral("↓↓"));
  for (QToolButton* b : {first, last}) {
    b->setFixedWidth(34);
    jumps->addWidget(b);
  }
  Bind(Id::SB_TOP2, first, WidgetKind::Button);
  Bind(Id::SB_NEW, last, WidgetKind::Button);
  return jumps;
}

QWidget* MainWindow::BuildAutomationBox(QWidget* top) {
  auto* automation = new QGroupBox(QStringLiteral("自動化ｵﾌﾟｼｮﾝ"), top);
  Bind(Id::GroupBox2, automation, WidgetKind::Group);
  auto* grid = new QGridLayout(automation);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(2);
  const std::pair<Id, QString> boxes[] = {{Id::CBAuto, QStringLiteral("ﾘﾌﾚｯｼｭGrid")},
                                          {Id::CBPure, QStringLiteral("ﾋﾟｭｱﾃｷｽﾄ出力")},
                                          {Id::CBFtp, QStringLiteral("FTP")}};
  for (int i = 0; i < 3; ++i) {
    auto* cb = new QCheckBox(boxes[i].second, automation);
    Bind(boxes[i].first, cb, WidgetKind::Check);
    grid->addWidget(cb, 0, i);
  }
  auto* progress = new QProgressBar(automation);
  progress->setRange(0, 50);
  progress->setTextVisible(false);
  progress->setFixedHeight(10);
  QSizePolicy keep = progress->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  progress->setSizePolicy(keep);
  Bind(Id::ProgressBar1, progress, WidgetKind::Progress);
  grid->addWidget(progress, 1, 0, 1, 3);
  return automation;
}

QLayout* MainWindow::BuildOptions(QWidget* top) {
  auto* options = new QVBoxLayout;
  options->setSpacing(4);
  auto* ignoreFR = new QCheckBox(QStringLiteral("2回目以降の第一ラップを無効にする(繰り上げ対策)"), top);
  Bind(Id::CBignoreFR, ignoreFR, WidgetKind::Check);
  options->addWidget(ignoreFR);
  auto* filterLabel = new QLabel(QStringLiteral("※只今フィルタが掛かっています。"), top);
  filterLabel->setCursor(Qt::PointingHandCursor);
  QSizePolicy keepLabel = filterLabel->sizePolicy();
  keepLabel.setRetainSizeWhenHidden(true);
  filterLabel->setSizePolicy(keepLabel);
  filterLabel->installEventFilter(this);
  Bind(Id::Label5, filterLabel, WidgetKind::Label);
  options->addWidget(filterLabel);
  return options;
}

void MainWindow::WireTop() {
  using F = zun::FormMain;
  OnClick(Id::SB_NEW, &F::SB_NEWClick);
  OnClick(Id::SB_TOP2, &F::SB_TOP2Click);
  OnCheck(Id::CBAuto, &F::CBAutoClick);
  OnCheck(Id::CBPure, &F::CBAutoClick);
  OnCheck(Id::CBFtp, &F::CBFtpClick);
  OnCheck(Id::CBignoreFR, &F::CBignoreFRClick);
  for (Id id : {Id::Edit1, Id::LEdit1, Id::LEdit2, Id::LEdit3, Id::LEdit4, Id::LEdit5}) OnEdit(id, nullptr);
  OnEdit(Id::EHost, &F::EHostChange);
  OnEdit(Id::EUserId, &F::EUserIdChange);
  OnEdit(Id::EPassword, &F::EPasswordChange);
  OnRadio(Id::RGDispOpt, &F::RGDispOptClick);
  zun::FormMain* f = form_.get();
  for (int tag = 0; tag < static_cast<int>(searchEdits_.size()); ++tag) {
    connect(searchEdits_[tag], &QLineEdit::returnPressed, this,
            [this, f, tag] { Forward([f, tag] { f->LEdit1KeyPress(tag, 13); }); });
  }
}

}  // namespace zun::gui
