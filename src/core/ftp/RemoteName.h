#pragma once
// Names from the server are its own bytes (UTF-8 on most servers, Shift-JIS on older Japanese
// ones). They are kept and sent back as bytes and only decoded to be shown.
#include <string>
#include <string_view>
#include <vector>

namespace zun::ftp {

// UTF-8 as it is when the bytes are valid UTF-8, otherwise read as CP932.
std::string DisplayRemoteName(std::string_view bytes);

// A name the operator typed (UTF-8) in the bytes of the server's names: CP932 when
// `serverSpeaksCp932`, as typed otherwise, and as typed when CP932 cannot hold it.
std::string NameForServer(std::string_view typed, bool serverSpeaksCp932);

// True when any of the server's names or paths is not UTF-8: the server speaks CP932. Names of
// plain ASCII tell nothing, so a folder of such names counts as UTF-8.
bool ServerSpeaksCp932(const std::vector<std::string>& serverNames);

// The name a file travels under until it is complete, in the same folder; listings hide such names.
inline constexpr std::string_view kTemporaryPrefix = ".zunpart-";
std::string TemporaryNameFor(std::string_view remoteName);
bool IsTemporaryName(std::string_view name);

}  // namespace zun::ftp
