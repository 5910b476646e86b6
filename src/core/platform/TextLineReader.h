#pragma once
// Reads a file the way a text-mode line reader does, without holding the whole file: a CR
// directly before an LF is dropped, and each piece ends after its LF or after 2,047 bytes.
#include <memory>
#include <cstdint>
#include <string>
#include <string_view>

namespace zun {

class TextLineReader {
 public:
  TextLineReader() = default;
  ~TextLineReader();
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  bool Open(const std::string& path);  // false when the file cannot be opened
  // Opens and starts reading at byte `offset`, which must be the start of a line.
  bool OpenAt(const std::string& path, uint64_t offset);
  // Back to the start of the file opened, which may have changed since.
  bool Rewind();
  // Reads as if the file ended at byte `offset` (when it is longer): what lies past it, a line
  // still being written, is left for a later read.
  void StopAt(uint64_t offset);
  // Bytes of the file consumed by the pieces handed out so far (from the start of the file).
  uint64_t Offset() const { return start_ + readTotal_ - (end_ - pos_); }
  size_t FileSize() const { return fileSize_; }
  // The next piece (keeping its LF when it has one); false at the end of the file. The view
  // stays valid until the next call.
  bool Next(std::string_view& piece);
  // Moves on to byte `offset`, adding the pieces passed to `pieces`; false when the file ends
  // first or no piece starts there.
  bool SkipTo(uint64_t offset, int& pieces);

 private:
  bool Fill(size_t wanted);
  void StartOver(size_t fileSize);

  int fd_ = -1;
  size_t fileSize_ = 0;
  bool eof_ = false;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t end_ = 0;  // bytes held
  size_t pos_ = 0;  // bytes handed out
  uint64_t start_ = 0;
  uint64_t readTotal_ = 0;
  uint64_t stopAt_ = UINT64_MAX;
  std::string piece_;
};

}  // namespace zun
