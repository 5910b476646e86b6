#include "SecureFtpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace zun::test {

namespace fs = std::filesystem;

namespace {

// Debian's packages of the three servers conflict with one another, so scripts/install-deps
// unpacks those not installed under this folder.
const char* const kUnpacked = "/opt/zuntext-test-ftpd";

std::string Program(const std::string& path) {
  if (access(path.c_str(), X_OK) == 0) return path;
  const std::string unpacked = kUnpacked + path;
  return access(unpacked.c_str(), X_OK) == 0 ? unpacked : std::string();
}

std::string BinaryOf(SecureServerKind kind) {
  switch (kind) {
    case SecureServerKind::Vsftpd: return Program("/usr/sbin/vsftpd");
    case SecureServerKind::Proftpd: return Program("/usr/sbin/proftpd");
    case SecureServerKind::PureFtpd: return Program("/usr/sbin/pure-ftpd");
  }
  return {};
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The account every server logs in. Its password is no secret: it has no shell, and /etc/ftpusers
// bars it from the machine's own FTP servers (the fixtures' servers do not read that file).
bool EnsureAccount(uid_t& uid, gid_t& gid) {
  const std::string user = SecureFtpServer::User();
  const std::string make =
      "flock /run/lock/zuntext-test-ftp.lock sh -c " +
      Quoted("id -u " + user + " >/dev/null 2>&1 || useradd --system -M -d / -s /usr/sbin/nologin " + user +
             "; grep -qx " + user + " /etc/ftpusers 2>/dev/null || echo " + user + " >> /etc/ftpusers; echo " +
             Quoted(user + ":" + SecureFtpServer::Password()) + " | chpasswd");
  if (!Shell(make)) return false;
  const passwd* pw = getpwnam(user.c_str());
  if (!pw) return false;
  uid = pw->pw_uid;
  gid = pw->pw_gid;
  return true;
}

const char* kCertScript = R"(
import datetime, sys, ipaddress
from cryptography import x509
from cryptography.x509.oid import NameOID
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
out, kind = sys.argv[1:3]
key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
name = 'other.invalid' if kind == 'other' else '127.0.0.1'
now = datetime.datetime.now(datetime.timezone.utc)
start, end = (now - datetime.timedelta(days=2), now - datetime.timedelta(days=1)) if kind == 'expired' else \
    (now - datetime.timedelta(minutes=5), now + datetime.timedelta(days=1))
alt = x509.DNSName(name) if kind == 'other' else x509.IPAddress(ipaddress.ip_address(name))
subject = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, name)])
cert = (x509.CertificateBuilder().subject_name(subject).issuer_name(subject).public_key(key.public_key())
        .serial_number(x509.random_serial_number()).not_valid_before(start).not_valid_after(end)
        .add_extension(x509.SubjectAlternativeName([alt]), critical=False)
        .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
        .sign(key, hashes.SHA256()))
open(out + '/cert.pem', 'wb').write(cert.public_bytes(serialization.Encoding.PEM))
open(out + '/key.pem', 'wb').write(key.private_bytes(serialization.Encoding.PEM,
    serialization.PrivateFormat.TraditionalOpenSSL, serialization.NoEncryption()))
)";

bool MakeCertificate(const std::string& work, CertKind kind) {
  const char* name = kind == CertKind::Expired ? "expired" : kind == CertKind::OtherHost ? "other" : "valid";
  return Shell("/usr/bin/python3 -c " + Quoted(kCertScript) + " " + Quoted(work) + " " + name);
}

// The account's password as crypt(3) keeps it.
std::string PasswordHash(const std::string& work) {
  const std::string file = work + "/hash";
  if (!Shell("openssl passwd -6 " + Quoted(SecureFtpServer::Password()) + " > " + Quoted(file))) return {};
  std::string h = Slurp(file);
  while (!h.empty() && h.back() == '\n') h.pop_back();
  return h;
}

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

// True once the server greets on the port.
bool Greets(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = false;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    timeval tv{2, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buf[4] = {};
    ok = recv(s, buf, 3, MSG_WAITALL) == 3 && std::string(buf) == "220";
    shutdown(s, SHUT_RDWR);
  }
  close(s);
  return ok;
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

}  // namespace

SecureFtpServer::SecureFtpServer(SecureServerKind kind, std::string root, std::string work)
    : kind_(kind), root_(std::move(root)), work_(std::move(work)) {}

SecureFtpServer::~SecureFtpServer() { Stop(); }

const char* SecureFtpServer::Name(SecureServerKind kind) {
  switch (kind) {
    case SecureServerKind::Vsftpd: return "vsftpd";
    case SecureServerKind::Proftpd: return "ProFTPD";
    case SecureServerKind::PureFtpd: return "PureFtpd";
  }
  return "";
}

bool SecureFtpServer::Installed(SecureServerKind kind) { return !BinaryOf(kind).empty(); }

std::string SecureFtpServer::Log() const {
  switch (kind_) {
    case SecureServerKind::Vsftpd: return Slurp(work_ + "/vsftpd.log");
    case SecureServerKind::Proftpd: return Slurp(work_ + "/auth.log") + Slurp(work_ + "/tls.log");
    case SecureServerKind::PureFtpd: return {};
  }
  return {};
}

int SecureFtpServer::LoginCount() const {
  switch (kind_) {
    case SecureServerKind::Vsftpd: return Count(Log(), "OK LOGIN");
    case SecureServerKind::Proftpd: return Count(Log(), "PASS 230");
    case SecureServerKind::PureFtpd: return -1;
  }
  return -1;
}

