#pragma once
// The host-list dialog "ホスト一覧" (window name HostForm): a list of the stored hosts and the
// buttons 設定, 削除 and キャンセル. It keeps no state: the rows and the answer live in the core's
// HostForm, to which every button is forwarded.
#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace zun {
class HostForm;
class Prompter;
struct HostButtonResult;
}  // namespace zun

namespace zun::gui {

class HostDialog : public QDialog {
  Q_OBJECT
 public:
  explicit HostDialog(QWidget* parent = nullptr);

  // Lists the rows of `form` and runs the dialog modally. The buttons call the form's handlers;
  // their messages and questions go to `prompter`. Closing by the title bar answers nothing.
  void Run(zun::HostForm& form, zun::Prompter& prompter);

  QTreeWidget* List() const { return list_; }
  // The selected row, -1 when none.
  int SelectedRow() const;

 private:
  void ButtonSetClick();
  void ButtonDeleteClick();
  void ButtonCancelClick();
  void Apply(const zun::HostButtonResult& result);

  QTreeWidget* list_ = nullptr;
  QPushButton* set_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* cancel_ = nullptr;
  zun::HostForm* form_ = nullptr;
  zun::Prompter* prompter_ = nullptr;
};

}  // namespace zun::gui
