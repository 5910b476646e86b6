// The host file: any bytes load without fault, and a valid file (records laid out here from the
// input, plainly) is saved back byte for byte. Also the cipher of the passwords it keeps.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "hosts/Ecypt.h"
#include "hosts/Hostlist.h"

using zun::fuzz::Check;

namespace {

// The input's bytes from the front, taken as FuzzedDataProvider's random-length strings are, but
// straight into the record: no string of their own for each of 150 fields.
struct Cursor {
  const uint8_t* at;
  size_t left;
};

// A record: the used flag 1, then five fields of 80 bytes, each a text of up to 79 bytes that are
// not zero, filled up with zero bytes. A text ends at a backslash followed by another byte; two
// backslashes stand for one.
ZUN_FUZZ_HARNESS void PutValidRecord(Cursor& in, char* record) {
  record[0] = '\1';
  for (size_t field = 0; field < 5; ++field) {
    size_t at = 1 + field * 80;
    for (size_t i = 0; i < 79 && in.left != 0; ++i) {
      char c = static_cast<char>(*in.at++);
      --in.left;
      if (c == '\\' && in.left != 0) {
        c = static_cast<char>(*in.at++);
        --in.left;
        if (c != '\\') break;
      }
      if (c != '\0') record[at++] = c;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The loads take the bytes in memory (LoadHostTable reads the file and makes the same call); the
  // save goes to disk and is read back.
  zun::HostTable any;
  zun::ReadHostTable(any, std::string_view(reinterpret_cast<const char*>(data), size));
  Check(any.UsedCount() <= static_cast<int>(size / 401), "a slot per whole record");
  for (const zun::HostEntry& entry : any.entries) {
    if (!entry.used) continue;
    const std::string password = zun::DecipherPassword(entry.password);
    const std::string stored = zun::EncipherPassword(password);
    if (stored.size() == password.size() + 1 || (password.empty() && stored.empty()))
      Check(zun::DecipherPassword(stored) == password, "the cipher round-trips");
  }

  // The count from the last byte, as FuzzedDataProvider's ConsumeIntegralInRange(1, 30) has it.
  const int records = size == 0 ? 1 : 1 + data[size - 1] % 30;
  Cursor in{data, size == 0 ? 0 : size - 1};
  std::string valid(static_cast<size_t>(records) * 401, '\0');
  for (int i = 0; i < records; ++i) PutValidRecord(in, valid.data() + static_cast<size_t>(i) * 401);
  zun::HostTable table;
  zun::ReadHostTable(table, valid);
  Check(table.UsedCount() == records, "every record takes a slot");
  static const std::string path = zun::fuzz::ScratchFile("hosts.H$$");
  Check(zun::SaveHostTable(table, path).outcome == zun::HostSave::Written, "the table is saved");
  Check(zun::fuzz::ReadBytes(path) == valid, "a valid host file is saved unchanged");
  return 0;
}
