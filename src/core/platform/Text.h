#pragma once
// Small text rules shared by every room: the one text-to-integer conversion and trimming.
#include <cstdint>
#include <string>
#include <string_view>

namespace zun {

namespace text_detail {
int32_t StrToIntDefSlow(std::string_view text, int32_t fallback);
}

// The one text-to-integer conversion: leading spaces, an optional sign, then decimal digits or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". Anything else, an empty text or a value
// outside the signed 32-bit range gives `fallback`. Most cells are short runs of digits: those
// are read inline without the general rule.
inline int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  if (!text.empty() && text.size() <= 9 && text[0] != '0') {
    int32_t value = 0;
    for (char c : text) {
      const unsigned digit = static_cast<unsigned char>(c) - unsigned('0');
      if (digit > 9) return text_detail::StrToIntDefSlow(text, fallback);
      value = value * 10 + static_cast<int32_t>(digit);
    }
    return value;
  }
  return text_detail::StrToIntDefSlow(text, fallback);
}

// Removes every character with code 0 to 32 at both ends.
std::string_view Trim(std::string_view text);

// A Shift-JIS (code page 932) lead byte: the first byte of a two-byte character.
inline bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Appends the decimal form of `value` (the "%d" of printf, without its cost).
void AppendDecimal(std::string& out, int32_t value);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zun
