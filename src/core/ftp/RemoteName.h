#pragma once
// Names from the server are its own bytes (UTF-8 on most servers, Shift-JIS on older Japanese
// ones). They are kept and sent back as bytes and only decoded to be shown.
#include <string>
#include <string_view>

namespace zun::ftp {

// UTF-8 as it is when the bytes are valid UTF-8, otherwise read as CP932.
std::string DisplayRemoteName(std::string_view bytes);

// The name a file travels under until it is complete, in the same folder; listings hide such names.
inline constexpr std::string_view kTemporaryPrefix = ".zunpart-";
std::string TemporaryNameFor(std::string_view remoteName);
bool IsTemporaryName(std::string_view name);

}  // namespace zun::ftp
