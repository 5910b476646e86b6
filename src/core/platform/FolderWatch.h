#pragma once
// Told by the kernel (inotify) when some files of one folder change: written to, created,
// replaced by a rename, removed, or their permissions changed. A folder on a network share
// signals nothing: whoever waits here looks on a clock as well.
#include <string>
#include <vector>

namespace zun {

class FolderWatch {
 public:
  FolderWatch() = default;
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Watches `folder` for changes to the files named `names`; false when the kernel cannot
  // (Wait then only sleeps).
  bool Start(const std::string& folder, std::vector<std::string> names);
  bool Watching() const { return watch_ >= 0; }
  // Sleeps up to `timeoutMs` or until one of the files changes (true), or a signal comes.
  bool Wait(int timeoutMs);

 private:
  bool Drain();  // reads the events waiting; true when one names a watched file

  int fd_ = -1;
  int watch_ = -1;
  std::string folder_;
  std::vector<std::string> names_;
};

}  // namespace zun
