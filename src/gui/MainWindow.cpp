#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QScrollBar>
#include <algorithm>
#include <utility>
#include <QVBoxLayout>

#include "ElidedLabel.h"
#include "StatusPanels.h"
#include "ftp/RemoteName.h"
#include "platform/Paths.h"
#include "GridModel.h"
#include "GridView.h"
#include "QtPrompter.h"

namespace zun::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QColor ColorOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& text = {}) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the focus from the grid
  return b;
}

QTreeWidget* ReportList(QWidget* parent, const char* name, bool multiSelect) {
  auto* v = new QTreeWidget(parent);
  v->setObjectName(QString::fromLatin1(name));
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

QGroupBox* RadioGroup(QWidget* parent, const char* name, const QString& title, const QStringList& items, int columns) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(QString::fromLatin1(name));
  auto* layout = new QGridLayout(box);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setHorizontalSpacing(8);
  layout->setVerticalSpacing(0);
  auto* group = new QButtonGroup(box);
  group->setObjectName(QString::fromLatin1(name) + QStringLiteral("Buttons"));
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], box);
    radio->setObjectName(QString::fromLatin1(name) + QStringLiteral("_%1").arg(i));
    group->addButton(radio, i);
    layout->addWidget(radio, i / columns, i % columns);
  }
  return box;
}

QButtonGroup* ButtonsOf(QObject* box) { return box->findChild<QButtonGroup*>(); }


}  // namespace

MainWindow::MainWindow(zun::Prompter* prompter, zun::FormMainOptions options, QWidget* parent)
    : QMainWindow(parent) {
  if (!prompter) {
    ownPrompter_ = std::make_unique<QtPrompter>(this);
    prompter = ownPrompter_.get();
  }
  prompter_ = prompter;
  if (options.ExecutablePath.empty()) options.ExecutablePath = zun::ExecutablePath();
  // The FTP session works on its own thread; its status texts and results come back as queued
  // calls, so the window goes on while a server is slow.
  if (!options.WakeForFtp)
    options.WakeForFtp = [this] { QMetaObject::invokeMethod(this, [this] { DeliverFtp(); }, Qt::QueuedConnection); };
  form_ = std::make_unique<zun::FormMain>(*prompter_, std::move(options));
  BuildRecordTable();
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("zunTextEditor"));
  BuildWidgets();
  ConnectEvents();
  resize(1026, 697);
  if (QScreen* screen = QApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(1026 / 2, 697 / 2));
  }
  Mirror();
}

