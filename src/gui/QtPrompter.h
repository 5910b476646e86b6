#pragma once
// The window's modal things: message boxes, confirmations, input boxes, the open dialog and
// showing a folder in the file manager.
#include <QPointer>
#include <QString>

#include "app/Prompter.h"

class QFileDialog;
class QWidget;

namespace zun::gui {

class HostDialog;

class QtPrompter : public zun::Prompter {
 public:
  // Makes the host dialog, hidden, over `parent`; it lives as long as the parent, or as the
  // prompter when there is none.
  explicit QtPrompter(QWidget* parent = nullptr);
  ~QtPrompter() override;
  QtPrompter(const QtPrompter&) = delete;
  QtPrompter& operator=(const QtPrompter&) = delete;
  void SetParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<std::string> OpenFile(const std::string& filter, const std::string& initialDir,
                                      const std::string& defaultExt) override;
  void ShowFolder(const std::string& path) override;
  void ShowHostDialog(zun::HostForm& form) override;
  HostDialog* HostList() const;

 private:
  QWidget* parent_;
  QPointer<HostDialog> hostDialog_;
  bool ownsHostDialog_;
};

// The Qt name filters of a "description|pattern|description|pattern" filter. The description
// is what the dialog shows; its patterns match ignoring case.
QStringList NameFiltersOf(const std::string& filter);

// Sets up an open dialog as the window's open dialog: filters, initial folder (relative to the
// current directory), default extension.
void ConfigureOpenDialog(QFileDialog& dialog, const std::string& filter, const std::string& initialDir,
                         const std::string& defaultExt);

}  // namespace zun::gui
