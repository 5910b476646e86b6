#pragma once
// A running hash of a file's first bytes: tells whether a file that grew still begins with the
// bytes that were loaded. Not a cryptographic hash; it guards against edits, not attacks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The hashes of a file's first bytes, piece by piece, so that checking them again shares the work
// between both cores.
class FilePrefix {
 public:
  static constexpr uint64_t kPiece = uint64_t{4} << 20;

  uint64_t Bytes() const { return pieces_.size() * kPiece + last_.Bytes(); }
  // Adds the file's bytes from Bytes() up to `end`; false when they cannot all be read.
  bool Extend(const std::string& path, uint64_t end);
  // True when the file still begins with the bytes hashed.
  bool Matches(const std::string& path) const;
  void Clear();

 private:
  std::vector<uint64_t> pieces_;  // of each whole piece
  PrefixHash last_;               // of the piece being filled
};

}  // namespace zun