// The widgets would outlive the core state (they go with the QWidget base) and still send focus
// and selection events while they go: they are cut off and deleted while the core still exists.
MainWindow::~MainWindow() {
  destroying_ = true;
  form_->StopRemote();
  timer_->stop();
  grid_->onFocusChanged = nullptr;
  for (QObject* child : findChildren<QObject*>()) {
    child->disconnect(this);
    child->removeEventFilter(this);
  }
  model_->SetSource(nullptr, nullptr);
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void MainWindow::Bind(const std::string& name, QObject* object, Kind kind, const std::string& action) {
  if (object->objectName().isEmpty()) object->setObjectName(Q(name));
  bindings_.push_back({name, object, kind, action});
}

QAction* MainWindow::MakeAction(const std::string& name) {
  auto* a = new QAction(this);
  a->setObjectName(Q(name));
  actions_[name] = a;
  Bind(name, a, Kind::Action);
  return a;
}

QLineEdit* MainWindow::LabelledEdit(QWidget* parent, const std::string& name, const QString& caption, bool labelAbove) {
  auto* holder = new QWidget(parent);
  QBoxLayout* layout = labelAbove ? static_cast<QBoxLayout*>(new QVBoxLayout(holder))
                                  : static_cast<QBoxLayout*>(new QHBoxLayout(holder));
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(labelAbove ? 1 : 4);
  auto* label = new QLabel(caption, holder);
  label->setObjectName(Q(name) + QStringLiteral("Label"));
  auto* edit = new QLineEdit(holder);
  label->setBuddy(edit);
  layout->addWidget(label);
  layout->addWidget(edit, 1);
  Bind(name, edit, Kind::Edit);
  return edit;
}

void MainWindow::BuildWidgets() {
  for (const char* name : {"ActionOpenZunText", "ActionClose", "ActionPutCleanText", "ActionTextDirOpen",
                           "ActionOpenZunFolder", "ActionOpenFlgHolder", "ActionRefresh", "ActionDelteFlgFile",
                           "ActionDeletePurefiles", "OpenHostList", "ActionConnectHost", "ActionDisconnectHost",
                           "ActionUpload", "ActionUpDirectory", "Action1"})
    MakeAction(name);

  QMenuBar* menu = menuBar();
  menu->setObjectName(QStringLiteral("MainMenu1"));
  for (auto [item, action] : {std::pair{"ZunText1", "ActionOpenZunText"}, std::pair{"OpenHostList1", "OpenHostList"},
                              std::pair{"ActionClose1", "ActionClose"}}) {
    QAction* a = menu->addAction(QString());
    a->setObjectName(QString::fromLatin1(item));
    connect(a, &QAction::triggered, actions_[action], &QAction::trigger);
    Bind(item, a, Kind::Menu, action);
  }

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(4, 4, 4, 2);
  column->setSpacing(4);
  column->addWidget(BuildTop());
  auto* middle = new QHBoxLayout;
  middle->setSpacing(4);
  middle->addWidget(BuildCentre(), 1);
  middle->addWidget(BuildRight());
  column->addLayout(middle, 1);
  column->addWidget(BuildBottom());
  setCentralWidget(central);
  BuildStatusBar();

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer1"));
  timer_->setInterval(1000);
  Bind("Timer1", timer_, Kind::Timer);
  Bind("FormMain", this, Kind::Form);
}

QWidget* MainWindow::BuildTop() {
  auto* top = new QWidget(this);
  top->setObjectName(QStringLiteral("PanelTop"));
  auto* rows = new QVBoxLayout(top);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(3);

  // Line 1: the zunText file, reload and its folder; the FTP host fields.
  auto* line1 = new QHBoxLayout;
  line1->setSpacing(4);
  auto* edit1 = new QLineEdit(top);
  Bind("Edit1", edit1, Kind::Edit);
  line1->addWidget(edit1, 1);
  auto* refresh = SpeedButton(top, "SB_Refresh");
  Bind("SB_Refresh", refresh, Kind::ActionButton, "ActionRefresh");
  line1->addWidget(refresh);
  auto* zunFolder = SpeedButton(top, "SpeedButton1");
  Bind("SpeedButton1", zunFolder, Kind::ActionButton, "ActionOpenZunFolder");
  line1->addWidget(zunFolder);
  line1->addSpacing(12);
  QLineEdit* host = LabelledEdit(top, "EHost", QStringLiteral("ホスト名"), false);
  host->setMinimumWidth(130);
  line1->addWidget(host->parentWidget());
  QLineEdit* user = LabelledEdit(top, "EUserId", QStringLiteral("ユーザー名"), false);
  user->setMinimumWidth(90);
  line1->addWidget(user->parentWidget());
  QLineEdit* password = LabelledEdit(top, "EPassword", QStringLiteral("パスワード"), false);
  password->setEchoMode(QLineEdit::Password);
  password->setMinimumWidth(90);
  line1->addWidget(password->parentWidget());
  rows->addLayout(line1);

  // Line 2: search, display mode, first/last row, automation, options.
  auto* line2 = new QHBoxLayout;
  line2->setSpacing(6);
  auto* search = new QGroupBox(QStringLiteral("検索"), top);
  Bind("GroupBox1", search, Kind::Group);
  auto* searchRow = new QHBoxLayout(search);
  searchRow->setContentsMargins(6, 2, 6, 4);
  searchRow->setSpacing(4);
  const QString captions[] = {QStringLiteral("行番号"), QStringLiteral("部門1"), QStringLiteral("部門2"),
                              QStringLiteral("ゼッケン"), QStringLiteral("回数")};
  for (int i = 0; i < 5; ++i) {
    QLineEdit* e = LabelledEdit(search, "LEdit" + std::to_string(i + 1), captions[i], true);
    e->setFixedWidth(58);
    e->setProperty("Tag", i);
    e->setAttribute(Qt::WA_InputMethodEnabled, false);
    e->installEventFilter(this);
    searchEdits_.push_back(e);
    searchRow->addWidget(e->parentWidget());
  }
  line2->addWidget(search);

  auto* dispOpt = RadioGroup(top, "RGDispOpt", QStringLiteral("表示方式"),
                             {QStringLiteral("そのまま"), QStringLiteral("マスク表示")}, 1);
  Bind("RGDispOpt", dispOpt, Kind::Radio);
  line2->addWidget(dispOpt);

  auto* jumps = new QVBoxLayout;
  jumps->setSpacing(2);
  auto* first = SpeedButton(top, "SB_TOP2", QStringLiteral("↑↑"));
  auto* last = SpeedButton(top, "SB_NEW", QStringLiteral("↓↓"));
  for (QToolButton* b : {first, last}) {
    b->setFixedWidth(34);
    jumps->addWidget(b);
  }
  Bind("SB_TOP2", first, Kind::Button);
  Bind("SB_NEW", last, Kind::Button);
  line2->addLayout(jumps);

  auto* automation = new QGroupBox(QStringLiteral("自動化ｵﾌﾟｼｮﾝ"), top);
  Bind("GroupBox2", automation, Kind::Group);
  auto* autoGrid = new QGridLayout(automation);
  autoGrid->setContentsMargins(6, 2, 6, 4);
  autoGrid->setHorizontalSpacing(8);
  autoGrid->setVerticalSpacing(2);
  const std::pair<const char*, QString> boxes[] = {{"CBAuto", QStringLiteral("ﾘﾌﾚｯｼｭGrid")},
                                                   {"CBPure", QStringLiteral("ﾋﾟｭｱﾃｷｽﾄ出力")},
                                                   {"CBFtp", QStringLiteral("FTP")}};
  for (int i = 0; i < 3; ++i) {
    auto* cb = new QCheckBox(boxes[i].second, automation);
    Bind(boxes[i].first, cb, Kind::Check);
    autoGrid->addWidget(cb, 0, i);
  }
  auto* progress = new QProgressBar(automation);
  progress->setRange(0, 50);
  progress->setTextVisible(false);
  progress->setFixedHeight(10);
  QSizePolicy keep = progress->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  progress->setSizePolicy(keep);
  Bind("ProgressBar1", progress, Kind::Progress);
  autoGrid->addWidget(progress, 1, 0, 1, 3);
  line2->addWidget(automation);

  auto* options = new QVBoxLayout;
  options->setSpacing(4);
  auto* ignoreFR = new QCheckBox(QStringLiteral("2回目以降の第一ラップを無効にする(繰り上げ対策)"), top);
  Bind("CBignoreFR", ignoreFR, Kind::Check);
  options->addWidget(ignoreFR);
  auto* filterLabel = new QLabel(QStringLiteral("※只今フィルタが掛かっています。"), top);
  filterLabel->setCursor(Qt::PointingHandCursor);
  QSizePolicy keepLabel = filterLabel->sizePolicy();
  keepLabel.setRetainSizeWhenHidden(true);
  filterLabel->setSizePolicy(keepLabel);
  filterLabel->installEventFilter(this);
  Bind("Label5", filterLabel, Kind::Label);
  options->addWidget(filterLabel);
  line2->addLayout(options);
  line2->addStretch(1);
  rows->addLayout(line2);
  return top;
}

QWidget* MainWindow::BuildCentre() {
  auto* centre = new QWidget(this);
  centre->setObjectName(QStringLiteral("PanelGrid"));
  auto* stack = new QGridLayout(centre);
  stack->setContentsMargins(0, 0, 0, 0);
  auto* hint = new QLabel(QStringLiteral("zun Text を開いて下さい。"), centre);
  hint->setAlignment(Qt::AlignCenter);
  Bind("Label4", hint, Kind::Label);
  stack->addWidget(hint, 0, 0);

  model_ = new GridModel(this);
  const int rowHeight = QFontMetrics(QApplication::font()).height() + 6;
  grid_ = new GridView(model_, rowHeight, centre);
  grid_->setObjectName(QStringLiteral("StringGrid1"));
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
  Bind("StringGrid1", grid_, Kind::Grid);
  stack->addWidget(grid_, 0, 0);
  return centre;
}

QWidget* MainWindow::BuildRight() {
  auto* right = new QWidget(this);
  right->setObjectName(QStringLiteral("PanelFtp"));
  right->setFixedWidth(270);
  auto* col = new QVBoxLayout(right);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(3);

  auto* tools = new QToolBar(right);
  tools->setObjectName(QStringLiteral("ToolBar1"));
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tools->setIconSize(QSize(16, 16));
  const std::tuple<const char*, const char*, QStyle::StandardPixmap> buttons[] = {
      {"TBConnect", "ActionConnectHost", QStyle::SP_DriveNetIcon},
      {"TBDisConnect", "ActionDisconnectHost", QStyle::SP_BrowserStop},
      {"ToolButtonUpLoad", "ActionUpload", QStyle::SP_ArrowUp}};
  for (const auto& [name, action, icon] : buttons) {
    auto* b = new QToolButton(tools);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setFocusPolicy(Qt::NoFocus);
    tools->addWidget(b);
    Bind(name, b, Kind::ActionButton, action);
  }
  Bind("ToolBar1", tools, Kind::ToolBar);
  col->addWidget(tools);

  auto* dirRow = new QHBoxLayout;
  dirRow->setSpacing(3);
  auto* up = SpeedButton(right, "SpeedUpDir");
  up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  up->setToolButtonStyle(Qt::ToolButtonIconOnly);
  Bind("SpeedUpDir", up, Kind::ActionButton, "ActionUpDirectory");
  dirRow->addWidget(up);
  auto* combo = new QComboBox(right);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  Bind("ComboCurrDir", combo, Kind::Combo);
  dirRow->addWidget(combo, 1);
  col->addLayout(dirRow);

  auto* remote = ReportList(right, "RemoteFileListV", true);
  remote->setContextMenuPolicy(Qt::CustomContextMenu);
  remote->header()->setSectionsClickable(true);
  Bind("RemoteFileListV", remote, Kind::ListView);
  col->addWidget(remote, 1);

  auto* popup = new QMenu(right);
  popup->setObjectName(QStringLiteral("PMRemote"));
  for (auto [name, caption] : {std::pair{"MakeHDir", "ﾌｫﾙﾀﾞ作成"}, std::pair{"RemoteRename", "名前変更"},
                               std::pair{"RemoteDelete", "削除"}}) {
    QAction* a = popup->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    Bind(name, a, Kind::Action);
  }
  connect(remote, &QWidget::customContextMenuRequested, this,
          [remote, popup](const QPoint& pos) { popup->popup(remote->viewport()->mapToGlobal(pos)); });
  return right;
}

QWidget* MainWindow::BuildBottom() {
  auto* bottom = new QWidget(this);
  bottom->setObjectName(QStringLiteral("PanelBottom"));
  bottom->setFixedHeight(180);
  auto* row = new QHBoxLayout(bottom);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);

  // The operator's invalid marks and the flag file.
  auto* flags = new QGridLayout;
  flags->setHorizontalSpacing(3);
  flags->setVerticalSpacing(3);
  auto* doIgnore = new QPushButton(QStringLiteral("x FLGｾｯﾄ"), bottom);
  auto* cancelIgnore = new QPushButton(QStringLiteral("x FLGｱﾝｾｯﾄ"), bottom);
  Bind("ButtonDoignore", doIgnore, Kind::Button);
  Bind("ButtonCancalIgnore", cancelIgnore, Kind::Button);
  auto* flgDir = SpeedButton(bottom, "SpeedButton2", QStringLiteral("FLG Dir"));
  Bind("SpeedButton2", flgDir, Kind::ActionButton, "ActionOpenFlgHolder");
  auto* flgDelete = SpeedButton(bottom, "SpeedButton4");
  flgDelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  flgDelete->setToolButtonStyle(Qt::ToolButtonIconOnly);
  Bind("SpeedButton4", flgDelete, Kind::ActionButton, "ActionDelteFlgFile");
  flags->addWidget(doIgnore, 0, 0);
  flags->addWidget(cancelIgnore, 0, 1);
  flags->addWidget(flgDir, 0, 2);
  flags->addWidget(flgDelete, 0, 3);
  auto* flagList = new QListWidget(bottom);
  flagList->setMinimumWidth(300);
  Bind("ListBox1", flagList, Kind::ListBox);
  flags->addWidget(flagList, 1, 0, 1, 4);
  flags->setRowStretch(1, 1);
  row->addLayout(flags, 3);

  // The three output folders.
  const std::tuple<const char*, const char*, int> lists[] = {{"Label3", "ListView1", 0}, {"Label2", "ListView2", 0},
                                                             {"Label1", "CheckListBox1", 1}};
  for (const auto& [labelName, listName, check] : lists) {
    auto* col = new QVBoxLayout;
    col->setSpacing(1);
    auto* label = new ElidedLabel(bottom);
    label->setObjectName(QString::fromLatin1(labelName));
    Bind(labelName, label, Kind::Label);
    col->addWidget(label);
    if (check) {
      label->setCursor(Qt::PointingHandCursor);
      label->installEventFilter(this);
      auto* checks = new QListWidget(bottom);
      Bind(listName, checks, Kind::CheckList);
      col->addWidget(checks, 1);
      row->addLayout(col, 2);
    } else {
      auto* view = ReportList(bottom, listName, false);
      Bind(listName, view, Kind::ListView);
      col->addWidget(view, 1);
      row->addLayout(col, 3);
    }
  }

  // Writing the outputs and the folder that is uploaded.
  auto* outputs = new QVBoxLayout;
  outputs->setSpacing(3);
  auto* put = SpeedButton(bottom, "SBPutCleanText");
  Bind("SBPutCleanText", put, Kind::ActionButton, "ActionPutCleanText");
  auto* openExp = SpeedButton(bottom, "SBOpenEXP");
  Bind("SBOpenEXP", openExp, Kind::ActionButton, "ActionTextDirOpen");
  auto* deletePure = SpeedButton(bottom, "SpeedButton3");
  deletePure->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  deletePure->setToolButtonStyle(Qt::ToolButtonIconOnly);
  Bind("SpeedButton3", deletePure, Kind::ActionButton, "ActionDeletePurefiles");
  for (QToolButton* b : {put, openExp}) {
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    outputs->addWidget(b);
  }
  auto* outRow = new QHBoxLayout;
  outRow->addWidget(deletePure);
  auto* needCsv = new QCheckBox(QStringLiteral("要CSV"), bottom);
  Bind("CBNeedCSV", needCsv, Kind::Check);
  outRow->addWidget(needCsv, 1);
  outputs->addLayout(outRow);
  auto* upOpt = RadioGroup(bottom, "RGUpLDOpt", QStringLiteral("ｱﾌﾟﾛｰﾄﾞﾌｫﾙﾀﾞ"),
                           {QStringLiteral("TXT"), QStringLiteral("999"), QStringLiteral("000")}, 3);
  Bind("RGUpLDOpt", upOpt, Kind::Radio);
  outputs->addWidget(upOpt);
  outputs->addStretch(1);
  row->addLayout(outputs, 0);
  return bottom;
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(true);
  // The flag file's save report keeps its end ("保存 3 回目") when its path is long; the cycle's
  // state gets the room the default size leaves for its key facts.
  for (int i = 0; i < 3; ++i) {
    auto* panel = new StatusPanel(bar, i == 1 ? Qt::ElideLeft : Qt::ElideRight);
    panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
    const int width = i == 0 ? 100 : i == 1 ? 260 : 200;
    panel->setFixedWidth(width);
    bar->addWidget(panel, i == 2 ? 1 : 0);
    panels_.push_back(panel);
  }
  Bind("StatusBar1", bar, Kind::StatusBar);

  cycleLabel_ = new CycleStateLabel(bar);
  cycleLabel_->setObjectName(QStringLiteral("CycleState"));
  cycleLabel_->setMinimumWidth(360);
  bar->addPermanentWidget(cycleLabel_, 2);
}

