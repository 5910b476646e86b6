// The host file: any bytes as the file, then the table saved and loaded again; and the cipher of
// the passwords it keeps.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "hosts/Ecypt.h"
#include "hosts/Hostlist.h"

using zun::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string path = zun::fuzz::ScratchFile("hosts.H$$");
  const std::string again = zun::fuzz::ScratchFile("again.H$$");
  zun::fuzz::WriteBytes(path, bytes);
  unlink(again.c_str());

  zun::HostTable table;
  const zun::HostLoadResult loaded = zun::LoadHostTable(table, path, true);
  Check(loaded.read, "an existing host file is read");
  Check(table.UsedCount() <= static_cast<int>(size / zun::kHostEntryBytes), "a slot per whole record");
  const zun::HostSaveResult saved = zun::SaveHostTable(table, again);
  if (table.UsedCount() == 0) return 0;
  Check(saved.outcome == zun::HostSave::Written, "used slots are written");

  zun::HostTable reloaded;
  zun::LoadHostTable(reloaded, again, true);
  Check(reloaded.UsedCount() == table.UsedCount(), "every used slot comes back");
  int k = 0;
  for (const zun::HostEntry& entry : table.entries) {
    if (!entry.used) continue;
    while (!reloaded.entries[static_cast<size_t>(k)].used) ++k;
    const zun::HostEntry& back = reloaded.entries[static_cast<size_t>(k++)];
    Check(back.hostName == entry.hostName && back.userName == entry.userName && back.password == entry.password &&
              back.localDir == entry.localDir && back.remoteDir == entry.remoteDir,
          "a host record round-trips");
    // A password whose stored form keeps all its bytes deciphers to itself.
    const std::string password = zun::DecipherPassword(entry.password);
    const std::string stored = zun::EncipherPassword(password);
    if (stored.size() == password.size() + 1 || (password.empty() && stored.empty()))
      Check(zun::DecipherPassword(stored) == password, "the cipher round-trips");
  }
  return 0;
}
