#pragma once
// A settings file in the profile (INI) format, read and written as the classic profile functions
// do: section and key names match ignoring ASCII case, values lose surrounding blanks and one pair
// of enclosing quotes, and a write changes only its own line (or appends the key or the section),
// keeping every other line, comment and section as it was.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextFile.h"

namespace zun {

inline constexpr size_t kProfileValueMax = 2047;

class Profile {
 public:
  // Reads the file; a missing or unreadable file gives an empty profile.
  explicit Profile(std::string path);
  // The profile of `bytes` (a settings file already read), saved to `path`.
  Profile(std::string path, std::string_view bytes);

  const std::string& Path() const { return path_; }

  // The value of the key (at most 2,047 bytes), or `fallback` when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // The value read with StrToIntDef; an empty or missing value gives `fallback`.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer value, 0 false and anything else true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Writes the file whole (temporary file and rename); the first save creates it.
  SaveResult Save() const;
  bool Dirty() const { return dirty_; }

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" for a last line without one
  };
  // Index of the section's header line, or -1.
  int FindSection(std::string_view section) const;
  // Index of the key's line within the section starting at `header`, or -1.
  int FindKey(int header, std::string_view key) const;
  int SectionEnd(int header) const;  // index after the section's last line
  void EndLine(size_t index);
  void Parse(std::string_view bytes);

  std::string path_;
  std::vector<Line> lines_;
  bool dirty_ = false;
};

}  // namespace zun
