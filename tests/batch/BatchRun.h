#pragma once
// Runs a shell command line that starts zuntext-batch and collects its exit code and output.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

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

// Starts `args` (the program first) with ZUNTEXT_FTP_PASSWORD set and stderr into `errPath`; its
// pid, or -1.
inline pid_t SpawnCaptured(std::vector<std::string> args, const std::string& errPath, const std::string& password) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  setenv("ZUNTEXT_FTP_PASSWORD", password.c_str(), 1);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), ::environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace zun::test
