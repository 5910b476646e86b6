// The host file: any bytes load without fault, and a valid file (records laid out here from the
// input, plainly) is saved back byte for byte. Also the cipher of the passwords it keeps.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "hosts/Ecypt.h"
#include "hosts/Hostlist.h"

using zun::fuzz::Check;

namespace {

// A record: the used flag 1, then five fields of 80 bytes, each a text of up to 79 bytes that are
// not zero, filled up with zero bytes.
std::string ValidRecord(FuzzedDataProvider& provider) {
  std::string record(401, '\0');
  record[0] = '\1';
  for (size_t field = 0; field < 5; ++field) {
    size_t at = 1 + field * 80;
    for (char c : provider.ConsumeRandomLengthString(79))
      if (c != '\0') record[at++] = c;
  }
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = zun::fuzz::ScratchFile("hosts.H$$");
  zun::fuzz::WriteBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
  zun::HostTable any;
  Check(zun::LoadHostTable(any, path, true).read, "an existing host file is read");
  Check(any.UsedCount() <= static_cast<int>(size / 401), "a slot per whole record");
  for (const zun::HostEntry& entry : any.entries) {
    if (!entry.used) continue;
    const std::string password = zun::DecipherPassword(entry.password);
    const std::string stored = zun::EncipherPassword(password);
    if (stored.size() == password.size() + 1 || (password.empty() && stored.empty()))
      Check(zun::DecipherPassword(stored) == password, "the cipher round-trips");
  }

  FuzzedDataProvider provider(data, size);
  std::string valid;
  const int records = provider.ConsumeIntegralInRange(1, 30);
  for (int i = 0; i < records; ++i) valid += ValidRecord(provider);
  zun::fuzz::WriteBytes(path, valid);
  zun::HostTable table;
  zun::LoadHostTable(table, path, true);
  Check(table.UsedCount() == records, "every record takes a slot");
  const std::string again = zun::fuzz::ScratchFile("again.H$$");
  Check(zun::SaveHostTable(table, again).outcome == zun::HostSave::Written, "the table is saved");
  Check(zun::fuzz::ReadBytes(again) == valid, "a valid host file is saved unchanged");
  return 0;
}
