#pragma once
// A real SSH server for the tests: OpenSSH's sshd on 127.0.0.1 and a free port, with its own host
// key, configuration and log in a test folder, SFTP only, for the user kUser (made once on the
// machine: the tests run as root). The login folder is `root`, which that user owns.
#include <sys/types.h>

#include <string>

namespace zun::test {

class SshTestServer {
 public:
  static constexpr const char* kUser = "zunsftp";
  static constexpr const char* kPassword = "zunsftp-secret";

  // `dir` holds the server's own files; `root` is the login folder.
  SshTestServer(std::string dir, std::string root);
  ~SshTestServer();
  SshTestServer(const SshTestServer&) = delete;
  SshTestServer& operator=(const SshTestServer&) = delete;

  // False (and Why() says it) when the server cannot run here: not root, no sshd.
  // `port` 0: a free one.
  bool Start(bool passwordLogin = true, int port = 0);
  void Stop();
  // A fresh host key for the next Start: the same host now shows another key.
  void RenewHostKey();
  // Allows key login with a new key pair; returns the private key file (passphrase may be empty).
  std::string MakeClientKey(const std::string& name, const std::string& passphrase);

  int Port() const { return port_; }
  std::string Host() const { return "sftp://127.0.0.1:" + std::to_string(port_); }
  // A known_hosts file that holds this server's key, as the user's would after first contact.
  std::string KnownHostsFile() const;
  std::string Fingerprint() const;  // "SHA256:..." of the host key
  const std::string& Why() const { return why_; }
  // Successful logins in the server's log.
  int Logins() const;

 private:
  std::string dir_, root_, why_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace zun::test
