#pragma once
// A scripted prompter: records every text it is shown and answers as the test told it.
#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Prompter.h"
#include "hosts/Hostlist.h"

namespace zun::test {

class FakePrompter : public Prompter {
 public:
  std::vector<std::string> shown;          // every text shown, in order: messages, questions, input prompts
  std::vector<std::string> messages;       // ShowMessage texts
  std::vector<std::string> confirmations;  // Confirm texts
  std::vector<std::string> shownFolders;
  std::vector<std::string> openDialogs;    // "filter|initialDir|defaultExt"
  std::deque<bool> answers;                // Confirm answers; No when none left
  std::deque<std::optional<std::string>> files;  // OpenFile answers; cancel when none left
  std::deque<std::optional<std::string>> inputs;
  // The host dialog: how often it was shown, and what the operator does in it (nothing: it is
  // closed with its system menu). It sees the form's rows as they are when it opens.
  int hostDialogs = 0;
  std::vector<HostRow> hostDialogRows;
  std::function<void(HostForm&)> onHostDialog;
  std::function<void(const std::string&)> onConfirm;  // runs as a question is asked

  void ShowMessage(const std::string& text) override {
    shown.push_back(text);
    messages.push_back(text);
  }
  bool Confirm(const std::string& text) override {
    shown.push_back(text);
    confirmations.push_back(text);
    if (onConfirm) onConfirm(text);
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  std::optional<std::string> InputBox(const std::string&, const std::string& prompt, const std::string&) override {
    shown.push_back(prompt);
    if (inputs.empty()) return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
  }
  std::optional<std::string> OpenFile(const std::string& filter, const std::string& initialDir,
                                      const std::string& defaultExt) override {
    openDialogs.push_back(filter + "|" + initialDir + "|" + defaultExt);
    if (files.empty()) return std::nullopt;
    auto v = files.front();
    files.pop_front();
    return v;
  }
  void ShowFolder(const std::string& path) override { shownFolders.push_back(path); }
  void ShowHostDialog(HostForm& form) override {
    ++hostDialogs;
    hostDialogRows = form.Rows();
    if (onHostDialog) onHostDialog(form);
  }

  int Count(const std::string& text) const { return static_cast<int>(std::count(shown.begin(), shown.end(), text)); }

  void Clear() {
    shown.clear();
    messages.clear();
    confirmations.clear();
    shownFolders.clear();
  }
};

}  // namespace zun::test
