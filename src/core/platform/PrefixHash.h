#pragma once
// A running hash of a file's first bytes: tells whether a file that grew still begins with the
// bytes that were loaded. Not a cryptographic hash; it guards against edits, not attacks.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zun {

class PrefixHash {
 public:
  void Add(const char* data, size_t size);
  uint64_t Value() const;
  uint64_t Bytes() const { return bytes_; }

 private:
  void Block(const char* data);
  static constexpr size_t kBlock = 32;
  uint64_t lanes_[4] = {0x243F6A8885A308D3u, 0x13198A2E03707344u, 0xA4093822299F31D0u, 0x082EFA98EC4E6C89u};
  char tail_[kBlock] = {};
  size_t tailSize_ = 0;
  uint64_t bytes_ = 0;
};

// Adds the file's bytes from `hash.Bytes()` up to `end`; false when they cannot all be read.
bool HashFileUpTo(const std::string& path, uint64_t end, PrefixHash& hash);

}  // namespace zun
