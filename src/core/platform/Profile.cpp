#include "platform/Profile.h"

#include "platform/Text.h"

namespace zun {

namespace {

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}

// The name of a section header line "[name]", or false when the line is none.
bool SectionName(std::string_view line, std::string_view& name) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') return false;
  const size_t close = line.find(']');
  name = TrimBlanks(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  return true;
}

// Splits a "key=value" line; false for lines without '=' and comments.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() == ';') return false;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = TrimBlanks(line.substr(0, eq));
  value = TrimBlanks(line.substr(eq + 1));
  return true;
}

// At most `max` bytes, not cutting a UTF-8 character in two.
std::string_view Clip(std::string_view text, size_t max) {
  if (text.size() <= max) return text;
  size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

std::string OneLine(std::string_view value) {
  // A line break inside a value would split the file's line and lose the rest of the value.
  std::string out(value);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

// A line that gets a successor needs a whole line end: a bare CR (an editor's last line) would
// glue the next line onto it when the file is read again.
void Profile::EndLine(size_t index) {
  std::string& end = lines_[index].end;
  if (end.empty() || end == "\r") end = "\r\n";
}

Profile::Profile(std::string path) : path_(std::move(path)) {
  std::string bytes;
  if (ReadFileBytes(path_, bytes)) Parse(bytes);
}

Profile::Profile(std::string path, std::string_view bytes) : path_(std::move(path)) { Parse(bytes); }

void Profile::Parse(std::string_view bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    Line line;
    if (lf == std::string::npos) {
      line.text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      line.text = bytes.substr(pos, lf - pos);
      line.end.assign(1, '\n');
      pos = lf + 1;
    }
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.end = line.end.empty() ? "\r" : "\r\n";
    }
    lines_.push_back(std::move(line));
  }
}

int Profile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionName(lines_[i].text, name) && EqualsIgnoreAsciiCase(name, TrimBlanks(section)))
      return static_cast<int>(i);
  }
  return -1;
}

int Profile::SectionEnd(int header) const {
  size_t i = static_cast<size_t>(header) + 1;
  std::string_view name;
  while (i < lines_.size() && !SectionName(lines_[i].text, name)) ++i;
  return static_cast<int>(i);
}

int Profile::FindKey(int header, std::string_view key) const {
  const int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    std::string_view k, v;
    if (KeyValue(lines_[static_cast<size_t>(i)].text, k, v) && EqualsIgnoreAsciiCase(k, TrimBlanks(key))) return i;
  }
  return -1;
}

std::string Profile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const int header = FindSection(section);
  const int at = header < 0 ? -1 : FindKey(header, key);
  if (at < 0) return std::string(Clip(fallback, kProfileValueMax));
  std::string_view k, value;
  KeyValue(lines_[static_cast<size_t>(at)].text, k, value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(Clip(value, kProfileValueMax));
}

int32_t Profile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  const std::string value = ReadString(section, key, "");
  if (value.empty()) return fallback;
  return StrToIntDef(value, fallback);
}

bool Profile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string text = std::string(TrimBlanks(key)) + "=" + OneLine(value);
  dirty_ = true;
  int header = FindSection(section);
  if (header < 0) {
    if (!lines_.empty()) EndLine(lines_.size() - 1);
    std::string sectionLine(1, '[');
    sectionLine += TrimBlanks(section);
    sectionLine += ']';
    lines_.push_back({sectionLine, "\r\n"});
    lines_.push_back({text, "\r\n"});
    return;
  }
  const int at = FindKey(header, key);
  if (at >= 0) {
    lines_[static_cast<size_t>(at)].text = text;
    return;
  }
  // After the section's last non-blank line, so blank lines before the next section stay there.
  int insert = SectionEnd(header);
  while (insert > header + 1 && TrimBlanks(lines_[static_cast<size_t>(insert - 1)].text).empty()) --insert;
  EndLine(static_cast<size_t>(insert - 1));
  lines_.insert(lines_.begin() + insert, Line{text, "\r\n"});
}

void Profile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, Format("%d", value));
}

void Profile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

SaveResult Profile::Save() const {
  std::string bytes;
  for (const Line& line : lines_) {
    bytes += line.text;
    bytes += line.end;
  }
  return ReplaceFile(path_, bytes);
}

}  // namespace zun
