#include "platform/PrefixHash.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

bool HashFileUpTo(const std::string& path, uint64_t end, PrefixHash& hash) {
  if (hash.Bytes() >= end) return hash.Bytes() == end;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> buffer(size_t{1} << 20);
  bool ok = true;
  while (ok && hash.Bytes() < end) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), end - hash.Bytes()));
    const ssize_t n = pread(fd, buffer.data(), want, static_cast<off_t>(hash.Bytes()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else hash.Add(buffer.data(), static_cast<size_t>(n));
  }
  close(fd);
  return ok;
}

}  // namespace zun
