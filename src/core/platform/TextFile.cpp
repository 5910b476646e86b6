#include "platform/TextFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <set>
#include <thread>

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

constexpr const char* kTempSuffix = ".tmp";
// The coarse clock is the one file times are taken from, so a file made after the start is never
// older than it.
const timespec programStart = [] {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now;
}();

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The path a chain of symbolic links ends at (the path itself when it is no link); empty for a
// loop. A link to a missing file gives the missing target, which the save then creates.
std::string FollowLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(4096, '\0');
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n <= 0) return {};
    link.resize(static_cast<size_t>(n));
    if (link.front() != '/') {
      const std::string folder = FolderOf(path);
      link = JoinPath(folder.empty() ? "." : folder, link);
    }
    path = std::move(link);
  }
  return {};
}

// ".NAME.PID.N.tmp", the name ReplaceFile gives its temporary files.
bool IsOurTemporaryName(std::string_view name) {
  const std::string_view suffix = kTempSuffix;
  if (name.size() <= suffix.size() + 1 || name.front() != '.' || !name.ends_with(suffix)) return false;
  name.remove_suffix(suffix.size());
  for (int number = 0; number < 2; ++number) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size() || dot == 0) return false;
    for (char c : name.substr(dot + 1))
      if (c < '0' || c > '9') return false;
    name = name.substr(0, dot);
  }
  return name.size() > 1;
}

// Temporary files that an interrupted save left behind would fill the disk of a machine that
// runs for days. Only files older than this program are taken: a newer one may be another
// program's save in progress. Each folder is swept once per run.
void RemoveStaleTemporaryFiles(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!swept.insert(folder).second) return;
  }
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    if (!IsOurTemporaryName(entry->d_name)) continue;
    const std::string path = JoinPath(folder, entry->d_name);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && Before(st.st_mtim, programStart)) unlink(path.c_str());
  }
  closedir(dir);
}

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

// Renaming over an existing file makes ext4 start writing the new data out at once (30 ms for a
// 40 MB output, every tick); exchanging the two names does not, and is as atomic for a reader.
// The old bytes, now under the temporary name, go with the unlink. False: nothing was exchanged.
bool SwapIn(const std::string& temp, const std::string& target) {
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) return false;
  if (unlink(temp.c_str()) == 0 || errno != EISDIR) return true;
  // A folder had taken the target's place: put it back, and let rename refuse.
  return renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0;
}

// Where a replacement of a path goes: the end of its links, in a folder that exists.
struct Destination {
  std::string target;
  std::string folder;
  bool exists = false;
  mode_t oldMode = 0;
};

// False when the path cannot be replaced: no target, a folder, or a read-only file.
bool FindDestination(const std::string& path, Destination& d) {
  if (path.empty()) return false;
  // A linked output (a results folder linked into a web folder) is replaced at its target, so the
  // link keeps pointing at fresh data.
  d.target = FollowLinks(path);
  if (d.target.empty() || DirectoryExists(d.target)) return false;
  d.folder = FolderOf(d.target);
  if (d.folder.empty()) d.folder.assign(1, '.');
  if (!DirectoryExists(d.folder)) return false;
  struct stat old {};
  d.exists = stat(d.target.c_str(), &old) == 0;
  d.oldMode = old.st_mode;
  // Read-only: the operator's protection is kept, not bypassed.
  return !d.exists || (access(d.target.c_str(), W_OK) == 0 && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0);
}

// A new temporary file beside the target, ".NAME.PID.N.tmp"; -1 when none can be made.
int OpenTemporary(const Destination& d, unsigned mode, std::string& temp) {
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d.%u%s", static_cast<int>(getpid()), tempCounter++, kTempSuffix);
    std::string name(1, '.');
    name += FileNameOf(d.target);
    name += suffix;
    temp = JoinPath(d.folder, name);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) break;
  }
  return fd;
}

// Where `path` is replaced, and a new temporary file there (sweeping the stale ones first); -1
// when the path cannot be replaced or no temporary file can be made.
int OpenReplacement(const std::string& path, unsigned mode, Destination& d, std::string& temp) {
  if (!FindDestination(path, d)) return -1;
  RemoveStaleTemporaryFiles(d.folder);
  // A linked output's own folder too: a save killed there (before the link was followed, or
  // while the link pointed elsewhere) left its temporary file beside the link.
  std::string linkFolder = FolderOf(path);
  if (linkFolder.empty()) linkFolder.assign(1, '.');
  if (linkFolder != d.folder) RemoveStaleTemporaryFiles(linkFolder);
  return OpenTemporary(d, mode, temp);
}

