// Listing lines written out from an entry, as servers write them.
#include <cstdio>

#include "Reference.h"

namespace ref {

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Printed(const char* format, auto... values) {
  char text[128];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

std::string MlsdLine(const Listed& e, unsigned order) {
  const std::string type = e.folder ? (order & 1 ? "type=DIR" : "type=dir") : (order & 1 ? "Type=File" : "type=file");
  const std::string size = Printed("size=%llu", static_cast<unsigned long long>(e.size));
  const std::string modify = Printed("modify=%04d%02d%02d%02d%02d%02d", e.year, e.month, e.day, e.hour, e.minute,
                                     e.second) + (order & 2 ? ".250" : "");
  const std::string perm = "perm=adfrw";
  std::string facts;
  switch (order % 4) {
    case 0: facts = type + ";" + size + ";" + modify + ";"; break;
    case 1: facts = modify + ";" + type + ";" + size + ";" + perm + ";"; break;
    case 2: facts = size + ";" + perm + ";" + modify + ";" + type + ";"; break;
    default: facts = perm + ";" + type + ";" + modify + ";" + size; break;
  }
  return facts + " " + e.name;
}

std::string UnixLine(const Listed& e, bool withYear) {
  const std::string when = withYear ? Printed("%5d", e.year) : Printed("%02d:%02d", e.hour, e.minute);
  return Printed("%s 1 user group %12llu %s %2d ", e.folder ? "drwxr-xr-x" : "-rw-r--r--",
                 static_cast<unsigned long long>(e.size), kMonths[e.month - 1], e.day) +
         when + " " + e.name;
}

std::string DosLine(const Listed& e, bool longYear) {
  const int hour12 = e.hour % 12 == 0 ? 12 : e.hour % 12;
  const std::string date = longYear ? Printed("%02d-%02d-%04d", e.month, e.day, e.year)
                                    : Printed("%02d-%02d-%02d", e.month, e.day, e.year % 100);
  const std::string sizeOrDir = e.folder ? "<DIR>         " : Printed("%14llu", static_cast<unsigned long long>(e.size));
  return date + Printed("  %02d:%02d%s ", hour12, e.minute, e.hour < 12 ? "AM" : "PM") + sizeOrDir + " " + e.name;
}

int UnixYear(int month, int day, int thisYear, int todayMonth, int todayDay) {
  const bool ahead = month > todayMonth || (month == todayMonth && day > todayDay + 1);
  return ahead ? thisYear - 1 : thisYear;
}

}  // namespace ref
