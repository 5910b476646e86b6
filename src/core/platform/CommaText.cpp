#include "platform/CommaText.h"

namespace zun {

namespace comma_detail {

namespace {
// The next double quote at or after `pos` that is a character of its own (not a trail byte).
size_t FindQuote(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    if (text[pos] == '"') return pos;
    pos = NextChar(text, pos);
  }
  return std::string_view::npos;
}
}  // namespace

std::string ExtractQuoted(std::string_view text, size_t& pos) {
  const size_t start = pos + 1;
  size_t drop = 1;
  size_t quote = FindQuote(text, start);
  while (quote != std::string_view::npos) {
    ++quote;
    if (quote >= text.size() || text[quote] != '"') break;
    ++quote;
    ++drop;
    quote = FindQuote(text, quote);
  }
  const size_t stop = quote == std::string_view::npos ? text.size() : quote;
  pos = stop;
  if (stop - start <= 1) return {};
  const size_t length = stop - start >= drop ? stop - start - drop : 0;
  std::string out;
  size_t from = start;
  size_t q = FindQuote(text, from);
  while (q != std::string_view::npos) {
    ++q;
    if (q >= text.size() || text[q] != '"') break;
    out.append(text.substr(from, q - from));  // up to and with the first quote of a doubled pair
    ++q;
    from = q;
    q = FindQuote(text, q);
  }
  const size_t tailEnd = q == std::string_view::npos ? text.size() : q;
  if (tailEnd > from + 1) out.append(text.substr(from, tailEnd - from - 1));
  out.resize(length);  // an unclosed field that ends on a doubled quote is one shorter
  return out;
}

}  // namespace comma_detail

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> fields;
  ForEachCommaField(text, [&](std::string_view f) { fields.emplace_back(f); });
  return fields;
}

}  // namespace zun
