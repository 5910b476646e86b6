// The comma-text split and the integer conversion, on any bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/CommaText.h"
#include "platform/Text.h"

using zun::fuzz::Check;

namespace {

// The conversion rule written out plainly, to hold the optimised one to it.
int32_t ReferenceInteger(std::string_view text, int32_t fallback) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return fallback;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return fallback;
    value = value * base + digit;
    if (value > (int64_t{1} << 32)) return fallback;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (int32_t fallback : {0, -1})
    Check(zun::StrToIntDef(bytes, fallback) == ReferenceInteger(bytes, fallback), "conversion follows its rule");

  // A line ends at its first NUL: what follows never shows in the fields.
  const std::vector<std::string> fields = zun::SplitCommaText(bytes);
  Check(zun::SplitCommaText(std::string(bytes) + '\0' + "9,9,\"9") == zun::SplitCommaText(bytes.substr(0, bytes.find('\0'))),
        "text ends at NUL");
  std::vector<std::string> streamed;
  zun::ForEachCommaField(bytes, [&](std::string_view field) { streamed.emplace_back(field); });
  Check(streamed == fields, "streamed and collected fields agree");

  // Plain fields joined by commas come back as they were.
  FuzzedDataProvider provider(data, size);
  std::vector<std::string> plain;
  std::string joined;
  const int count = provider.ConsumeIntegralInRange(1, 12);
  for (int i = 0; i < count; ++i) {
    std::string field;
    const int length = provider.ConsumeIntegralInRange(1, 10);
    for (int k = 0; k < length; ++k) {
      const char c = static_cast<char>(provider.ConsumeIntegralInRange(33, 126));
      field += (c == ',' || c == '"') ? 'a' : c;
    }
    if (i) joined += ',';
    joined += field;
    plain.push_back(field);
  }
  Check(zun::SplitCommaText(joined) == plain, "plain fields round-trip");
  return 0;
}
