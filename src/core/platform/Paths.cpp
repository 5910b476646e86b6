#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace zun {

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

std::string FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string AbsolutePath(std::string_view path) {
  if (!path.empty() && path.front() == '/') return std::string(path);
  std::vector<char> buffer(PATH_MAX + 1);
  if (!getcwd(buffer.data(), buffer.size())) return std::string(path);
  return JoinPath(buffer.data(), path);
}

std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  std::string out(path);
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) out.resize(dot);
  out += extension;
  return out;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathMissing(const std::string& path) {
  struct stat st {};
  return path.empty() || (stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR));
}

bool CreateFolder(const std::string& path) {
  if (path.empty()) return false;
  if (mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && DirectoryExists(path);
}

bool RemoveFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  FileStamp stamp;
  if (path.empty() || stat(path.c_str(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  stamp.size = static_cast<int64_t>(st.st_size);
  return stamp;
}

}  // namespace zun
