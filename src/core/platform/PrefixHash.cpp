#include "platform/PrefixHash.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace zun {

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B97F4A7C15u;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Fu;

uint64_t Rotate(uint64_t v, int bits) { return (v << bits) | (v >> (64 - bits)); }

uint64_t Mix(uint64_t lane, uint64_t word) { return Rotate(lane + word * kPrime2, 31) * kPrime1; }

}  // namespace

void PrefixHash::Block(const char* data) {
  for (int i = 0; i < 4; ++i) {
    uint64_t word;
    std::memcpy(&word, data + 8 * i, 8);
    lanes_[i] = Mix(lanes_[i], word);
  }
}

void PrefixHash::Add(const char* data, size_t size) {
  bytes_ += size;
  if (tailSize_ > 0) {
    const size_t take = std::min(size, kBlock - tailSize_);
    std::memcpy(tail_ + tailSize_, data, take);
    tailSize_ += take;
    data += take;
    size -= take;
    if (tailSize_ < kBlock) return;
    Block(tail_);
    tailSize_ = 0;
  }
  for (; size >= kBlock; data += kBlock, size -= kBlock) Block(data);
  std::memcpy(tail_, data, size);
  tailSize_ = size;
}

uint64_t PrefixHash::Value() const {
  uint64_t h = bytes_ * kPrime1;
  for (uint64_t lane : lanes_) h = Mix(h, lane);
  for (size_t i = 0; i < tailSize_; ++i) h = Mix(h, static_cast<unsigned char>(tail_[i]));
  h ^= h >> 33;
  h *= kPrime2;
  return h ^ (h >> 29);
}

namespace {

// Adds the bytes [from, to) of an open file.
bool HashRange(int fd, uint64_t from, uint64_t to, PrefixHash& hash, std::vector<char>& buffer) {
  buffer.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{1} << 20, std::max<uint64_t>(to - from, 1))));
  while (from < to) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), to - from));
    const ssize_t n = pread(fd, buffer.data(), want, static_cast<off_t>(from));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    hash.Add(buffer.data(), static_cast<size_t>(n));
    from += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

void FilePrefix::Clear() {
  pieces_.clear();
  last_ = PrefixHash();
}

bool FilePrefix::Extend(const std::string& path, uint64_t end) {
  if (Bytes() >= end) return Bytes() == end;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> buffer;
  bool ok = true;
  // Whole pieces from a piece's start are hashed on both cores, as Matches checks them.
  const size_t wholeTo = static_cast<size_t>(end / kPiece);
  if (last_.Bytes() == 0 && wholeTo >= pieces_.size() + 2) {
    const size_t first = pieces_.size();
    std::vector<uint64_t> hashes(wholeTo - first);
    std::atomic<bool> read{true};
    auto hashPieces = [&](size_t from) {
      std::vector<char> own;
      for (size_t i = from; i < hashes.size() && read; i += 2) {
        PrefixHash piece;
        if (!HashRange(fd, (first + i) * kPiece, (first + i + 1) * kPiece, piece, own)) read = false;
        hashes[i] = piece.Value();
      }
    };
    std::thread helper(hashPieces, 1);
    hashPieces(0);
    helper.join();
    ok = read;
    if (ok) pieces_.insert(pieces_.end(), hashes.begin(), hashes.end());
  }
  while (ok && Bytes() < end) {
    const uint64_t from = Bytes();
    const uint64_t to = std::min(end, (from / kPiece + 1) * kPiece);
    ok = HashRange(fd, from, to, last_, buffer);
    if (ok && last_.Bytes() == kPiece) {
      pieces_.push_back(last_.Value());
      last_ = PrefixHash();
    }
  }
  close(fd);
  return ok;
}

bool FilePrefix::Matches(const std::string& path) const {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Piece k is checked by the thread k % 2; the piece being filled goes with the second.
  std::atomic<bool> same{true};
  auto check = [&](size_t first) {
    std::vector<char> buffer;
    for (size_t k = first; k < pieces_.size() && same; k += 2) {
      PrefixHash piece;
      if (!HashRange(fd, k * kPiece, (k + 1) * kPiece, piece, buffer) || piece.Value() != pieces_[k]) same = false;
    }
    if (first == 1 && same) {
      PrefixHash piece;
      const uint64_t from = pieces_.size() * kPiece;
      if (!HashRange(fd, from, from + last_.Bytes(), piece, buffer) || piece.Value() != last_.Value()) same = false;
    }
  };
  if (pieces_.empty()) {
    check(1);
  } else {
    std::thread helper(check, 0);
    check(1);
    helper.join();
  }
  close(fd);
  return same;
}

}  // namespace zun