void MainWindow::SyncCycleState() { cycleLabel_->SetStatus(form_->Cycle); }


// ---- records ----

void MainWindow::BuildRecordTable() {
  zun::FormMain& f = *form_;
  records_ = {
      {"FormMain", &f.Window}, {"Edit1", &f.Edit1}, {"GroupBox1", &f.GroupBox1}, {"LEdit1", &f.LEdit1},
      {"LEdit2", &f.LEdit2}, {"LEdit3", &f.LEdit3}, {"LEdit4", &f.LEdit4}, {"LEdit5", &f.LEdit5},
      {"RGDispOpt", &f.RGDispOpt}, {"SB_NEW", &f.SB_NEW}, {"SB_TOP2", &f.SB_TOP2}, {"SB_Refresh", &f.SB_Refresh},
      {"SpeedButton1", &f.SpeedButton1}, {"Label5", &f.Label5}, {"GroupBox2", &f.GroupBox2}, {"CBAuto", &f.CBAuto},
      {"CBPure", &f.CBPure}, {"CBFtp", &f.CBFtp}, {"ProgressBar1", &f.ProgressBar1}, {"EHost", &f.EHost},
      {"EUserId", &f.EUserId}, {"EPassword", &f.EPassword}, {"CBignoreFR", &f.CBignoreFR},
      {"StringGrid1", &f.StringGrid1}, {"Label4", &f.Label4}, {"ButtonDoignore", &f.ButtonDoignore},
      {"ButtonCancalIgnore", &f.ButtonCancalIgnore}, {"SpeedButton2", &f.SpeedButton2},
      {"SpeedButton4", &f.SpeedButton4}, {"SBPutCleanText", &f.SBPutCleanText}, {"SBOpenEXP", &f.SBOpenEXP},
      {"SpeedButton3", &f.SpeedButton3}, {"CBNeedCSV", &f.CBNeedCSV}, {"RGUpLDOpt", &f.RGUpLDOpt},
      {"ListBox1", &f.ListBox1}, {"ListView1", &f.ListView1}, {"ListView2", &f.ListView2},
      {"CheckListBox1", &f.CheckListBox1}, {"Label3", &f.Label3}, {"Label2", &f.Label2}, {"Label1", &f.Label1},
      {"ToolBar1", &f.ToolBar1}, {"TBConnect", &f.TBConnect}, {"TBDisConnect", &f.TBDisConnect},
      {"ToolButtonUpLoad", &f.ToolButtonUpLoad}, {"SpeedUpDir", &f.SpeedUpDir}, {"ComboCurrDir", &f.ComboCurrDir},
      {"RemoteFileListV", &f.RemoteFileListV}, {"PMRemote", &f.PMRemote}, {"MakeHDir", &f.MakeHDir},
      {"RemoteRename", &f.RemoteRename}, {"RemoteDelete", &f.RemoteDelete}, {"StatusBar1", &f.StatusBar1},
      {"MainMenu1", &f.MainMenu1}, {"ZunText1", &f.ZunText1}, {"OpenHostList1", &f.OpenHostList1},
      {"ActionClose1", &f.ActionClose1}, {"Timer1", &f.Timer1}, {"ActionOpenZunText", &f.ActionOpenZunText},
      {"ActionClose", &f.ActionClose}, {"ActionPutCleanText", &f.ActionPutCleanText},
      {"ActionTextDirOpen", &f.ActionTextDirOpen}, {"ActionOpenZunFolder", &f.ActionOpenZunFolder},
      {"ActionOpenFlgHolder", &f.ActionOpenFlgHolder}, {"ActionRefresh", &f.ActionRefresh},
      {"ActionDelteFlgFile", &f.ActionDelteFlgFile}, {"ActionDeletePurefiles", &f.ActionDeletePurefiles},
      {"OpenHostList", &f.OpenHostList}, {"ActionConnectHost", &f.ActionConnectHost},
      {"ActionDisconnectHost", &f.ActionDisconnectHost}, {"ActionUpload", &f.ActionUpload},
      {"ActionUpDirectory", &f.ActionUpDirectory}, {"Action1", &f.Action1},
  };
}

