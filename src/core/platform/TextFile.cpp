#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/Paths.h"

namespace zun {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    return false;
  }
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

namespace {
std::atomic<unsigned> tempCounter{0};

// "\n" -> CR LF, as a text-mode write does.
std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 2);
  size_t from = 0;
  while (from < text.size()) {
    const size_t lf = text.find('\n', from);
    if (lf == std::string_view::npos) {
      out.append(text.substr(from));
      break;
    }
    out.append(text.substr(from, lf - from));
    out += "\r\n";
    from = lf + 1;
  }
  return out;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}
}  // namespace

SaveResult ReplaceFile(const std::string& path, std::string_view bytes, bool durable, unsigned mode) {
  if (path.empty() || DirectoryExists(path)) return SaveResult::OpenFailed;
  std::string folder = FolderOf(path);
  if (folder.empty()) folder = ".";
  if (!DirectoryExists(folder)) return SaveResult::OpenFailed;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d.%u.tmp", static_cast<int>(getpid()), tempCounter++);
    temp = JoinPath(folder, "." + FileNameOf(path) + suffix);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return SaveResult::OpenFailed;
  bool ok = WriteAll(fd, bytes);
  if (ok && durable) ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return SaveResult::WriteFailed;
  }
  if (durable) {
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      fsync(dirFd);
      close(dirFd);
    }
  }
  return SaveResult::Ok;
}

bool EndsWithLineBreak(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  struct stat st {};
  char last = '\n';
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && pread(fd, &last, 1, st.st_size - 1) != 1)
    last = '\n';
  close(fd);
  return last == '\n';
}

SaveResult SaveWholeText(const std::string& path, std::string_view text, bool durable) {
  std::string bytes = ToCrLf(text);
  bytes += "\r\n";
  return ReplaceFile(path, bytes, durable);
}

}  // namespace zun
