#include "platform/FolderWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zun {

namespace {
constexpr uint32_t kEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                             IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
}

FolderWatch::~FolderWatch() {
  if (fd_ >= 0) close(fd_);
}

bool FolderWatch::Start(const std::string& folder, std::vector<std::string> names) {
  folder_ = folder;
  names_ = std::move(names);
  if (fd_ < 0) fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return false;
  watch_ = inotify_add_watch(fd_, folder_.c_str(), kEvents);
  return watch_ >= 0;
}

bool FolderWatch::Drain() {
  alignas(inotify_event) char buffer[16 * 1024];
  bool named = false;
  for (;;) {
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_Q_OVERFLOW)) {
        // The folder itself went or the queue overflowed: anything may have changed. A folder
        // made again is watched from the next wait on.
        if (event->mask & IN_IGNORED) watch_ = -1;
        named = true;
        continue;
      }
      const std::string name = event->len > 0 ? std::string(event->name) : std::string();
      if (std::find(names_.begin(), names_.end(), name) != names_.end()) named = true;
    }
  }
  return named;
}

bool FolderWatch::Wait(int timeoutMs) {
  if (fd_ >= 0 && watch_ < 0 && !folder_.empty()) watch_ = inotify_add_watch(fd_, folder_.c_str(), kEvents);
  if (watch_ < 0) {
    timespec wait{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000L};
    nanosleep(&wait, nullptr);
    return false;
  }
  pollfd p{fd_, POLLIN, 0};
  const int ready = poll(&p, 1, std::max(timeoutMs, 0));
  return ready > 0 && Drain();
}

}  // namespace zun
