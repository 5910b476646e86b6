#pragma once
// Runs a shell command line that starts zuntext-batch and collects its exit code and output.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "TempDir.h"

namespace zun::test {

struct BatchRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Single quotes for the shell (the tests' paths hold no quote).
inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

// `command` runs with its stdout and stderr captured in files of `dir`.
inline BatchRun RunCaptured(const std::string& command, const TempDir& dir) {
  const std::string outFile = dir.File("stdout"), errFile = dir.File("stderr");
  const int status = std::system((command + " >" + outFile + " 2>" + errFile).c_str());
  BatchRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadAll(outFile);
  run.err = ReadAll(errFile);
  return run;
}

}  // namespace zun::test
