#pragma once
// What every fuzz target shares: a scratch folder of its own, whole-file helpers, and a check that
// stops the run with a message (libFuzzer keeps the input that broke the property).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace zun::fuzz {

const std::string& ScratchDir();
std::string ScratchFile(std::string_view name);
void WriteBytes(const std::string& path, std::string_view bytes);
void AppendBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);  // empty when there is no such file

inline void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

}  // namespace zun::fuzz
