// The integer conversion and the comma-text split, held to the plain readings in reference/: on
// the input's bytes as they are, and on a line put together from quotes, doubled quotes, commas,
// blanks and two-byte characters.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Reference.h"
#include "platform/CommaText.h"
#include "platform/Text.h"

using zun::fuzz::Check;

namespace {

ZUN_FUZZ_HARNESS void CheckSplit(std::string_view text) {
  const std::vector<std::string> fields = zun::SplitCommaText(text);
  const std::vector<std::string> expected = ref::CommaFields(text);
  if (fields != expected) {
    std::fprintf(stderr, "text [%.*s]\n", static_cast<int>(text.size()), text.data());
    for (const std::string& f : fields) std::fprintf(stderr, "  program   [%s]\n", f.c_str());
    for (const std::string& f : expected) std::fprintf(stderr, "  reference [%s]\n", f.c_str());
  }
  Check(fields == expected, "the fields are those of the comma-text rule");
}

// A line of the pieces the rule treats apart.
std::string Line(FuzzedDataProvider& provider) {
  static const char* const kPieces[] = {"\"", "\"\"", ",", " ", "\t", "a", "12", "-7", "$1F", "\x81\x40",
                                        "\x81\"", "\x82,", "\x9f ", "\xe0\x80", "\xfc\xfc", "\xb1", "\x81", "\x7f"};
  std::string line;
  const int count = provider.ConsumeIntegralInRange(0, 24);
  for (int i = 0; i < count; ++i) line += kPieces[provider.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int32_t fallback : {0, -1})
    Check(zun::StrToIntDef(bytes, fallback) == ref::Integer(bytes, fallback), "conversion follows its rule");
  CheckSplit(bytes);

  FuzzedDataProvider provider(data, size);
  const std::string line = Line(provider);
  CheckSplit(line);
  const std::string number = line.substr(0, 12);
  Check(zun::StrToIntDef(number, 0) == ref::Integer(number, 0), "conversion follows its rule");
  return 0;
}
