#pragma once
// Plain readings of the rules, to hold the program to: each is written for clarity, not speed,
// and uses nothing of the program's own code.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ref {

// Text to integer: blanks before an optional sign, decimal or hexadecimal ("$", "x" or "0x"),
// `fallback` for anything else or a value outside 32 bits.
int32_t Integer(std::string_view text, int32_t fallback);

// Codes 0 to 32 removed at both ends.
std::string_view Trim(std::string_view text);

// The comma-text rule: commas and blanks separate fields, double quotes enclose one, two-byte
// Shift-JIS characters are taken whole, the text ends at its first NUL.
std::vector<std::string> CommaFields(std::string_view text);

// A file read in text mode in pieces: a CR before an LF is dropped, then each piece runs to and
// with its LF, or holds 2,047 bytes, or is what is left at the end.
std::vector<std::string> Pieces(std::string_view file);

using Row = std::array<std::string, 10>;

// What the load and the writers make of a zunText file and its flag file (none when absent).
struct Race {
  std::vector<Row> rows;           // row 0 is the header row
  std::vector<std::string> flags;  // the flag list
  std::string pure;                // zuntextpure.txt
  std::string overall;             // 000.csv
  std::vector<std::string> counts;  // counts[k - 1]: the file k formatted "%03d.csv"
};

// Without `outputs` only the rows and the flag list.
Race ReadRace(std::string_view file, const std::optional<std::string>& flagFile, bool outputs = true);

// The first line of a ranking file, in Shift-JIS.
std::string RankingHeader();

}  // namespace ref

namespace ref {

// An entry of a folder listing, and the line each of the three forms servers send gives it.
struct Listed {
  std::string name;
  bool folder = false;
  uint64_t size = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "type=file;size=12;modify=20261208120000; name", the facts in the order `order` gives.
std::string MlsdLine(const Listed& e, unsigned order);
// "-rw-r--r-- 1 user group 12 Dec  8 12:00 name" with the clock, or the year when `withYear`.
std::string UnixLine(const Listed& e, bool withYear);
// "12-08-26  12:00PM  <DIR>  name", with a four-digit year when `longYear`.
std::string DosLine(const Listed& e, bool longYear);

// The year a Unix line without one stands for: this year, unless the date lies more than a day
// ahead of `today`.
int UnixYear(int month, int day, int thisYear, int todayMonth, int todayDay);

}  // namespace ref
