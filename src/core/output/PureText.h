#pragma once
// The pure text: every unmarked row as seven comma-separated integers.
#include <string>

#include "platform/TextFile.h"
#include "results/ResultGrid.h"

namespace zun {

inline constexpr const char* kPureTextFileName = "zuntextpure.txt";

// The bytes of the file: one "%d,...,%d" line per unmarked row, then one more line break, every
// line break written as CR LF (text mode).
std::string BuildPureText(const ResultGrid& grid);

// Writes the pure text to `path` (CR LF, replaced whole).
SaveResult WritePureTextFile(const ResultGrid& grid, const std::string& path);

}  // namespace zun
