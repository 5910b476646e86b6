#include "platform/DirectoryListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun {

namespace {

unsigned char Lower(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = Lower(a[i]);
    const unsigned char y = Lower(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one backtrack point for the last '*'.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool ListDirectory(const std::string& folder, std::string_view pattern, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (const dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
    struct stat st {};
    if (stat(JoinPath(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    DirectoryEntry e;
    e.name = name;
    e.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    e.size = static_cast<int64_t>(st.st_size);
    entries.push_back(std::move(e));
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return LessIgnoringCase(a.name, b.name); });
  return true;
}

std::string LocalDateText(int64_t modifiedNs) {
  int64_t seconds = modifiedNs / 1000000000LL;
  if (modifiedNs < 0 && modifiedNs % 1000000000LL != 0) --seconds;
  const time_t t = static_cast<time_t>(seconds);
  struct tm local {};
  if (localtime_r(&t, &local) == nullptr) return "";
  return Format("%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace zun