bool SecureFtpServer::WriteConfig(bool tls, std::vector<std::string>& argv) {
  uid_t uid = 0;
  gid_t gid = 0;
  if (!EnsureAccount(uid, gid)) return false;
  // The account writes into the test's folder; the folders above it need only be passed through.
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(root_, ec)) {
    if (lchown(entry.path().c_str(), uid, gid) != 0) return false;
  }
  if (chown(root_.c_str(), uid, gid) != 0) return false;
  for (fs::path p = fs::path(root_).parent_path(); p.has_relative_path(); p = p.parent_path())
    fs::permissions(p, fs::perms::others_exec, fs::perm_options::add, ec);

  const std::string port = std::to_string(port_);
  const std::string cert = work_ + "/cert.pem", key = work_ + "/key.pem";
  std::ofstream conf;
  switch (kind_) {
    case SecureServerKind::Vsftpd: {
      fs::create_directories(work_ + "/empty");
      conf.open(work_ + "/vsftpd.conf");
      // pam_service_name names no file, so PAM's "other" rules check the account's password.
      conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
           << "\nbackground=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
              "local_umask=022\nchroot_local_user=YES\nallow_writeable_chroot=YES\nlocal_root="
           << root_ << "\nsecure_chroot_dir=" << work_ << "/empty\npam_service_name=zuntext-test-ftp\n"
           << "seccomp_sandbox=NO\nlog_ftp_protocol=YES\nxferlog_enable=YES\nvsftpd_log_file=" << work_
           << "/vsftpd.log\nutf8_filesystem=YES\n";
      if (tls)
        conf << "ssl_enable=YES\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\nrsa_cert_file=" << cert
             << "\nrsa_private_key_file=" << key << "\n";
      argv = {BinaryOf(kind_), work_ + "/vsftpd.conf"};
      break;
    }
    case SecureServerKind::Proftpd: {
      const std::string h = PasswordHash(work_);
      if (h.empty()) return false;
      std::ofstream(work_ + "/passwd") << User() << ":" << h << ":" << uid << ":" << gid << "::" << root_
                                       << ":/bin/sh\n";
      chmod((work_ + "/passwd").c_str(), 0600);
      const std::string modules = fs::exists("/usr/lib/proftpd/mod_tls.so") ? "/usr/lib/proftpd"
                                                                            : std::string(kUnpacked) + "/usr/lib/proftpd";
      conf.open(work_ + "/proftpd.conf");
      conf << "ServerType standalone\nDefaultServer on\nServerName \"zuntest\"\nPort " << port
           << "\nDefaultAddress 127.0.0.1\nSocketBindTight on\nUseIPv6 off\nUseReverseDNS off\n"
              "User "
           << User() << "\nGroup " << User() << "\nPidFile " << work_ << "/proftpd.pid\nScoreboardFile " << work_
           << "/proftpd.scoreboard\nDelayTable none\nWtmpLog off\nSystemLog " << work_
           << "/proftpd.log\nTransferLog none\nLogFormat zunauth \"%m %s\"\nExtendedLog " << work_
           << "/auth.log AUTH zunauth\nAuthOrder mod_auth_file.c\nAuthUserFile " << work_
           << "/passwd\nRequireValidShell off\nUseFtpUsers off\nDefaultRoot ~\nAllowOverwrite on\nUmask 022\n"
              "ModulePath "
           << modules << "\nLoadModule mod_tls.c\nTLSEngine on\nTLSRequired on\nTLSProtocol TLSv1.2 TLSv1.3\n"
           << "TLSRSACertificateFile " << cert << "\nTLSRSACertificateKeyFile " << key
           << "\nTLSVerifyClient off\nTLSLog " << work_ << "/tls.log\n";
      argv = {BinaryOf(kind_), "-n", "-q", "-c", work_ + "/proftpd.conf"};
      break;
    }
    case SecureServerKind::PureFtpd: {
      // A SHA-512 crypt hash: pure-pw's own memory-hard one costs seconds a login on a busy machine.
      const std::string h = PasswordHash(work_);
      if (h.empty()) return false;
      std::ofstream(work_ + "/pureftpd.passwd") << User() << ":" << h << ":" << uid << ":" << gid << "::" << root_
                                                << "/./::::::::::::\n";
      if (!Shell(Program("/usr/bin/pure-pw") + " mkdb " + Quoted(work_ + "/pureftpd.pdb") + " -f " +
                 Quoted(work_ + "/pureftpd.passwd")))
        return false;
      std::ofstream(work_ + "/pure.pem") << Slurp(key) << Slurp(cert);
      argv = {BinaryOf(kind_), "-S", "127.0.0.1," + port, "-l", "puredb:" + work_ + "/pureftpd.pdb", "-A", "-E",
              "-H", "-u", "1", "-Y", "3", "-2", work_ + "/pure.pem", "-g", work_ + "/pure-ftpd.pid"};
      break;
    }
  }
  return true;
}

bool SecureFtpServer::Start(CertKind certKind, bool tls) {
  Stop();
  if (!Installed(kind_)) return false;
  fs::create_directories(work_);
  for (const char* log : {"/vsftpd.log", "/auth.log", "/tls.log"}) fs::remove(work_ + log);
  if (!MakeCertificate(work_, certKind)) return false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    port_ = FreePort();
    std::vector<std::string> args;
    if (port_ <= 0 || !WriteConfig(tls, args)) return false;
    const int log = open((work_ + "/stderr.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      dup2(log, 1);
      dup2(log, 2);
      std::vector<const char*> argv{"/usr/bin/timeout", "300"};
      for (const auto& a : args) argv.push_back(a.c_str());
      argv.push_back(nullptr);
      execv(argv[0], const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    close(log);
    if (pid_ < 0) return false;
    for (int i = 0; i < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      if (Greets(port_)) return true;
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
    }
    Stop();
  }
  return false;
}

void SecureFtpServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace zun::test
