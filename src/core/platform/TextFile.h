#pragma once
// Reading and writing data files the way the timing office's files have always been handled:
// text mode (CR LF on disk, "\n" in memory), lines read in pieces of at most 2,047 bytes, and
// every output replaced whole.
#include <string>
#include <string_view>

namespace zun {

// A text-mode line reader hands out lines in pieces of at most this many bytes (TextLineReader.h).
constexpr size_t kLinePieceBytes = 2047;

// Reads the whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

enum class SaveResult { Ok, OpenFailed, WriteFailed };

// Replaces the file at `path` with `bytes` (written as they are) through a temporary file in the
// same folder and a rename, so a crash or a full disk never leaves a half-written file. With
// `durable` the data reach the disk before the rename. `mode` is the permission of a new file.
SaveResult ReplaceFile(const std::string& path, std::string_view bytes, bool durable = false,
                       unsigned mode = 0666);

// True when the file's last byte is a line feed, or the file is empty or missing: no line of it
// is still being written.
bool EndsWithLineBreak(const std::string& path);

// The whole-text save: `text` plus one final line break, in text mode, replacing the file.
SaveResult SaveWholeText(const std::string& path, std::string_view text, bool durable = false);

}  // namespace zun
