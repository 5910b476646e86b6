#pragma once
// Conversion between the UTF-8 texts of the user interface and the code page 932 bytes of the
// data files. Data bytes are never round-tripped: they are converted only to be shown.
#include <string>
#include <string_view>

namespace zun {

// UTF-8 -> CP932. Characters CP932 lacks become '?'; `ok` (when given) tells whether all converted.
std::string Cp932FromUtf8(std::string_view utf8, bool* ok = nullptr);

// CP932 -> UTF-8. Bytes that are not valid CP932 become U+FFFD.
std::string Utf8FromCp932(std::string_view cp932);

}  // namespace zun
