#include "MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "GridModel.h"
#include "GridView.h"
#include "QtPrompter.h"
#include "StatusPanels.h"
#include "Widgets.h"
#include "platform/Paths.h"

namespace zun::gui {

namespace {
const char* const kClosingAfterRemote = "ｻｰﾊﾞｰの応答を待って終了します。";
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
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("zunTextEditor"));
  BuildWidgets();
  WireActions();
  WireTop();
  WireGrid();
  WireRemote();
  WireBottom();
  WireTimer();
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

// ---- building ----

void MainWindow::BuildWidgets() {
  BuildActions();
  BuildMenu();
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
  timer_->setInterval(1000);
  Bind(Id::Timer1, timer_, WidgetKind::Timer);
  Bind(Id::Window, this, WidgetKind::Form);
}

void MainWindow::BuildActions() {
  for (Id id : {Id::ActionOpenZunText, Id::ActionClose, Id::ActionPutCleanText, Id::ActionTextDirOpen,
                Id::ActionOpenZunFolder, Id::ActionOpenFlgHolder, Id::ActionRefresh, Id::ActionDelteFlgFile,
                Id::ActionDeletePurefiles, Id::OpenHostList, Id::ActionConnectHost, Id::ActionDisconnectHost,
                Id::ActionUpload, Id::ActionUpDirectory, Id::Action1})
    Bind(id, new QAction(this), WidgetKind::Action);
}

void MainWindow::BindActionButton(Id id, QAbstractButton* button, Id action) {
  BindToAction(id, button, WidgetKind::ActionButton, action);
  connect(button, &QAbstractButton::clicked, Widget<QAction>(action), &QAction::trigger);
}

void MainWindow::BuildMenu() {
  QMenuBar* menu = menuBar();
  menu->setObjectName(NameOf(Id::MainMenu1));
  for (auto [item, action] : {std::pair{Id::ZunText1, Id::ActionOpenZunText}, std::pair{Id::OpenHostList1, Id::OpenHostList},
                              std::pair{Id::ActionClose1, Id::ActionClose}}) {
    QAction* a = menu->addAction(QString());
    connect(a, &QAction::triggered, Widget<QAction>(action), &QAction::trigger);
    BindToAction(item, a, WidgetKind::Menu, action);
  }
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setSizeGripEnabled(true);
  // The flag file's save report keeps its end ("保存 3 回目") when its path is long; the cycle's
  // state gets the room the default size leaves for its key facts.
  for (int i = 0; i < 3; ++i) {
    auto* panel = new StatusPanel(bar, i == 1 ? Qt::ElideLeft : Qt::ElideRight);
    panel->setObjectName(StatusPanelName(i));
    const int width = i == 0 ? 100 : i == 1 ? 260 : 200;
    panel->setFixedWidth(width);
    bar->addWidget(panel, i == 2 ? 1 : 0);
  }
  Bind(Id::StatusBar1, bar, WidgetKind::StatusBar);

  cycleLabel_ = new CycleStateLabel(bar);
  cycleLabel_->setObjectName(QStringLiteral("CycleState"));
  cycleLabel_->setMinimumWidth(360);
  bar->addPermanentWidget(cycleLabel_, 2);
}

// ---- wiring ----

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
  if (closeWhenIdle_ && !form_->RemoteBusy()) {
    closeWhenIdle_ = false;
    close();
  }
}

void MainWindow::WireActions() {
  using F = zun::FormMain;
  const std::pair<Id, Handler> handlers[] = {
      {Id::ActionOpenZunText, &F::ActionOpenZunTextExecute},
      {Id::ActionClose, &F::ActionCloseExecute},
      {Id::ActionPutCleanText, &F::ActionPutCleanTextExecute},
      {Id::ActionTextDirOpen, &F::ActionTextDirOpenExecute},
      {Id::ActionOpenZunFolder, &F::ActionOpenZunFolderExecute},
      {Id::ActionOpenFlgHolder, &F::ActionOpenFlgHolderExecute},
      {Id::ActionRefresh, &F::ActionRefreshExecute},
      {Id::ActionDelteFlgFile, &F::ActionDelteFlgFileExecute},
      {Id::ActionDeletePurefiles, &F::ActionDeletePurefilesExecute},
      {Id::OpenHostList, &F::OpenHostListExecute},
      {Id::ActionConnectHost, &F::ActionConnectHostExecute},
      {Id::ActionDisconnectHost, &F::ActionDisconnectHostExecute},
      {Id::ActionUpload, &F::ActionUploadExecute},
      {Id::ActionUpDirectory, &F::ActionUpDirectoryExecute},
      {Id::MakeHDir, &F::MakeHDirClick},
      {Id::RemoteRename, &F::RemoteRenameClick},
      {Id::RemoteDelete, &F::RemoteDeleteClick},
  };
  zun::FormMain* f = form_.get();
  for (const auto& [id, handler] : handlers)
    connect(Widget<QAction>(id), &QAction::triggered, this, [this, f, h = handler] { Forward([f, h] { (f->*h)(); }); });
}

void MainWindow::OnClick(Id id, Handler handler) {
  zun::FormMain* f = form_.get();
  connect(Widget<QAbstractButton>(id), &QAbstractButton::clicked, this,
          [this, f, handler] { Forward([f, handler] { (f->*handler)(); }); });
}

void MainWindow::OnCheck(Id id, Handler handler) {
  zun::FormMain* f = form_.get();
  zun::Control* rec = &f->Record(id);
  connect(Widget<QCheckBox>(id), &QCheckBox::clicked, this, [this, f, rec, handler](bool checked) {
    rec->checked = checked;
    Forward([f, handler] {
      if (handler) (f->*handler)();
    });
  });
}

void MainWindow::OnEdit(Id id, Handler handler) {
  zun::FormMain* f = form_.get();
  zun::Control* rec = &f->Record(id);
  connect(Widget<QLineEdit>(id), &QLineEdit::textEdited, this, [this, f, rec, handler](const QString& text) {
    rec->text = text.toStdString();
    if (handler) Forward([f, handler] { (f->*handler)(); });
  });
}

void MainWindow::OnRadio(Id id, Handler handler) {
  zun::FormMain* f = form_.get();
  zun::Control* rec = &f->Record(id);
  connect(ButtonsOf(Widget<QGroupBox>(id)), &QButtonGroup::idClicked, this, [this, f, rec, handler](int chosen) {
    rec->itemIndex = chosen;
    Forward([f, handler] {
      if (handler) (f->*handler)();
    });
  });
}

void MainWindow::WireTimer() {
  // The timer stands still while a tick works; the mirror afterwards starts it again with its
  // full period, so every working tick is followed by a second of rest.
  zun::FormMain* f = form_.get();
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
    if (watched == binder_.Object(Id::Label5)) {
      Forward([f] { f->Label5Click(); });
      return true;
    }
    if (watched == binder_.Object(Id::Label1)) {
      Forward([f] { f->Label1Click(); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- window life ----

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
    closeWhenIdle_ = true;
    form_->StopRemote();
    form_->ShowStatus(kClosingAfterRemote);
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

void MainWindow::Mirror() {
  if (mirroring_) return;
  mirroring_ = true;
  binder_.Apply(*form_, !closing_);
  SyncGrid();
  cycleLabel_->SetStatus(form_->Cycle);
  mirroring_ = false;
}

}  // namespace zun::gui
