#include "platform/CommaText.h"

#include "platform/Text.h"

namespace zun {

namespace {

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  unsigned char Peek() const { return AtEnd() ? 0 : static_cast<unsigned char>(text_[pos_]); }
  size_t Pos() const { return pos_; }
  void SetPos(size_t pos) { pos_ = pos; }
  size_t Size() const { return text_.size(); }
  std::string_view Text() const { return text_; }
  // One character forward; a lead byte takes its trail byte with it unless the text ends.
  void Next() { pos_ = NextFrom(pos_); }
  size_t NextFrom(size_t pos) const {
    if (pos >= text_.size()) return pos;
    if (IsCp932LeadByte(static_cast<unsigned char>(text_[pos])) && pos + 1 < text_.size()) return pos + 2;
    return pos + 1;
  }
  void SkipBlanks() {
    while (!AtEnd() && Peek() >= 1 && Peek() <= 32) Next();
  }
  // Position of the next double quote at or after `pos` that is a character of its own.
  size_t FindQuote(size_t pos) const {
    while (pos < text_.size()) {
      if (text_[pos] == '"') return pos;
      pos = NextFrom(pos);
    }
    return std::string_view::npos;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// A field that opens with a double quote; leaves the cursor after its closing quote, or at the end.
std::string ExtractQuoted(Cursor& cur) {
  const size_t start = cur.Pos() + 1;
  size_t drop = 1;
  size_t quote = cur.FindQuote(start);
  while (quote != std::string_view::npos) {
    ++quote;
    if (quote >= cur.Size() || cur.Text()[quote] != '"') break;
    ++quote;
    ++drop;
    quote = cur.FindQuote(quote);
  }
  const size_t stop = quote == std::string_view::npos ? cur.Size() : quote;
  cur.SetPos(stop);
  if (stop - start <= 1) return {};
  const size_t length = stop - start >= drop ? stop - start - drop : 0;
  std::string out;
  size_t from = start;
  size_t q = cur.FindQuote(from);
  while (q != std::string_view::npos) {
    ++q;
    if (q >= cur.Size() || cur.Text()[q] != '"') break;
    out.append(cur.Text().substr(from, q - from));
    ++q;
    from = q;
    q = cur.FindQuote(q);
  }
  const size_t tailEnd = q == std::string_view::npos ? cur.Size() : q;
  if (tailEnd > from + 1) out.append(cur.Text().substr(from, tailEnd - from - 1));
  out.resize(length);  // an unclosed field that ends on a doubled quote is one shorter
  return out;
}

}  // namespace

void ForEachCommaField(std::string_view text, const std::function<void(std::string_view)>& field) {
  Cursor cur(text);
  cur.SkipBlanks();
  while (!cur.AtEnd()) {
    if (cur.Peek() == '"') {
      std::string quoted = ExtractQuoted(cur);
      field(quoted);
    } else {
      const size_t begin = cur.Pos();
      while (!cur.AtEnd() && cur.Peek() > ' ' && cur.Peek() != ',') cur.Next();
      field(cur.Text().substr(begin, cur.Pos() - begin));
    }
    cur.SkipBlanks();
    if (cur.Peek() == ',') {
      if (cur.Pos() + 1 == cur.Size()) field(std::string_view());
      do {
        cur.Next();
      } while (!cur.AtEnd() && cur.Peek() >= 1 && cur.Peek() <= 32);
    }
  }
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> fields;
  ForEachCommaField(text, [&](std::string_view f) { fields.emplace_back(f); });
  return fields;
}

}  // namespace zun
