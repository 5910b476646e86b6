// Folder listings: entries made from the input, written as MLSD, Unix and DOS lines by the plain
// writers in reference/, come back from the parser with their name, size, date and kind; and any
// bytes as a listing parse without fault.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "Reference.h"
#include "ftp/ListParser.h"

using zun::fuzz::Check;

namespace {

const zun::ftp::FtpTime kNow{2026, 12, 8, 12, 0, 0};

ZUN_FUZZ_HARNESS void CheckSame(const std::vector<zun::ftp::FtpEntry>& parsed, const ref::Listed& e, const zun::ftp::FtpTime& when,
               uint64_t size, const std::string& line) {
  const bool same = parsed.size() == 1 && parsed[0].name == e.name && parsed[0].isFolder == e.folder &&
                    parsed[0].size == size && parsed[0].modified == when;
  if (!same) std::fprintf(stderr, "line [%s] parsed to %zu entries\n", line.c_str(), parsed.size());
  Check(same, "a listing line parses back to its entry");
}

ref::Listed MakeEntry(FuzzedDataProvider& provider, bool dos) {
  ref::Listed e;
  e.folder = provider.ConsumeBool();
  e.size = provider.ConsumeIntegralInRange<uint64_t>(0, 999999999999999999ull);
  e.year = provider.ConsumeIntegralInRange(1970, 2069);
  e.month = provider.ConsumeIntegralInRange(1, 12);
  e.day = provider.ConsumeIntegralInRange(1, 31);
  e.hour = provider.ConsumeIntegralInRange(0, 23);
  e.minute = provider.ConsumeIntegralInRange(0, 59);
  e.second = provider.ConsumeIntegralInRange(0, 59);
  // Any bytes but line ends; a DOS name cannot start with a blank, as the blanks before it are padding.
  for (char c : provider.ConsumeRandomLengthString(40))
    if (c != '\n' && c != '\r' && !(dos && e.name.empty() && (c == ' ' || c == '\t'))) e.name += c;
  if (e.name.empty()) e.name = "a";
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zun::ftp::ParseMlsdListing(text);
  zun::ftp::ParseListListing(text, kNow);

  FuzzedDataProvider provider(data, size);
  const unsigned order = provider.ConsumeIntegral<uint8_t>();
  const bool dosLongYear = provider.ConsumeBool(), unixYear = provider.ConsumeBool();
  const ref::Listed e = MakeEntry(provider, true);
  const std::string ending = provider.ConsumeBool() ? "\r\n" : "\n";

  const std::string mlsd = ref::MlsdLine(e, order);
  CheckSame(zun::ftp::ParseMlsdListing(mlsd + ending), e,
            {e.year, e.month, e.day, e.hour, e.minute, e.second}, e.size, mlsd);

  const std::string unixLine = ref::UnixLine(e, unixYear);
  const zun::ftp::FtpTime unixWhen = unixYear ? zun::ftp::FtpTime{e.year, e.month, e.day, 0, 0, 0}
                                              : zun::ftp::FtpTime{ref::UnixYear(e.month, e.day, 2026, 12, 8), e.month,
                                                                  e.day, e.hour, e.minute, 0};
  CheckSame(zun::ftp::ParseListListing("total 8" + ending + unixLine + ending, kNow), e, unixWhen, e.size, unixLine);

  const std::string dos = ref::DosLine(e, dosLongYear);
  CheckSame(zun::ftp::ParseListListing(dos + ending, kNow), e, {e.year, e.month, e.day, e.hour, e.minute, 0},
            e.folder ? 0 : e.size, dos);
  return 0;
}
