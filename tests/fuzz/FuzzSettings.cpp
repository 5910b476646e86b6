// The settings file: any bytes on disk, then a key written. The key reads back, other keys keep
// their values, and every byte outside the lines the write touched is what it was.
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

ZUN_FUZZ_HARNESS bool SameIgnoringCase(std::string a, std::string b) {
  for (char& c : a) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : b) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return a == b;
}

ZUN_FUZZ_HARNESS std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf == std::string_view::npos ? text.size() : lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
  }
  return lines;
}

// `after` is `before` but for whole lines at one place: at most one line of `before` is gone (the
// key's old line, or an unended last line that is now ended), and the lines come in are the key's,
// its section's header, or that last line.
ZUN_FUZZ_HARNESS void CheckOnlyTheKeysLine(const std::string& before, const std::string& after, const std::string& section,
                          const std::string& keyLine) {
  size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  // Out to whole lines: back to the start of the line at `prefix`, on to the end of the line the
  // common tail starts in (the same bytes in both).
  const size_t from = prefix == 0 ? 0 : before.rfind('\n', prefix - 1) + 1;
  size_t tail = before.size() - suffix;
  while (tail < before.size() && (tail == 0 || before[tail - 1] != '\n')) ++tail;
  const size_t extra = tail - (before.size() - suffix);
  const std::vector<std::string> gone = LinesOf(std::string_view(before).substr(from, tail - from));
  const std::vector<std::string> come =
      LinesOf(std::string_view(after).substr(from, after.size() - suffix + extra - from));
  bool ok = gone.size() <= 1;
  for (const std::string& line : come)
    ok = ok && (line == keyLine || line == "[" + section + "]" || (gone.size() == 1 && line == gone[0]));
  if (!ok) std::fprintf(stderr, "before [%s]\nafter  [%s]\n", before.c_str(), after.c_str());
  Check(ok, "a write changes only its own line");
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

  // Parsed from memory (the constructor with a path only reads the file first); the save goes to
  // disk and what it wrote is read back.
  static const std::string path = zun::fuzz::ScratchFile("settings.INI");
  zun::Profile ini(path, file);
  const std::string otherValue = ini.ReadString(otherSection, otherKey, "<none>");
  ini.WriteString(section, key, value);
  Check(ini.Save() == zun::SaveResult::Ok, "settings saved");
  const std::string saved = zun::fuzz::ReadBytes(path);
  CheckOnlyTheKeysLine(file, saved, section, key + "=" + value);

  const zun::Profile after(path, saved);
  Check(after.ReadString(section, key, "<none>") == value, "a key written is read back");
  if (!(SameIgnoringCase(section, otherSection) && SameIgnoringCase(key, otherKey)))
    Check(after.ReadString(otherSection, otherKey, "<none>") == otherValue, "other keys keep their values");
  return 0;
}
