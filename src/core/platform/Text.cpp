#include "platform/Text.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace zun {

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

namespace text_detail {
int32_t StrToIntDefSlow(std::string_view text, int32_t fallback) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return fallback;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t value = 0;
  if (base == 10) {
    for (; i < text.size(); ++i) {
      const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned('0');
      if (digit > 9) return fallback;
      value = value * 10 + digit;
      if (value > limit) return fallback;
    }
  } else {
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return fallback;
      value = value * 16 + digit;
      if (value > limit) return fallback;
    }
  }
  return static_cast<int32_t>(negative ? -value : value);
}
}  // namespace text_detail

std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

void AppendDecimal(std::string& out, int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (size > 0) {
    out.resize(static_cast<size_t>(size));
    std::vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}

}  // namespace zun
