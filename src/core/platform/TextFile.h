#pragma once
// Reading and writing data files the way the timing office's files have always been handled:
// text mode (CR LF on disk, "\n" in memory), lines read in pieces of at most 2,047 bytes, and
// every output replaced whole.
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace zun {

// A text-mode line reader hands out lines in pieces of at most this many bytes (TextLineReader.h).
constexpr size_t kLinePieceBytes = 2047;

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

enum class SaveResult { Ok, OpenFailed, WriteFailed };

// Replaces the file at `path` with `bytes` (written as they are) through a temporary file in the
// same folder and a rename, so a crash or a full disk never leaves a half-written file. With
// `durable` the data reach the disk before the rename. `mode` is the permission of a new file; a
// file that exists keeps its mode, a symbolic link is followed and its target replaced, and a
// read-only file is not replaced (OpenFailed). Temporary files an interrupted earlier run left
// in the folder are removed. `privateFile`: the file gets `mode` whatever it had (a file of secrets).
inline constexpr unsigned kNewFileMode = 0666;
SaveResult ReplaceFile(const std::string& path, std::string_view bytes, bool durable = false,
                       unsigned mode = kNewFileMode, bool privateFile = false);

// ReplaceFile with the bytes handed over in parts as they are made, for an output too large to be
// worth holding whole. The file is put in place by Finish only; without it the temporary file goes.
class FileReplacement {
 public:
  explicit FileReplacement(const std::string& path);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // False when no temporary file could be made (Finish then says OpenFailed), and after Finish.
  bool Opened() const { return fd_ >= 0; }
  void Append(std::string_view bytes);
  SaveResult Finish();

 private:
  struct Place;
  std::unique_ptr<Place> place_;
  int fd_ = -1;
  bool written_ = true;
};

// An output replaced whole at every tick whose beginning seldom changes. Between ticks that
// beginning is written to the next temporary file on a thread of its own, so that the tick itself
// writes only the bytes after it; readers still see the old file or the new one, never a mix.
class FileWrittenAhead {
 public:
  // A beginning shorter than `worthFrom` bytes is not written ahead: a small file is written
  // whole at once, and no hidden temporary file waits beside it.
  explicit FileWrittenAhead(size_t worthFrom = size_t{64} << 10) : worthFrom_(worthFrom) {}
  ~FileWrittenAhead();
  FileWrittenAhead(const FileWrittenAhead&) = delete;
  FileWrittenAhead& operator=(const FileWrittenAhead&) = delete;

  // Starts writing `prefix` to a new temporary file for `path`. Its bytes must stay as they are
  // until the next call of any member or the end of this object.
  void WriteAhead(const std::string& path, std::string_view prefix);
  // Waits until the bytes are written ahead: the caller may then change them.
  void Settle();
  // ReplaceFile(path, bytes). The first `sameBytes` of `bytes` are as they were at WriteAhead:
  // of what was written ahead for this path, those are kept and only the rest is written now.
  SaveResult Replace(const std::string& path, std::string_view bytes, size_t sameBytes);

 private:
  void Drop();  // waits, then removes the temporary file

  size_t worthFrom_;
  std::thread writer_;
  std::string path_;
  std::string temp_;
  int fd_ = -1;
  size_t ahead_ = 0;
  bool written_ = false;
};

// The whole-text save: `text` plus one final line break, in text mode, replacing the file.
SaveResult SaveWholeText(const std::string& path, std::string_view text, bool durable = false);

}  // namespace zun
