#include "ftp/ListParser.h"

#include <ctime>

#include <array>
#include <cctype>
#include <string>

namespace zun::ftp {
namespace {

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Digits only, at most 18 of them, so the value fits.
bool ToNumber(std::string_view s, uint64_t& value) {
  if (!IsDigits(s) || s.size() > 18) return false;
  value = 0;
  for (char c : s) value = value * 10 + static_cast<uint64_t>(c - '0');
  return true;
}

int Number(std::string_view s) {
  uint64_t v = 0;
  return ToNumber(s, v) && v < 100000 ? static_cast<int>(v) : -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int MonthOf(std::string_view s) {
  static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
  for (size_t i = 0; i < kMonths.size(); ++i)
    if (EqualsNoCase(s, kMonths[i])) return static_cast<int>(i) + 1;
  return 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Token {
  std::string_view text;
  size_t end;  // offset just past the token in the line
};

std::vector<Token> Tokens(std::string_view line, size_t max) {
  std::vector<Token> out;
  size_t i = 0;
  while (out.size() < max) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    out.push_back({line.substr(start, i - start), i});
  }
  return out;
}

// "HH:MM" or "HH:MM:SS".
bool ParseClock(std::string_view s, int& hour, int& minute, int& second) {
  if (s.size() != 5 && s.size() != 8) return false;
  if (s[2] != ':' || (s.size() == 8 && s[5] != ':')) return false;
  hour = Number(s.substr(0, 2));
  minute = Number(s.substr(3, 2));
  second = s.size() == 8 ? Number(s.substr(6, 2)) : 0;
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 62;
}

bool ParseUnix(std::string_view line, const FtpTime& now, FtpEntry& entry) {
  if (line.size() < 10) return false;
  const char kind = line[0];
  if (std::string_view("-dlbcps").find(kind) == std::string_view::npos) return false;
  // The name starts after the date; owner and group may be missing, so find the date by its month.
  auto tokens = Tokens(line, 9);
  for (size_t m = 2; m + 2 < tokens.size(); ++m) {
    const int month = MonthOf(tokens[m].text);
    uint64_t size = 0;
    if (month == 0 || !ToNumber(tokens[m - 1].text, size)) continue;
    const int day = Number(tokens[m + 1].text);
    if (day < 1 || day > 31) continue;
    FtpTime t;
    t.month = month;
    t.day = day;
    std::string_view yearOrClock = tokens[m + 2].text;
    if (yearOrClock.size() == 4 && IsDigits(yearOrClock)) {
      t.year = Number(yearOrClock);
    } else if (ParseClock(yearOrClock, t.hour, t.minute, t.second)) {
      // Without a year the date lies within the last half year: a date ahead of today is last year's.
      t.year = now.year;
      if (month > now.month || (month == now.month && day > now.day + 1)) t.year = now.year - 1;
    } else {
      continue;
    }
    size_t nameStart = tokens[m + 2].end;
    if (nameStart < line.size() && IsBlank(line[nameStart])) ++nameStart;
    std::string_view name = line.substr(nameStart);
    if (kind == 'l') {
      size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (name.empty()) return false;
    entry = FtpEntry{};
    entry.name = std::string(name);
    entry.isFolder = kind == 'd';
    entry.size = size;
    entry.modified = t;
    return true;
  }
  return false;
}

bool ParseDos(std::string_view line, FtpEntry& entry) {
  auto tokens = Tokens(line, 3);
  if (tokens.size() < 3) return false;
  std::string_view date = tokens[0].text;  // MM-DD-YY or MM-DD-YYYY
  if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-') return false;
  FtpTime t;
  t.month = Number(date.substr(0, 2));
  t.day = Number(date.substr(3, 2));
  t.year = Number(date.substr(6));
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.year < 0) return false;
  if (date.size() == 8) t.year += t.year < 70 ? 2000 : 1900;
  std::string_view clock = tokens[1].text;  // HH:MM followed by AM or PM
  if (clock.size() != 7) return false;
  if (!ParseClock(clock.substr(0, 5), t.hour, t.minute, t.second)) return false;
  std::string_view half = clock.substr(5);
  if (EqualsNoCase(half, "PM")) {
    if (t.hour < 12) t.hour += 12;
  } else if (EqualsNoCase(half, "AM")) {
    if (t.hour == 12) t.hour = 0;
  } else {
    return false;
  }
  entry = FtpEntry{};
  entry.modified = t;
  std::string_view sizeOrDir = tokens[2].text;
  if (EqualsNoCase(sizeOrDir, "<DIR>")) {
    entry.isFolder = true;
  } else if (!ToNumber(sizeOrDir, entry.size)) {
    return false;
  }
  size_t nameStart = tokens[2].end;
  while (nameStart < line.size() && IsBlank(line[nameStart])) ++nameStart;
  if (nameStart >= line.size()) return false;
  entry.name = std::string(line.substr(nameStart));
  return true;
}

template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    std::string_view line = text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
    pos = lf == std::string_view::npos ? text.size() : lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) fn(line);
  }
}

}  // namespace

bool ParseMlsdLine(std::string_view line, FtpEntry& entry) {
  size_t space = line.find(' ');
  if (space == std::string_view::npos || space + 1 >= line.size()) return false;
  std::string_view facts = line.substr(0, space);
  FtpEntry e;
  e.name = std::string(line.substr(space + 1));
  bool typed = false;
  while (!facts.empty()) {
    size_t semi = facts.find(';');
    std::string_view fact = facts.substr(0, semi);
    facts = semi == std::string_view::npos ? std::string_view() : facts.substr(semi + 1);
    size_t eq = fact.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = fact.substr(0, eq);
    std::string_view value = fact.substr(eq + 1);
    if (EqualsNoCase(key, "type")) {
      typed = true;
      if (EqualsNoCase(value, "cdir") || EqualsNoCase(value, "pdir")) return false;
      e.isFolder = EqualsNoCase(value, "dir");
    } else if (EqualsNoCase(key, "size")) {
      ToNumber(value, e.size);
    } else if (EqualsNoCase(key, "modify") && value.size() >= 14 && IsDigits(value.substr(0, 14))) {
      const FtpTime t{Number(value.substr(0, 4)),  Number(value.substr(4, 2)),  Number(value.substr(6, 2)),
                      Number(value.substr(8, 2)),  Number(value.substr(10, 2)), Number(value.substr(12, 2))};
      // A time no clock shows stays unknown rather than be listed as a date.
      if (t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 && t.minute < 60 && t.second <= 60)
        e.modified = t;
    }
  }
  if (!typed) return false;
  entry = std::move(e);
  return true;
}

bool ParseListLine(std::string_view line, const FtpTime& now, FtpEntry& entry) {
  if (!line.empty() && line[0] >= '0' && line[0] <= '9') return ParseDos(line, entry);
  return ParseUnix(line, now, entry);
}

std::vector<FtpEntry> ParseMlsdListing(std::string_view text) {
  std::vector<FtpEntry> out;
  ForEachLine(text, [&](std::string_view line) {
    FtpEntry e;
    if (ParseMlsdLine(line, e)) out.push_back(std::move(e));
  });
  return out;
}

std::vector<FtpEntry> ParseListListing(std::string_view text, const FtpTime& now) {
  std::vector<FtpEntry> out;
  ForEachLine(text, [&](std::string_view line) {
    FtpEntry e;
    if (ParseListLine(line, now, e)) out.push_back(std::move(e));
  });
  return out;
}

FtpTime CurrentUtcTime() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace zun::ftp
