#pragma once
// The main window: builds the widgets, forwards each event to FormMain and afterwards mirrors
// FormMain's control records onto the widgets. The program's state is all in FormMain; the window
// keeps only what its widgets need. Each panel has a file of its own (MainWindowTop, ...Grid,
// ...Remote, ...Bottom) holding how it is built and how its events reach FormMain.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QBoxLayout;
class QLayout;
class QLineEdit;
class QTimer;

#include "Binder.h"
#include "app/FormMain.h"

namespace zun::gui {

class CycleStateLabel;
class GridModel;
class GridView;
class QtPrompter;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Without a prompter the window shows real message boxes and dialogs.
  explicit MainWindow(zun::Prompter* prompter = nullptr, zun::FormMainOptions options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  zun::FormMain& Form() { return *form_; }
  GridView* Grid() const { return grid_; }
  GridModel* Model() const { return model_; }
  // Re-reads every control record onto its widget.
  void Mirror();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using Handler = void (zun::FormMain::*)();
  using Id = zun::ControlId;

  template <typename T>
  T* Widget(Id id) const {
    return qobject_cast<T*>(binder_.Object(id));
  }
  void Bind(Id id, QObject* object, WidgetKind kind) { binder_.Bind(id, object, kind); }
  void BindToAction(Id id, QObject* object, WidgetKind kind, Id action) { binder_.Bind(id, object, kind, action); }
  // A button that triggers `action` and shows its caption, hint and state.
  void BindActionButton(Id id, QAbstractButton* button, Id action);

  // Building, a function per panel or part of one.
  void BuildWidgets();
  void BuildActions();
  void BuildMenu();
  QWidget* BuildTop();
  QLayout* BuildFileLine(QWidget* top);
  QWidget* BuildSearchBox(QWidget* top);
  QLayout* BuildJumps(QWidget* top);
  QWidget* BuildAutomationBox(QWidget* top);
  QLayout* BuildOptions(QWidget* top);
  QWidget* BuildCentre();
  QWidget* BuildRight();
  QWidget* BuildRemoteTools(QWidget* right);
  QWidget* BuildBottom();
  QLayout* BuildFlagPanel(QWidget* bottom);
  void BuildOutputLists(QWidget* bottom, QBoxLayout* row);
  QLayout* BuildOutputButtons(QWidget* bottom);
  void BuildStatusBar();

  // Wiring: each panel's events forwarded to FormMain's handlers.
  void WireActions();
  void WireTop();
  void WireGrid();
  void WireRemote();
  void WireBottom();
  void WireTimer();
  // A button's click runs `handler`.
  void OnClick(Id button, Handler handler);
  // A tick goes into the record first; `handler` (if any) runs after.
  void OnCheck(Id box, Handler handler);
  // Typed text goes into the record at once; `handler` (if any) runs after.
  void OnEdit(Id edit, Handler handler);
  // A chosen radio button's number goes into the record; `handler` (if any) runs after.
  void OnRadio(Id group, Handler handler);

  // Runs a FormMain handler, then mirrors the records; a load or a filter also resets the grid.
  void Forward(const std::function<void()>& handler);
  void SyncGrid();
  // The FTP worker has status texts or a result for the window.
  void DeliverFtp();

  std::unique_ptr<QtPrompter> ownPrompter_;
  zun::Prompter* prompter_;
  std::unique_ptr<zun::FormMain> form_;
  Binder binder_;
  GridModel* model_ = nullptr;
  GridView* grid_ = nullptr;
  QTimer* timer_ = nullptr;
  CycleStateLabel* cycleLabel_ = nullptr;
  bool closeWhenIdle_ = false;  // a close waits for the remote step out
  std::vector<QLineEdit*> searchEdits_;
  bool mirroring_ = false;
  bool shown_ = false;
  bool closing_ = false;
  bool destroying_ = false;
  // What the grid model last showed, to know when the row set changed.
  int modelResets_ = -1;
  int repaints_ = -1;
  int scrollRequests_ = -1;
  int focusRequests_ = -1;
};

}  // namespace zun::gui
