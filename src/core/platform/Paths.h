#pragma once
// Paths and simple file-system questions. Paths are POSIX: '/' joins a folder and a name.
#include <cstdint>
#include <string>
#include <string_view>

namespace zun {

// The text before the last '/'; the root keeps its '/'. A path without '/' has no folder ("").
std::string FolderOf(std::string_view path);

// folder + '/' + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// The name after the last '/'.
std::string FileNameOf(std::string_view path);

// Absolute form of a path against the current directory (no symlink resolution).
std::string AbsolutePath(std::string_view path);

// The running executable (/proc/self/exe) and its folder.
std::string ExecutablePath();

// The path with its extension replaced, or appended when it has none: "a/prog" -> "a/prog.INI".
std::string ReplaceExtension(std::string_view path, std::string_view extension);

bool FileExists(const std::string& path);       // a regular file (or a link to one)
bool DirectoryExists(const std::string& path);  // a folder (or a link to one)
// Nothing is there: the path or one of its folders does not exist. A path that cannot be looked
// at (an I/O error, a share that does not answer) is not missing.
bool PathMissing(const std::string& path);
bool CreateFolder(const std::string& path);     // one level; true when it exists afterwards
bool RemoveFile(const std::string& path);       // true when it was removed

struct FileStamp {
  bool exists = false;
  int64_t modifiedNs = 0;  // last modification, ns since the epoch
  int64_t size = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

}  // namespace zun
