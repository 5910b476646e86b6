#include "platform/TextLineReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/TextFile.h"

namespace zun {

namespace {
constexpr size_t kChunk = 1 << 20;
constexpr size_t kWanted = kLinePieceBytes + 2;  // one piece, the CR of a CR LF, one byte ahead
}

TextLineReader::~TextLineReader() {
  if (fd_ >= 0) close(fd_);
}

bool TextLineReader::Open(const std::string& path) {
  if (fd_ >= 0) close(fd_);
  stopAt_ = UINT64_MAX;
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd_);
    fd_ = -1;
    return false;
  }
  // As large as the file, up to a chunk: a small file costs no large buffer. Not zero-filled:
  // every byte is read into before it is looked at.
  const size_t capacity = std::min(static_cast<size_t>(std::max<off_t>(st.st_size, 0)), kChunk) + kWanted;
  if (!buffer_ || capacity_ < capacity) {
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity);
    capacity_ = capacity;
  }
  StartOver(static_cast<size_t>(st.st_size));
  return true;
}

bool TextLineReader::Rewind() {
  struct stat st {};
  if (fd_ < 0 || lseek(fd_, 0, SEEK_SET) < 0 || fstat(fd_, &st) != 0) return false;
  StartOver(static_cast<size_t>(st.st_size));
  return true;
}

void TextLineReader::StopAt(uint64_t offset) {
  stopAt_ = offset;
  fileSize_ = static_cast<size_t>(std::min<uint64_t>(fileSize_, offset));
}

void TextLineReader::StartOver(size_t fileSize) {
  fileSize_ = static_cast<size_t>(std::min<uint64_t>(fileSize, stopAt_));
  eof_ = false;
  end_ = 0;
  pos_ = 0;
  start_ = 0;
  readTotal_ = 0;
}

bool TextLineReader::OpenAt(const std::string& path, uint64_t offset) {
  if (!Open(path)) return false;
  if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  start_ = offset;
  return true;
}

// Makes at least `wanted` unread bytes available unless the file ends first.
bool TextLineReader::Fill(size_t wanted) {
  if (end_ - pos_ >= wanted || eof_) return end_ > pos_;
  std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
  end_ -= pos_;
  pos_ = 0;
  while (end_ < wanted && !eof_) {
    const uint64_t room = std::min<uint64_t>(capacity_ - end_, stopAt_ - std::min(stopAt_, start_ + readTotal_));
    ssize_t n = 0;
    do {
      if (room > 0) n = read(fd_, buffer_.get() + end_, static_cast<size_t>(room));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      eof_ = true;
      n = 0;
    }
    end_ += static_cast<size_t>(n);
    readTotal_ += static_cast<uint64_t>(n);
  }
  return end_ > pos_;
}

bool TextLineReader::Next(std::string_view& piece) {
  if (fd_ < 0) return false;
  // One piece consumes at most 2,047 bytes plus the CR of a CR LF, and looks one byte ahead.
  if (!Fill(kWanted)) return false;
  char* data = buffer_.get() + pos_;
  const size_t avail = end_ - pos_;
  const size_t limit = std::min(avail, kLinePieceBytes);
  const void* lf = std::memchr(data, '\n', limit);
  const size_t scan = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) + 1 : limit;
  const void* cr = std::memchr(data, '\r', scan);
  if (!cr) {
    piece = std::string_view(data, scan);
    pos_ += scan;
    return true;
  }
  if (lf && cr == data + scan - 2) {
    // The usual CR LF ending: the LF moves onto the CR in the buffer, which is read only once.
    data[scan - 2] = '\n';
    piece = std::string_view(data, scan - 1);
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

bool TextLineReader::SkipTo(uint64_t offset, int& pieces) {
  std::string_view piece;
  while (Offset() < offset) {
    if (!Fill(kWanted)) return false;
    // A line shorter than a piece is one piece wherever its CRs are: its LF is enough to count.
    const char* data = buffer_.get() + pos_;
    const size_t avail = static_cast<size_t>(std::min<uint64_t>(end_ - pos_, offset - Offset()));
    size_t at = 0;
    while (const void* lf = std::memchr(data + at, '\n', std::min(avail - at, kLinePieceBytes - 1))) {
      at = static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
      ++pieces;
    }
    pos_ += at;
    if (at > 0) continue;
    if (!Next(piece)) return false;  // a longer line, or one that runs past `offset`
    ++pieces;
  }
  return Offset() == offset;
}

}  // namespace zun
