#include "live/LineEndWait.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zun {

bool HoldForLineEnd(bool lastLineOpen, bool sizeChanged, int& held) {
  if (lastLineOpen && sizeChanged && held < kMaxLineEndWaits) {
    ++held;
    return true;
  }
  held = 0;
  return false;
}

bool LineEndWait::Holds(const std::string& path) {
  int64_t size = -1;
  char last = '\n';
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat st {};
    if (fstat(fd, &st) == 0) size = st.st_size;
    if (size > 0 && pread(fd, &last, 1, size - 1) != 1) last = '\n';
    close(fd);
  }
  const bool changed = size != lastSize_;
  lastSize_ = size;
  return HoldForLineEnd(size > 0 && last != '\n', changed, held_);
}

}  // namespace zun
