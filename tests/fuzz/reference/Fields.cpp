// Integers, trimming, the comma-text rule and text-mode pieces, one character at a time.
#include "Reference.h"

namespace ref {

int32_t Integer(std::string_view text, int32_t fallback) {
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

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

namespace {

bool LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The character at `i`: a lead byte and the byte after it are one, every other byte is one.
std::string_view CharAt(std::string_view text, size_t i) {
  return text.substr(i, LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1);
}

bool Blank(std::string_view c) {
  const unsigned char b = static_cast<unsigned char>(c[0]);
  return c.size() == 1 && b >= 1 && b <= 32;
}

}  // namespace

std::vector<std::string> CommaFields(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const size_t n = text.size();
  std::vector<std::string> fields;
  fields.reserve(12);
  size_t i = 0;  // always at the start of a character
  const auto skipBlanks = [&] {
    while (i < n && Blank(CharAt(text, i))) i += CharAt(text, i).size();
  };
  skipBlanks();
  while (i < n) {
    std::string field;
    if (text[i] == '"') {
      bool closed = false;
      for (++i; i < n && !closed;) {
        const std::string_view c = CharAt(text, i);
        i += c.size();
        if (c != "\"") field += c;
        else if (i < n && text[i] == '"') field += text[i++];  // a doubled quote
        else closed = true;
      }
      // Never closed: the rest less the text's last byte.
      if (!closed && !field.empty()) field.pop_back();
    } else {
      while (i < n && text[i] != ',' && static_cast<unsigned char>(text[i]) > 32) {
        field += CharAt(text, i);
        i += CharAt(text, i).size();
      }
    }
    fields.push_back(field);
    skipBlanks();
    if (i < n && text[i] == ',') {
      if (i + 1 == n) fields.emplace_back();
      ++i;
      skipBlanks();
    }
  }
  return fields;
}

std::vector<std::string> Pieces(std::string_view file) {
  std::string text;
  for (size_t i = 0; i < file.size(); ++i)
    if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')) text += file[i];
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : text) {
    piece += c;
    if (c == '\n' || piece.size() == 2047) {
      pieces.push_back(piece);
      piece.clear();
    }
  }
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

}  // namespace ref
