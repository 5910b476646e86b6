// Folder listings from a server, in the three forms servers send.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "ftp/ListParser.h"

using zun::fuzz::Check;

namespace {

void CheckEntries(const std::vector<zun::ftp::FtpEntry>& entries, size_t lines) {
  Check(entries.size() <= lines, "at most one entry per line");
  for (const auto& entry : entries) {
    Check(!entry.name.empty(), "an entry has a name");
    // A bare CR inside a name is the server's byte (the session refuses to send such names back).
    Check(entry.name.find('\n') == std::string::npos, "a name holds no line feed");
    Check(entry.modified.month >= 0 && entry.modified.month <= 12, "a month is a month");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  CheckEntries(zun::ftp::ParseMlsdListing(text), lines);
  CheckEntries(zun::ftp::ParseListListing(text, zun::ftp::FtpTime{2026, 12, 8, 12, 0, 0}), lines);
  return 0;
}
