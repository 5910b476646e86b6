#pragma once
// Every modal thing the window shows goes through this port: the Qt layer implements it with
// message boxes and dialogs, tests with a scripted fake that records each text.
#include <optional>
#include <string>

namespace zun {

class HostForm;

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A confirmation with the buttons Yes and No; true only for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // An input box; nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) = 0;
  // The open dialog; nothing when cancelled. `filter` is e.g. "Text files (*.txt)|*.TXT".
  virtual std::optional<std::string> OpenFile(const std::string& filter, const std::string& initialDir,
                                              const std::string& defaultExt) = 0;
  // Shows a folder in the file manager.
  virtual void ShowFolder(const std::string& path) = 0;
  // Shows the host dialog modally with the rows of `form`; its buttons go to the form's handlers,
  // whose messages and questions are shown over the dialog. Returns when the dialog is closed.
  virtual void ShowHostDialog(HostForm& form) = 0;
};

}  // namespace zun
