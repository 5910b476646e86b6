#pragma once
// The FTPS servers hosts run, from Debian, for the tests: vsftpd, ProFTPD with mod_tls and
// Pure-FTPd, each on 127.0.0.1 and a free port, requiring TLS for the login and for every data
// connection, with a certificate of its own. They log in one local account (made when missing)
// whose files are in `root`. Each dies with the test process and after five minutes at the latest.
#include <sys/types.h>

#include <string>
#include <vector>

namespace zun::test {

enum class SecureServerKind { Vsftpd, Proftpd, PureFtpd };
enum class CertKind { Valid, Expired, OtherHost };

class SecureFtpServer {
 public:
  // `work` is a folder of its own for the configuration, the certificate and the logs.
  SecureFtpServer(SecureServerKind kind, std::string root, std::string work);
  ~SecureFtpServer();
  SecureFtpServer(const SecureFtpServer&) = delete;
  SecureFtpServer& operator=(const SecureFtpServer&) = delete;

  // `tls` false: vsftpd without TLS at all, logging every command it receives.
  bool Start(CertKind cert = CertKind::Valid, bool tls = true);
  void Stop();

  int Port() const { return port_; }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Url() const { return "ftps://" + Host(); }
  std::string CaFile() const { return work_ + "/cert.pem"; }
  static std::string User() { return "zuntestftp"; }
  static std::string Password() { return "zun-Test-ftps-4711"; }
  // What the server logged (commands for vsftpd, sessions for ProFTPD); empty for Pure-FTPd.
  std::string Log() const;
  // Logins the server logged; -1 where it logs none (Pure-FTPd logs to syslog only).
  int LoginCount() const;

  static const char* Name(SecureServerKind kind);
  static std::vector<SecureServerKind> All() {
    return {SecureServerKind::Vsftpd, SecureServerKind::Proftpd, SecureServerKind::PureFtpd};
  }
  // False when the server's program is not installed (scripts/install-deps puts it there).
  static bool Installed(SecureServerKind kind);

 private:
  bool WriteConfig(bool tls, std::vector<std::string>& argv);
  SecureServerKind kind_;
  std::string root_, work_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace zun::test
