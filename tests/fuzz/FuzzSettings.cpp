// The settings file: any bytes on disk, then a key written and the file read back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/Profile.h"

using zun::fuzz::Check;

namespace {

std::string Name(FuzzedDataProvider& provider) {
  static const char kLetters[] = "abcdefgABCDEFG_019";
  std::string name;
  const int length = provider.ConsumeIntegralInRange(1, 6);
  for (int i = 0; i < length; ++i) name += kLetters[provider.ConsumeIntegralInRange<size_t>(0, sizeof kLetters - 2)];
  return name;
}

bool SameIgnoringCase(std::string a, std::string b) {
  for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : b) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string section = Name(provider);
  const std::string key = Name(provider);
  const std::string otherSection = Name(provider);
  const std::string otherKey = Name(provider);
  std::string value;
  const int length = provider.ConsumeIntegralInRange(0, 40);
  for (int i = 0; i < length; ++i) value += static_cast<char>(provider.ConsumeIntegralInRange(0x21, 0x7E));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) value.front() = 'q';
  const std::string file = provider.ConsumeRemainingBytesAsString();

  const std::string path = zun::fuzz::ScratchFile("settings.INI");
  zun::fuzz::WriteBytes(path, file);
  zun::Profile before(path);
  const std::string otherValue = before.ReadString(otherSection, otherKey, "<none>");

  zun::Profile ini(path);
  ini.WriteString(section, key, value);
  Check(ini.Save() == zun::SaveResult::Ok, "settings saved");
  const zun::Profile after(path);
  Check(after.ReadString(section, key, "<none>") == value, "a key written is read back");
  if (!(SameIgnoringCase(section, otherSection) && SameIgnoringCase(key, otherKey)))
    Check(after.ReadString(otherSection, otherKey, "<none>") == otherValue, "other keys keep their values");
  return 0;
}
