#pragma once
// The prompter for code that runs in an FTP job (a client asking about a server's key, say): each
// call is shown on the window's thread, and the job waits for the answer. When the window is
// going away the question is not shown: it counts as No or Cancel.
#include "app/Prompter.h"
#include "ftp/FtpWorker.h"

namespace zun {

class OwnerThreadPrompter final : public Prompter {
 public:
  OwnerThreadPrompter(Prompter& prompter, ftp::FtpWorker& worker) : prompter_(prompter), worker_(worker) {}

  void ShowMessage(const std::string& text) override {
    worker_.AskOwner([&] { prompter_.ShowMessage(text); });
  }
  bool Confirm(const std::string& text) override {
    bool yes = false;
    worker_.AskOwner([&] { yes = prompter_.Confirm(text); });
    return yes;
  }
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override {
    std::optional<std::string> answer;
    worker_.AskOwner([&] { answer = prompter_.InputBox(caption, prompt, initial); });
    return answer;
  }
  std::optional<std::string> OpenFile(const std::string& filter, const std::string& initialDir,
                                      const std::string& defaultExt) override {
    std::optional<std::string> answer;
    worker_.AskOwner([&] { answer = prompter_.OpenFile(filter, initialDir, defaultExt); });
    return answer;
  }
  void ShowFolder(const std::string& path) override {
    worker_.AskOwner([&] { prompter_.ShowFolder(path); });
  }
  void ShowHostDialog(HostForm& form) override {
    worker_.AskOwner([&] { prompter_.ShowHostDialog(form); });
  }

 private:
  Prompter& prompter_;
  ftp::FtpWorker& worker_;
};

}  // namespace zun
