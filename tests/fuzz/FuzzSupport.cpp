#include "FuzzSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace zun::fuzz {

namespace {

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n <= 0) std::abort();
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  close(fd);
}

}  // namespace

const std::string& ScratchDir() {
  static const std::string dir = [] {
    // In memory when the machine has a tmpfs: the targets write several files per input.
    struct stat st {};
    std::string pattern = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm/zun-fuzz-XXXXXX"
                                                                            : "/tmp/zun-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return dir;
}

std::string ScratchFile(std::string_view name) { return ScratchDir() + "/" + std::string(name); }

void WriteBytes(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  WriteAll(fd, bytes);
}

void AppendBytes(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) std::abort();
  WriteAll(fd, bytes);
}

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char buffer[16384];
  ssize_t n;
  // A regular file reads short only at its end: no call more to be told so.
  while ((n = read(fd, buffer, sizeof buffer)) > 0) {
    bytes.append(buffer, static_cast<size_t>(n));
    if (static_cast<size_t>(n) < sizeof buffer) break;
  }
  close(fd);
  return bytes;
}

}  // namespace zun::fuzz
