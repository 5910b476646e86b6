#include "platform/TextLineReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/TextFile.h"

namespace zun {

namespace {
constexpr size_t kChunk = 1 << 20;
}

TextLineReader::~TextLineReader() {
  if (fd_ >= 0) close(fd_);
}

bool TextLineReader::Open(const std::string& path) {
  if (fd_ >= 0) close(fd_);
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd_);
    fd_ = -1;
    return false;
  }
  fileSize_ = static_cast<size_t>(st.st_size);
  eof_ = false;
  buffer_.clear();
  pos_ = 0;
  start_ = 0;
  readTotal_ = 0;
  return true;
}

bool TextLineReader::OpenAt(const std::string& path, uint64_t offset) {
  if (!Open(path)) return false;
  if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  start_ = offset;
  return true;
}

// Makes at least `wanted` unread bytes available unless the file ends first.
bool TextLineReader::Fill(size_t wanted) {
  if (buffer_.size() - pos_ >= wanted || eof_) return buffer_.size() > pos_;
  buffer_.erase(0, pos_);
  pos_ = 0;
  while (buffer_.size() < wanted && !eof_) {
    const size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    ssize_t n;
    do {
      n = read(fd_, buffer_.data() + old, kChunk);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      eof_ = true;
      n = 0;
    }
    buffer_.resize(old + static_cast<size_t>(n));
    readTotal_ += static_cast<uint64_t>(n);
  }
  return buffer_.size() > pos_;
}

bool TextLineReader::Next(std::string_view& piece) {
  if (fd_ < 0) return false;
  // One piece consumes at most 2,047 bytes plus the CR of a CR LF, and looks one byte ahead.
  if (!Fill(kLinePieceBytes + 2)) return false;
  const char* data = buffer_.data() + pos_;
  const size_t avail = buffer_.size() - pos_;
  const size_t limit = std::min(avail, kLinePieceBytes);
  const void* lf = std::memchr(data, '\n', limit);
  const size_t scan = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) + 1 : limit;
  if (!std::memchr(data, '\r', scan)) {
    piece = std::string_view(data, scan);
    pos_ += scan;
    return true;
  }
  piece_.clear();
  size_t i = 0;
  while (i < avail && piece_.size() < kLinePieceBytes) {
    const char c = data[i];
    if (c == '\r' && i + 1 < avail && data[i + 1] == '\n') {
      ++i;
      continue;
    }
    piece_ += c;
    ++i;
    if (c == '\n') break;
  }
  pos_ += i;
  piece = piece_;
  return true;
}

}  // namespace zun
