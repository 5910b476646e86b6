#include "SshTestServer.h"

#include <arpa/inet.h>
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
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace zun::test {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// The test user, made once: no home, no shell, a password only these tests know.
bool EnsureUser() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (getpwnam(SshTestServer::kUser)) return true;
    const std::string user = SshTestServer::kUser;
    if (Shell("useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin " + user +
              " 2>/dev/null && echo '" + user + ":" + SshTestServer::kPassword + "' | chpasswd") == 0)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // another suite is making it
  }
  return getpwnam(SshTestServer::kUser) != nullptr;
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool Greets(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  char banner[4] = {};
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && recv(fd, banner, 4, MSG_WAITALL) == 4 &&
                  std::string(banner, 4) == "SSH-";
  close(fd);
  return ok;
}

// The processes started under `pid`: sshd keeps one per connection.
void Descendants(pid_t pid, std::vector<pid_t>& out) {
  std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  for (pid_t child = 0; children >> child;) {
    out.push_back(child);
    Descendants(child, out);
  }
}

}  // namespace

SshTestServer::SshTestServer(std::string dir, std::string root) : dir_(std::move(dir)), root_(std::move(root)) {}

SshTestServer::~SshTestServer() { Stop(); }

void SshTestServer::RenewHostKey() {
  unlink((dir_ + "/host_ed25519").c_str());
  unlink((dir_ + "/host_ed25519.pub").c_str());
}

std::string SshTestServer::KnownHostsFile() const {
  const std::string path = dir_ + "/known_hosts";
  std::string key = Slurp(dir_ + "/host_ed25519.pub");
  key = key.substr(0, key.find(' ', key.find(' ') + 1));  // type and key, no comment
  std::ofstream(path) << "[127.0.0.1]:" << port_ << " " << key << "\n";
  return path;
}

std::string SshTestServer::Fingerprint() const {
  const std::string out = dir_ + "/fingerprint";
  Shell("ssh-keygen -l -E sha256 -f " + dir_ + "/host_ed25519.pub > " + out);
  const std::string text = Slurp(out);
  const size_t at = text.find("SHA256:");
  return at == std::string::npos ? std::string() : text.substr(at, text.find(' ', at) - at);
}

std::string SshTestServer::MakeClientKey(const std::string& name, const std::string& passphrase) {
  const std::string key = dir_ + "/" + name;
  unlink(key.c_str());
  unlink((key + ".pub").c_str());
  Shell("ssh-keygen -q -t ed25519 -N '" + passphrase + "' -C test -f " + key);
  std::ofstream(dir_ + "/authorized_keys", std::ios::app) << Slurp(key + ".pub");
  return key;
}

int SshTestServer::Logins() const {
  const std::string log = Slurp(dir_ + "/sshd.log");
  int n = 0;
  for (const char* what : {"Accepted password for ", "Accepted publickey for "})
    for (size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
  return n;
}

bool SshTestServer::Start(bool passwordLogin, int port) {
  Stop();
  if (geteuid() != 0) {
    why_ = "the sshd fixture runs as root";
    return false;
  }
  if (access("/usr/sbin/sshd", X_OK) != 0) {
    why_ = "no /usr/sbin/sshd (openssh-server)";
    return false;
  }
  if (!EnsureUser()) {
    why_ = "cannot make the user " + std::string(kUser);
    return false;
  }
  mkdir("/run/sshd", 0755);  // sshd's privilege separation folder
  mkdir(root_.c_str(), 0755);
  chmod(dir_.c_str(), 0711);  // the test user passes through to its login folder
  const passwd* user = getpwnam(kUser);
  Shell("chown -R " + std::to_string(user->pw_uid) + " " + root_);
  const std::string hostKey = dir_ + "/host_ed25519";
  if (access(hostKey.c_str(), R_OK) != 0) Shell("ssh-keygen -q -t ed25519 -N '' -C zuntest -f " + hostKey);
  std::ofstream(dir_ + "/authorized_keys", std::ios::app).flush();
  port_ = port ? port : FreePort();
  const std::string config = dir_ + "/sshd_config";
  std::ofstream(config) << "ListenAddress 127.0.0.1:" << port_ << "\n"
                        << "HostKey " << hostKey << "\n"
                        << "PidFile none\nUsePAM no\nStrictModes no\n"
                        << "PasswordAuthentication " << (passwordLogin ? "yes" : "no") << "\n"
                        << "KbdInteractiveAuthentication no\nPubkeyAuthentication yes\n"
                        << "AuthorizedKeysFile " << dir_ << "/authorized_keys\n"
                        << "AllowUsers " << kUser << "\n"
                        << "Subsystem sftp internal-sftp -d " << root_ << "\n"
                        << "ForceCommand internal-sftp -d " << root_ << "\n"
                        << "AllowTcpForwarding no\nX11Forwarding no\nLogLevel VERBOSE\n";
  const std::string log = dir_ + "/sshd.log";
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    execl("/usr/bin/timeout", "timeout", "300", "/usr/sbin/sshd", "-D", "-f", config.c_str(), "-E", log.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (Greets(port_)) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
  }
  why_ = "sshd did not start: " + Slurp(log);
  Stop();
  return false;
}

// Every connection ends with the server, as when its machine goes away.
void SshTestServer::Stop() {
  if (pid_ <= 0) return;
  std::vector<pid_t> processes;
  Descendants(pid_, processes);
  for (pid_t p : processes) kill(p, SIGKILL);
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace zun::test
