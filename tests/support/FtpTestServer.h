#pragma once
// A real FTP server for the tests: pyftpdlib on 127.0.0.1, one user with write rights on a folder.
// It dies with the test process and after five minutes at the latest.
#include <sys/types.h>

#include <string>

namespace zun::test {

enum class FtpServerKind {
  Standard,   // MLSD, SIZE, UTF-8 names
  ListOnly,   // no MLSD / MLST, as older servers; a folder "readonly" refuses every STOR
  Cp932,      // LIST only, no SIZE, Shift-JIS names on the wire, no rename over an existing file
  Throttled,  // as Standard, but data moves at about 256 KB/s
};

class FtpTestServer {
 public:
  FtpTestServer(std::string root, std::string user, std::string password, std::string logPath);
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  // Starts on `port`, or on a free port when 0. False when it did not come up. Without MLSD the
  // server knows only LIST, as older servers do.
  bool Start(int port = 0, bool withoutMlsd = false);
  bool Start(FtpServerKind kind, int port = 0);
  void Stop();
  void Kill();    // SIGKILL: gone mid-operation, as a crashed server
  void Pause();   // SIGSTOP: connections stay open and nothing answers
  void Resume();  // SIGCONT
  int Port() const { return port_; }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  std::string root_, user_, password_, logPath_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace zun::test
