#pragma once
// The window's modal things: message boxes, confirmations, input boxes, the open dialog and
// showing a folder in the file manager.
#include <QString>

#include "app/Prompter.h"

class QFileDialog;
class QWidget;

namespace zun::gui {

class QtPrompter : public zun::Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<std::string> OpenFile(const std::string& filter, const std::string& initialDir,
                                      const std::string& defaultExt) override;
  void ShowFolder(const std::string& path) override;

 private:
  QWidget* parent_;
};

// The Qt name filters of a "description|pattern|description|pattern" filter. The description
// is what the dialog shows; its patterns match ignoring case.
QStringList NameFiltersOf(const std::string& filter);

// Sets up an open dialog as the window's open dialog: filters, initial folder (relative to the
// current directory), default extension.
void ConfigureOpenDialog(QFileDialog& dialog, const std::string& filter, const std::string& initialDir,
                         const std::string& defaultExt);

}  // namespace zun::gui
