#pragma once
// The main window: builds the widgets, forwards each event to FormMain and afterwards mirrors
// FormMain's control records onto the widgets. The program's state is all in FormMain; the window
// keeps only what its widgets need.
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

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
  enum class Kind { Form, Edit, Check, Button, ActionButton, Action, Label, Group, Radio, ListBox, CheckList,
                    ListView, Combo, Progress, Timer, Grid, ToolBar, StatusBar, Menu };
  struct Binding {
    std::string name;
    QPointer<QObject> object;
    Kind kind;
    std::string action;  // ActionButton and menu items: the action whose record they follow
  };

  void BuildRecordTable();
  void BuildWidgets();
  QWidget* BuildTop();
  QWidget* BuildCentre();
  QWidget* BuildBottom();
  QWidget* BuildRight();
  void BuildStatusBar();
  void Bind(const std::string& name, QObject* object, Kind kind, const std::string& action = {});
  QAction* MakeAction(const std::string& name);
  QLineEdit* LabelledEdit(QWidget* parent, const std::string& name, const QString& caption, bool labelAbove);
  void ConnectEvents();
  // Runs a FormMain handler, then mirrors the records; a load or a filter also resets the grid.
  void Forward(const std::function<void()>& handler);
  zun::Control* Record(const std::string& name);
  void ApplyBinding(const Binding& b, const zun::Control& c);
  void SyncGrid();
  void SyncCycleState();
  // The FTP worker has status texts or a result for the window.
  void DeliverFtp();

  std::unique_ptr<QtPrompter> ownPrompter_;
  zun::Prompter* prompter_;
  std::unique_ptr<zun::FormMain> form_;
  std::vector<Binding> bindings_;
  std::map<std::string, QAction*> actions_;
  std::map<std::string, zun::Control*> records_;
  GridModel* model_ = nullptr;
  GridView* grid_ = nullptr;
  QTimer* timer_ = nullptr;
  std::vector<QLabel*> panels_;
  CycleStateLabel* cycleLabel_ = nullptr;
  std::vector<QLineEdit*> searchEdits_;
  bool mirroring_ = false;
  bool shown_ = false;
  bool closing_ = false;
  bool destroying_ = false;
  bool focusOnScroll_ = true;
  // What the grid model last showed, to know when the row set changed.
  int modelResets_ = -1;
  int repaints_ = -1;
  int scrollRequests_ = -1;
  int focusRequests_ = -1;
};

}  // namespace zun::gui
