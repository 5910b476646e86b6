#pragma once
// The comma-text rule by which a line becomes fields: commas and blanks separate fields, a field
// may be quoted with double quotes, and two-byte Shift-JIS characters are stepped over whole.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"

namespace zun {

namespace comma_detail {

// The text ends at its first NUL byte.
inline std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// One character forward from `pos`; a lead byte takes its trail byte with it unless the text ends.
inline size_t NextChar(std::string_view text, size_t pos) {
  if (pos >= text.size()) return pos;
  if (IsCp932LeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return pos + 2;
  return pos + 1;
}

inline bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

// The field that opens with the double quote at `pos`; sets `pos` after its closing quote, or to
// the end of the text when it is never closed.
std::string ExtractQuoted(std::string_view text, size_t& pos);

}  // namespace comma_detail

// Calls `field(std::string_view)` once per field of `text`, in order.
template <typename Field>
void ForEachCommaField(std::string_view text, Field&& field) {
  using namespace comma_detail;
  text = UpToNul(text);
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size && IsBlank(static_cast<unsigned char>(text[pos]))) pos = NextChar(text, pos);
  while (pos < size) {
    if (text[pos] == '"') {
      const std::string quoted = ExtractQuoted(text, pos);
      field(std::string_view(quoted));
    } else {
      const size_t begin = pos;
      while (pos < size) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c <= ' ' || c == ',') break;
        pos += (IsCp932LeadByte(c) && pos + 1 < size) ? 2 : 1;
      }
      field(text.substr(begin, pos - begin));
    }
    while (pos < size && IsBlank(static_cast<unsigned char>(text[pos]))) pos = NextChar(text, pos);
    if (pos < size && text[pos] == ',') {
      if (pos + 1 == size) field(std::string_view());
      do {
        pos = NextChar(text, pos);
      } while (pos < size && IsBlank(static_cast<unsigned char>(text[pos])));
    }
  }
}

// The fields of `text` as a list (empty fields kept as empty texts).
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace zun