// Closes the temporary file that holds the new bytes (`written`: all of them went in) and puts it
// in the target's place, or removes it.
SaveResult PutInPlace(int fd, const std::string& temp, const Destination& d, bool written, bool durable,
                      unsigned mode, bool privateFile) {
  bool ok = written;
  if (ok && d.exists) ok = fchmod(fd, privateFile ? mode : d.oldMode & 07777) == 0;
  if (ok && durable) ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && d.exists && !durable && SwapIn(temp, d.target)) return SaveResult::Ok;
  if (ok) ok = rename(temp.c_str(), d.target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return SaveResult::WriteFailed;
  }
  if (durable) {
    const int dirFd = open(d.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      fsync(dirFd);
      close(dirFd);
    }
  }
  return SaveResult::Ok;
}

}  // namespace

SaveResult ReplaceFile(const std::string& path, std::string_view bytes, bool durable, unsigned mode,
                       bool privateFile) {
  Destination d;
  std::string temp;
  const int fd = OpenReplacement(path, mode, d, temp);
  if (fd < 0) return SaveResult::OpenFailed;
  return PutInPlace(fd, temp, d, WriteAll(fd, bytes), durable, mode, privateFile);
}

struct FileReplacement::Place {
  Destination destination;
  std::string temp;
  SaveResult opened = SaveResult::Ok;  // after Finish: its result
};

FileReplacement::FileReplacement(const std::string& path) : place_(std::make_unique<Place>()) {
  fd_ = OpenReplacement(path, kNewFileMode, place_->destination, place_->temp);
  if (fd_ < 0) place_->opened = SaveResult::OpenFailed;
}

FileReplacement::~FileReplacement() {
  if (fd_ < 0) return;
  close(fd_);
  unlink(place_->temp.c_str());
}

void FileReplacement::Append(std::string_view bytes) {
  if (fd_ >= 0 && written_) written_ = WriteAll(fd_, bytes);
}

SaveResult FileReplacement::Finish() {
  if (fd_ < 0) return place_->opened;
  const int fd = fd_;
  fd_ = -1;
  place_->opened = PutInPlace(fd, place_->temp, place_->destination, written_, false, kNewFileMode, false);
  return place_->opened;
}

FileWrittenAhead::~FileWrittenAhead() { Drop(); }

void FileWrittenAhead::Settle() {
  if (writer_.joinable()) writer_.join();
}

void FileWrittenAhead::Drop() {
  Settle();
  if (fd_ >= 0) {
    close(fd_);
    unlink(temp_.c_str());
  }
  fd_ = -1;
  temp_.clear();
  path_.clear();
  ahead_ = 0;
}

void FileWrittenAhead::WriteAhead(const std::string& path, std::string_view prefix) {
  Drop();
  if (prefix.empty() || prefix.size() < worthFrom_) return;
  Destination d;
  fd_ = OpenReplacement(path, kNewFileMode, d, temp_);
  if (fd_ < 0) return;
  path_ = path;
  ahead_ = prefix.size();
  written_ = false;
  writer_ = std::thread([this, prefix] { written_ = WriteAll(fd_, prefix); });
}

SaveResult FileWrittenAhead::Replace(const std::string& path, std::string_view bytes, size_t sameBytes) {
  Settle();
  Destination d;
  // Another program's sweep of old temporary files may have taken the file written ahead.
  // A change within the bytes written ahead (a mark on an earlier row) keeps those before it.
  const size_t kept = std::min(sameBytes, ahead_);
  bool usable = fd_ >= 0 && written_ && path == path_ && kept > 0 && bytes.size() >= kept &&
                access(temp_.c_str(), F_OK) == 0 && FindDestination(path, d) && FolderOf(temp_) == d.folder;
  if (usable && kept < ahead_)
    usable = ftruncate(fd_, static_cast<off_t>(kept)) == 0 && lseek(fd_, static_cast<off_t>(kept), SEEK_SET) >= 0;
  if (!usable) {
    Drop();
    return ReplaceFile(path, bytes);
  }
  const int fd = fd_;
  const std::string temp = temp_;
  fd_ = -1;
  Drop();
  return PutInPlace(fd, temp, d, WriteAll(fd, bytes.substr(kept)), false, kNewFileMode, false);
}

SaveResult SaveWholeText(const std::string& path, std::string_view text, bool durable) {
  std::string bytes = ToCrLf(text);
  bytes += "\r\n";
  return ReplaceFile(path, bytes, durable);
}

}  // namespace zun
