#pragma once
// The pure text: every unmarked row as seven comma-separated integers.
#include <string>

#include "platform/TextFile.h"
#include "results/ResultGrid.h"

namespace zun {

inline constexpr const char* kPureTextFileName = "zuntextpure.txt";

// The text of the file before its final line break: one "%d,...,%d\n" line per unmarked row.
std::string BuildPureText(const ResultGrid& grid);

// Writes the pure text to `path` (CR LF, replaced whole).
SaveResult WritePureTextFile(const ResultGrid& grid, const std::string& path);

}  // namespace zun
