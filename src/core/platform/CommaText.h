#pragma once
// The comma-text rule by which a line becomes fields: commas and blanks separate fields, a field
// may be quoted with double quotes, and two-byte Shift-JIS characters are stepped over whole.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zun {

// Calls `field` once per field of `text`, in order. The text ends at its first NUL byte.
void ForEachCommaField(std::string_view text, const std::function<void(std::string_view)>& field);

// The fields of `text` as a list (empty fields kept as empty texts).
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace zun
