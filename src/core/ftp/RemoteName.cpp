#include "ftp/RemoteName.h"

#include "platform/Cp932.h"

namespace zun::ftp {
namespace {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string DisplayRemoteName(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Utf8FromCp932(bytes);
}

std::string TemporaryNameFor(std::string_view remoteName) {
  const size_t slash = remoteName.rfind('/');
  const size_t at = slash == std::string_view::npos ? 0 : slash + 1;
  std::string out(remoteName.substr(0, at));
  out += kTemporaryPrefix;
  out += remoteName.substr(at);
  return out;
}

bool IsTemporaryName(std::string_view name) {
  return name.substr(0, kTemporaryPrefix.size()) == kTemporaryPrefix;
}

std::string NameForServer(std::string_view typed, bool serverSpeaksCp932) {
  if (!serverSpeaksCp932) return std::string(typed);
  bool ok = false;
  std::string cp932 = Cp932FromUtf8(typed, &ok);
  return ok ? cp932 : std::string(typed);
}

bool ServerSpeaksCp932(const std::vector<std::string>& serverNames) {
  for (const std::string& name : serverNames)
    if (!IsValidUtf8(name)) return true;
  return false;
}

}  // namespace zun::ftp