zun::Control* MainWindow::Record(const std::string& name) {
  auto it = records_.find(name);
  return it == records_.end() ? nullptr : it->second;
}

// ---- events ----

void MainWindow::Forward(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    Mirror();
    throw;
  }
  Mirror();
  if (form_->CloseRequested) {
    form_->CloseRequested = false;
    close();
  }
}

void MainWindow::DeliverFtp() {
  if (destroying_) return;
  Forward([this] { form_->DeliverRemoteEvents(); });
  if (form_->WaitingToClose() && !form_->RemoteBusy()) close();
}

void MainWindow::ConnectEvents() {
  zun::FormMain* f = form_.get();
  const std::pair<const char*, void (zun::FormMain::*)()> actionHandlers[] = {
      {"ActionOpenZunText", &zun::FormMain::ActionOpenZunTextExecute},
      {"ActionClose", &zun::FormMain::ActionCloseExecute},
      {"ActionPutCleanText", &zun::FormMain::ActionPutCleanTextExecute},
      {"ActionTextDirOpen", &zun::FormMain::ActionTextDirOpenExecute},
      {"ActionOpenZunFolder", &zun::FormMain::ActionOpenZunFolderExecute},
      {"ActionOpenFlgHolder", &zun::FormMain::ActionOpenFlgHolderExecute},
      {"ActionRefresh", &zun::FormMain::ActionRefreshExecute},
      {"ActionDelteFlgFile", &zun::FormMain::ActionDelteFlgFileExecute},
      {"ActionDeletePurefiles", &zun::FormMain::ActionDeletePurefilesExecute},
      {"OpenHostList", &zun::FormMain::OpenHostListExecute},
      {"ActionConnectHost", &zun::FormMain::ActionConnectHostExecute},
      {"ActionDisconnectHost", &zun::FormMain::ActionDisconnectHostExecute},
      {"ActionUpload", &zun::FormMain::ActionUploadExecute},
      {"ActionUpDirectory", &zun::FormMain::ActionUpDirectoryExecute},
      {"MakeHDir", &zun::FormMain::MakeHDirClick},
      {"RemoteRename", &zun::FormMain::RemoteRenameClick},
      {"RemoteDelete", &zun::FormMain::RemoteDeleteClick},
  };
  for (const auto& [name, handler] : actionHandlers) {
    auto* action = findChild<QAction*>(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, f, h = handler] { Forward([f, h] { (f->*h)(); }); });
  }

  for (const Binding& b : bindings_) {
    if (b.kind != Kind::ActionButton) continue;
    QAction* action = actions_[b.action];
    connect(static_cast<QAbstractButton*>(b.object.data()), &QAbstractButton::clicked, action, &QAction::trigger);
  }

  const std::pair<const char*, void (zun::FormMain::*)()> buttonHandlers[] = {
      {"SB_NEW", &zun::FormMain::SB_NEWClick},
      {"SB_TOP2", &zun::FormMain::SB_TOP2Click},
      {"ButtonDoignore", &zun::FormMain::ButtonDoignoreClick},
      {"ButtonCancalIgnore", &zun::FormMain::ButtonCancalIgnoreClick},
  };
  for (const auto& [name, handler] : buttonHandlers) {
    auto* button = findChild<QAbstractButton*>(QString::fromLatin1(name));
    // A speed button does not move the focus, so its jump leaves the focus where it is.
    const bool speed = qobject_cast<QToolButton*>(button) != nullptr;
    connect(button, &QAbstractButton::clicked, this, [this, f, h = handler, speed] {
      focusOnScroll_ = !speed;
      Forward([f, h] { (f->*h)(); });
      focusOnScroll_ = true;
    });
  }

  const std::pair<const char*, void (zun::FormMain::*)()> checkHandlers[] = {
      {"CBAuto", &zun::FormMain::CBAutoClick}, {"CBPure", &zun::FormMain::CBAutoClick},
      {"CBFtp", &zun::FormMain::CBFtpClick},   {"CBignoreFR", &zun::FormMain::CBignoreFRClick},
      {"CBNeedCSV", nullptr},
  };
  for (const auto& [name, handler] : checkHandlers) {
    auto* box = findChild<QCheckBox*>(QString::fromLatin1(name));
    zun::Control* rec = Record(name);
    connect(box, &QCheckBox::clicked, this, [this, f, rec, h = handler](bool checked) {
      rec->checked = checked;
      Forward([f, h] {
        if (h) (f->*h)();
      });
    });
  }

  // Typed text goes into the records at once; the handlers read it from there.
  const std::pair<const char*, void (zun::FormMain::*)()> editHandlers[] = {
      {"Edit1", nullptr},  {"LEdit1", nullptr}, {"LEdit2", nullptr},
      {"LEdit3", nullptr}, {"LEdit4", nullptr}, {"LEdit5", nullptr},
      {"EHost", &zun::FormMain::EHostChange}, {"EUserId", &zun::FormMain::EUserIdChange},
      {"EPassword", &zun::FormMain::EPasswordChange},
  };
  for (const auto& [name, handler] : editHandlers) {
    auto* edit = findChild<QLineEdit*>(QString::fromLatin1(name));
    zun::Control* rec = Record(name);
    connect(edit, &QLineEdit::textEdited, this, [this, f, rec, h = handler](const QString& text) {
      rec->text = text.toStdString();
      if (h) Forward([f, h] { (f->*h)(); });
    });
  }
  for (int tag = 0; tag < static_cast<int>(searchEdits_.size()); ++tag) {
    connect(searchEdits_[tag], &QLineEdit::returnPressed, this,
            [this, f, tag] { Forward([f, tag] { f->LEdit1KeyPress(tag, 13); }); });
  }

  for (const char* name : {"RGDispOpt", "RGUpLDOpt"}) {
    auto* box = findChild<QGroupBox*>(QString::fromLatin1(name));
    zun::Control* rec = Record(name);
    const bool display = std::string(name) == "RGDispOpt";
    connect(ButtonsOf(box), &QButtonGroup::idClicked, this, [this, f, rec, display](int id) {
      rec->itemIndex = id;
      Forward([f, display] {
        if (display) f->RGDispOptClick();
      });
    });
  }

  auto* flagList = findChild<QListWidget*>(QStringLiteral("ListBox1"));
  connect(flagList, &QListWidget::currentRowChanged, this, [this, f](int row) {
    if (mirroring_) return;
    f->ListBox1.itemIndex = row;
    Forward([f] { f->UpdateControlStates(); });
  });
  connect(flagList, &QListWidget::itemClicked, this, [this, f, flagList](QListWidgetItem* item) {
    f->ListBox1.itemIndex = flagList->row(item);
    Forward([f] { f->ListBox1Click(); });
  });

  auto* checks = findChild<QListWidget*>(QStringLiteral("CheckListBox1"));
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

  auto* remote = findChild<QTreeWidget*>(QStringLiteral("RemoteFileListV"));
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
  connect(remote, &QTreeWidget::itemDoubleClicked, this,
          [this, f] { Forward([f] { f->RemoteFileListVDblClick(); }); });
  auto* combo = findChild<QComboBox*>(QStringLiteral("ComboCurrDir"));
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

  // The timer stands still while a tick works; the mirror afterwards starts it again with its
  // full period, so every working tick is followed by a second of rest.
  connect(timer_, &QTimer::timeout, this, [this, f] {
    timer_->stop();
    Forward([f] { f->Timer1Timer(); });
  });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && !destroying_) {
    zun::FormMain* f = form_.get();
    for (int tag = 0; tag < static_cast<int>(searchEdits_.size()); ++tag) {
      if (watched == searchEdits_[tag]) {
        Forward([f, tag] { f->LEdit1MouseUp(tag); });
        return false;
      }
    }
    if (watched->objectName() == QLatin1String("Label5")) {
      Forward([f] { f->Label5Click(); });
      return true;
    }
    if (watched->objectName() == QLatin1String("Label1")) {
      Forward([f] { f->Label1Click(); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  Forward([this] { form_->FormShow(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_ || destroying_) {
    event->accept();
    return;
  }
  // A remote step still out is let end first (each command it waits for has its timeout); it
  // sends nothing after that command.
  if (form_->RemoteBusy()) {
    form_->WaitToClose();
    Mirror();
    event->ignore();
    return;
  }
  bool closed = false;
  Forward([this, &closed] { closed = form_->CloseWindow(); });
  if (!closed) {
    event->ignore();
    return;
  }
  closing_ = true;
  timer_->stop();
  event->accept();
}

// ---- mirroring ----

namespace {

void SetColor(QWidget* w, uint32_t rgb) {
  const QColor color = ColorOf(rgb);
  if (w->palette().color(QPalette::WindowText) == color) return;
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  w->setPalette(p);
}

template <typename W>
void SetCommon(W* w, const zun::Control& c) {
  if (w->isEnabled() != c.enabled) w->setEnabled(c.enabled);
  if (w->isVisibleTo(w->parentWidget()) != c.visible) w->setVisible(c.visible);
  if (w->toolTip() != QString::fromStdString(c.hint)) w->setToolTip(QString::fromStdString(c.hint));
}

void SetListItems(QListWidget* list, const std::vector<std::string>& items, bool checkable,
                  const std::vector<bool>& checked) {
  bool same = list->count() == static_cast<int>(items.size());
  for (int i = 0; same && i < list->count(); ++i)
    same = list->item(i)->text() == QString::fromStdString(items[i]);
  if (!same) {
    list->clear();
    for (const std::string& text : items) {
      auto* item = new QListWidgetItem(QString::fromStdString(text), list);
      if (checkable) item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    }
  }
  if (!checkable) return;
  for (int i = 0; i < list->count(); ++i) {
    const Qt::CheckState state = i < static_cast<int>(checked.size()) && checked[i] ? Qt::Checked : Qt::Unchecked;
    if (list->item(i)->checkState() != state) list->item(i)->setCheckState(state);
  }
}

void SetRows(QTreeWidget* view, const std::vector<zun::ListRow>& rows) {
  view->clear();
  QList<QTreeWidgetItem*> items;
  for (const zun::ListRow& row : rows) {
    QStringList cells;
    for (const std::string& cell : row.cells) cells << QString::fromStdString(cell);
    auto* item = new QTreeWidgetItem(cells);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    // Images of the remote list: 12 a file, 14 a folder.
    if (row.imageIndex == 12 || row.imageIndex == 14) {
      item->setIcon(0, view->style()->standardIcon(row.imageIndex == 14 ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
      item->setData(0, Qt::UserRole, row.imageIndex);
    }
    items << item;
  }
  view->addTopLevelItems(items);
}

int ImageIndexOf(const QTreeWidgetItem* item) {
  const QVariant v = item->data(0, Qt::UserRole);
  return v.isValid() ? v.toInt() : -1;
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

}  // namespace

void MainWindow::ApplyBinding(const Binding& b, const zun::Control& c) {
  QObject* o = b.object.data();
  if (!o) return;
  const QString text = QString::fromStdString(c.text);
  switch (b.kind) {
    case Kind::Form:
      if (!text.isEmpty() && windowTitle() != text) setWindowTitle(text);
      break;
    case Kind::Edit: {
      auto* e = static_cast<QLineEdit*>(o);
      if (e->text() != text) e->setText(text);
      SetCommon(e, c);
      QWidget* holder = e->parentWidget();
      if (holder && holder->findChild<QLabel*>(e->objectName() + QStringLiteral("Label")))
        holder->setVisible(c.visible), e->setVisible(true);
      break;
    }
    case Kind::Check: {
      auto* cb = static_cast<QCheckBox*>(o);
      if (!text.isEmpty() && cb->text() != text) cb->setText(text);
      if (cb->isChecked() != c.checked) cb->setChecked(c.checked);
      SetCommon(cb, c);
      break;
    }
    case Kind::Button: {
      auto* button = static_cast<QAbstractButton*>(o);
      if (!text.isEmpty() && button->text() != text) button->setText(text);
      SetCommon(button, c);
      break;
    }
    case Kind::ActionButton:
    case Kind::Menu: {
      const zun::Control* action = Record(b.action);
      zun::Control merged = c;
      if (action) {
        if (merged.text.empty()) merged.text = action->text;
        if (merged.hint.empty()) merged.hint = action->hint;
        merged.enabled = c.enabled && action->enabled;
        merged.visible = c.visible && action->visible;
      }
      const QString shown = QString::fromStdString(merged.text);
      if (b.kind == Kind::Menu) {
        auto* a = static_cast<QAction*>(o);
        if (a->text() != shown) a->setText(shown);
        a->setEnabled(merged.enabled);
        a->setVisible(merged.visible);
      } else {
        auto* button = static_cast<QToolButton*>(o);
        // A button with an icon and no caption of its own shows only the icon.
        if (button->toolButtonStyle() != Qt::ToolButtonIconOnly && button->text() != shown) button->setText(shown);
        SetCommon(button, merged);
      }
      break;
    }
    case Kind::Action: {
      auto* a = static_cast<QAction*>(o);
      if (!text.isEmpty() && a->text() != text) a->setText(text);
      a->setEnabled(c.enabled);
      a->setVisible(c.visible);
      a->setToolTip(QString::fromStdString(c.hint));
      break;
    }
    case Kind::Label: {
      auto* label = static_cast<QLabel*>(o);
      if (auto* elided = dynamic_cast<ElidedLabel*>(label))
        elided->SetFullText(text);
      else if (label->text() != text && !text.isEmpty())
        label->setText(text);
      SetColor(label, c.fontColor);
      SetCommon(label, c);
      break;
    }
    case Kind::Group: {
      auto* box = static_cast<QGroupBox*>(o);
      if (!text.isEmpty() && box->title() != text) box->setTitle(text);
      SetCommon(box, c);
      break;
    }
    case Kind::Radio: {
      auto* box = static_cast<QGroupBox*>(o);
      if (!text.isEmpty() && box->title() != text) box->setTitle(text);
      QButtonGroup* group = ButtonsOf(box);
      const auto buttons = group->buttons();
      for (QAbstractButton* button : buttons) {
        const int id = group->id(button);
        if (id >= 0 && id < static_cast<int>(c.items.size()) && button->text() != QString::fromStdString(c.items[id]))
          button->setText(QString::fromStdString(c.items[id]));
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
      break;
    }
    case Kind::ListBox:
    case Kind::CheckList: {
      auto* list = static_cast<QListWidget*>(o);
      SetListItems(list, c.items, b.kind == Kind::CheckList, c.itemChecked);
      if (list->currentRow() != c.itemIndex || (c.itemIndex < 0 && !list->selectedItems().isEmpty())) {
        if (c.itemIndex >= 0 && c.itemIndex < list->count()) {
          list->setCurrentRow(c.itemIndex);
        } else {
          list->clearSelection();
          list->setCurrentRow(-1);
        }
      }
      SetCommon(list, c);
      break;
    }
    case Kind::ListView: {
      auto* view = static_cast<QTreeWidget*>(o);
      bool same = view->topLevelItemCount() == static_cast<int>(c.rows.size());
      for (int i = 0; same && i < view->topLevelItemCount(); ++i) {
        const auto& cells = c.rows[i].cells;
        QTreeWidgetItem* item = view->topLevelItem(i);
        for (int k = 0; same && k < 3; ++k)
          same = item->text(k) == (k < static_cast<int>(cells.size()) ? QString::fromStdString(cells[k]) : QString());
        same = same && ImageIndexOf(item) == (c.rows[i].imageIndex == 12 || c.rows[i].imageIndex == 14 ? c.rows[i].imageIndex : -1);
      }
      if (!same) SetRows(view, c.rows);
      if (view->selectionMode() == QAbstractItemView::ExtendedSelection) SetSelection(view, c.selectedRows);
      SetCommon(view, c);
      if (view->property("focusRequests").toInt() != c.focusRequests) {
        view->setProperty("focusRequests", c.focusRequests);
        if (view->isEnabled() && view->isVisible()) view->setFocus(Qt::OtherFocusReason);
      }
      break;
    }
    case Kind::Combo: {
      // The remote folders are the server's bytes: shown decoded, kept as they are.
      auto* combo = static_cast<QComboBox*>(o);
      const auto shown = [](const std::string& s) { return Q(ftp::DisplayRemoteName(s)); };
      bool same = combo->count() == static_cast<int>(c.items.size());
      for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == shown(c.items[i]);
      if (!same) {
        combo->clear();
        for (const std::string& item : c.items) combo->addItem(shown(item));
      }
      if (combo->currentText() != shown(c.text)) combo->setCurrentText(shown(c.text));
      SetCommon(combo, c);
      break;
    }
    case Kind::Progress: {
      auto* bar = static_cast<QProgressBar*>(o);
      if (bar->value() != c.position) bar->setValue(c.position);
      SetCommon(bar, c);
      break;
    }
    case Kind::Timer: {
      auto* timer = static_cast<QTimer*>(o);
      if (c.interval > 0 && timer->interval() != c.interval) timer->setInterval(c.interval);
      if (c.enabled && !timer->isActive() && !closing_) timer->start();
      if (!c.enabled && timer->isActive()) timer->stop();
      break;
    }
    case Kind::Grid: {
      auto* view = static_cast<QWidget*>(o);
      if (view->isEnabled() != c.enabled) view->setEnabled(c.enabled);
      if (view->isVisibleTo(view->parentWidget()) != c.visible) view->setVisible(c.visible);
      break;
    }
    case Kind::ToolBar:
      SetCommon(static_cast<QWidget*>(o), c);
      break;
    case Kind::StatusBar:
      for (size_t i = 0; i < panels_.size(); ++i) {
        const QString panel = i < c.items.size() ? QString::fromStdString(c.items[i]) : QString();
        if (panels_[i]->text() != panel) {
          panels_[i]->setText(panel);
          panels_[i]->setToolTip(panel);
        }
      }
      break;
  }
}

namespace {
// The core may ask for the focus on the grid; older cores say so only through a scroll request.
template <typename G>
int FocusRequestsOf(const G& grid) {
  if constexpr (requires { grid.focusRequests; })
    return grid.focusRequests;
  else
    return -1;
}
}  // namespace

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
  bool focus = false;
  if (const int requests = FocusRequestsOf(g); requests >= 0) {
    focus = requests != focusRequests_;
    focusRequests_ = requests;
  } else {
    focus = scroll && scrollRequests_ >= 0 && focusOnScroll_;
  }
  if (scroll) scrollRequests_ = g.scrollRequests;
  if (focus && g.visible && grid_->isVisible()) grid_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::Mirror() {
  if (mirroring_) return;
  mirroring_ = true;
  for (const Binding& b : bindings_) {
    if (const zun::Control* c = Record(b.name)) ApplyBinding(b, *c);
  }
  SyncGrid();
  SyncCycleState();
  mirroring_ = false;
}

}  // namespace zun::gui
