#pragma once
// What every fuzz target shares: a scratch folder of its own, whole-file helpers, and a check that
// stops the run with a message (libFuzzer keeps the input that broke the property).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// On the harness's own code (checks of results, layouts of inputs): its branches and compares say
// nothing of the program, so they do not steer the fuzzer, nor cost it time.
#define ZUN_FUZZ_HARNESS __attribute__((no_sanitize("coverage")))

namespace zun::fuzz {

const std::string& ScratchDir();
std::string ScratchFile(std::string_view name);
void WriteBytes(const std::string& path, std::string_view bytes);
void AppendBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);  // empty when there is no such file

ZUN_FUZZ_HARNESS inline void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

}  // namespace zun::fuzz
