#include "live/LineEndWait.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace zun {

bool LeaveLineForLater(int64_t nowMs, int64_t lastChangeMs, int64_t openSinceMs) {
  return openSinceMs >= 0 && nowMs - lastChangeMs < kLineEndQuietMs && nowMs - openSinceMs < kMaxLineEndWaitMs;
}

uint64_t EndOfLastLineBreak(const std::string& path, uint64_t size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  constexpr uint64_t kChunk = 64 * 1024;
  std::vector<char> buffer(kChunk);
  uint64_t found = 0;
  for (uint64_t end = size; end > 0 && size - end < 64 * kChunk && found == 0;) {
    const uint64_t from = end > kChunk ? end - kChunk : 0;
    const ssize_t n = pread(fd, buffer.data(), static_cast<size_t>(end - from), static_cast<off_t>(from));
    if (n <= 0) break;
    const void* lf = memrchr(buffer.data(), '\n', static_cast<size_t>(n));
    if (lf != nullptr) found = from + static_cast<uint64_t>(static_cast<const char*>(lf) - buffer.data()) + 1;
    end = from;
  }
  close(fd);
  return found;
}

bool EndsALine(const std::string& path, uint64_t end) {
  if (end == 0 || end == UINT64_MAX) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char last = 0;
  const bool read = pread(fd, &last, 1, static_cast<off_t>(end - 1)) == 1;
  close(fd);
  return read && last == '\n';
}

uint64_t LineEndWait::LoadUpTo(const std::string& path, int64_t nowMs) {
  int64_t size = -1;
  char last = '\n';
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat st {};
    if (fstat(fd, &st) == 0) size = st.st_size;
    if (size > 0 && pread(fd, &last, 1, size - 1) != 1) last = '\n';
    close(fd);
  }
  if (size != lastSize_) lastChangeMs_ = nowMs;
  lastSize_ = size;
  if (size <= 0 || last == '\n') {
    openSinceMs_ = -1;
    return UINT64_MAX;
  }
  if (openSinceMs_ < 0) openSinceMs_ = nowMs;
  if (!LeaveLineForLater(nowMs, lastChangeMs_, openSinceMs_)) {
    openSinceMs_ = -1;  // read whole: a line that goes on growing waits again
    return UINT64_MAX;
  }
  return EndOfLastLineBreak(path, static_cast<uint64_t>(size));
}

}  // namespace zun
