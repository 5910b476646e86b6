#pragma once
// Listing a folder the way the timing office's tools always saw it: a wildcard that ignores ASCII
// case, regular files only, in name order ignoring ASCII case (byte order breaks ties).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zun {

struct DirectoryEntry {
  std::string name;
  int64_t modifiedNs = 0;  // last modification, ns since the epoch (UTC)
  int64_t size = 0;
};

// '*' matches any run of characters, '?' any one character; letters match ignoring ASCII case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// False when the folder cannot be read; `entries` then stays empty.
bool ListDirectory(const std::string& folder, std::string_view pattern, std::vector<DirectoryEntry>& entries);

// The local date of a modification time as "%04d/%02d/%02d".
std::string LocalDateText(int64_t modifiedNs);

}  // namespace zun
